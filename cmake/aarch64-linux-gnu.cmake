# aarch64, as Debian builds arm64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(debian_arch arm64)
set(cross_triplet aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
