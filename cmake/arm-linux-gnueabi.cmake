# ARM EABI, soft float, as Debian builds armel.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(debian_arch armel)
set(cross_triplet arm-linux-gnueabi)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
