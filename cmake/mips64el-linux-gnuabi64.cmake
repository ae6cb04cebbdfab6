# MIPS64 little-endian, n64 ABI, as Debian builds mips64el.
set(CMAKE_SYSTEM_PROCESSOR mips64)
set(debian_arch mips64el)
set(cross_triplet mips64el-linux-gnuabi64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
