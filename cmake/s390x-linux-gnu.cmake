# IBM Z, as Debian builds s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(debian_arch s390x)
set(cross_triplet s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
