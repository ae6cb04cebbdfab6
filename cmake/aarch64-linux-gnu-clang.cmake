# aarch64 with clang, which cross-compiles by its target rather than by its name; it takes the
# linker, libstdc++ and start files of Debian's GCC cross toolchain (g++-aarch64-linux-gnu).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(debian_arch arm64)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
# The target's binutils, which CMake does not take from the target by itself for clang.
set(CMAKE_OBJCOPY aarch64-linux-gnu-objcopy)
set(CMAKE_OBJDUMP aarch64-linux-gnu-objdump)
set(CMAKE_NM aarch64-linux-gnu-nm)
set(CMAKE_STRIP aarch64-linux-gnu-strip)
