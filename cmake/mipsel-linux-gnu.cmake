# MIPS32 little-endian, as Debian builds mipsel.
set(CMAKE_SYSTEM_PROCESSOR mips)
set(debian_arch mipsel)
set(cross_triplet mipsel-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
