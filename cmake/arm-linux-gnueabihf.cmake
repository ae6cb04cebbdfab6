# ARMv7 EABI, hard float, as Debian builds armhf.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(debian_arch armhf)
set(cross_triplet arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
