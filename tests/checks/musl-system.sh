#!/usr/bin/env bash
# Checks that where the compiler's own C library is musl, as on a musl-based distribution, the
# build says musl and its licence, and asks for no glibc fortification.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
# Debian's musl-gcc runs the compiler REALGCC names with musl as its C library.
need g++ musl-gcc
printf '#!/bin/sh\nREALGCC=g++ exec musl-gcc "$@"\n' >"$tmp/musl-g++"
chmod +x "$tmp/musl-g++"
CXX=$tmp/musl-g++ "$CMAKE" -S "$SRC" -B "$tmp/b" -DRANDRANGE_MUSL=OFF -DBUILD_TESTING=OFF \
	-DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
grep -qx 'RANDRANGE_LIBC:INTERNAL=musl' "$tmp/b/CMakeCache.txt" || fail "a musl system's C library is not called musl"
grep -q 'linked statically against musl' "$tmp/b/copyright" || fail "the copyright file does not name musl"
! grep -q 'GNU C Library' "$tmp/b/copyright" || fail "the copyright file names the GNU C Library"
! grep -q '_FORTIFY_SOURCE' "$tmp/b/compile_commands.json" || fail "glibc's fortification asked of musl"
