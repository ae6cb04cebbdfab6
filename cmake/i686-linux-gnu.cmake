# i686, as Debian builds i386.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(debian_arch i386)
set(cross_triplet i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
