# POWER8 little-endian, as Debian builds ppc64el.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(cross_triplet powerpc64le-linux-gnu)
set(cross_qemu qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
