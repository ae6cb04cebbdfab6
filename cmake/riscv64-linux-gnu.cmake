# RISC-V 64-bit, RV64GC, as Debian 13 builds riscv64.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(debian_arch riscv64)
set(cross_triplet riscv64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
