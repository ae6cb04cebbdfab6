# Cross-building with Debian's cross compilers, running the result under qemu-user. Included by
# the per-target toolchain files beside it, which set cross_triplet and cross_qemu.
# GoogleTest and musl for the target come from Debian's multiarch packages (libgtest-dev:ARCH,
# musl-dev:ARCH, after dpkg --add-architecture ARCH).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${cross_triplet}-g++)
find_program(cross_emulator ${cross_qemu})
if(cross_emulator)
  # -L: where a dynamically linked build (RANDRANGE_STATIC=OFF) finds the target's loader.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${cross_emulator} -L /usr/${cross_triplet})
endif()
