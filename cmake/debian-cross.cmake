# Cross-building with Debian's cross compilers. Included by the per-target toolchain files beside
# it, which set cross_triplet. GoogleTest and musl for the target come from Debian's multiarch
# packages (libgtest-dev:ARCH, musl-dev:ARCH, after dpkg --add-architecture ARCH). The tests run
# on the target's own kernel (tests/own-kernel); to run them under qemu-user instead, give
# -DCMAKE_CROSSCOMPILING_EMULATOR="qemu-ARCH;-L;/usr/TRIPLET".
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${cross_triplet}-g++)
