# POWER8 little-endian, as Debian builds ppc64el.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(debian_arch ppc64el)
set(cross_triplet powerpc64le-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
