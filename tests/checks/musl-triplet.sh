#!/usr/bin/env bash
# Checks that musl is found by CMake's own triplet where the compiler names none (as clang 19
# names none), and looked for nowhere where the compiler names one that is not Linux's.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need g++
musl=/usr/include/$(g++ -print-multiarch | sed 's/-linux-gnu.*/-linux-musl/')/stdio.h
[[ -f $musl ]] || skip "no $musl (Debian package musl-dev)"
# Writes a compiler, named $1, whose -print-multiarch answers $2.
answering() {
	# shellcheck disable=SC2016 # $a and $@ are the wrapper's own
	printf '#!/bin/sh\nfor a; do [ "$a" = -print-multiarch ] && { echo %s; exit 0; }; done\nexec g++ "$@"\n' "$2" >"$1"
	chmod +x "$1"
}
answering "$tmp/silent-c++" ''
answering "$tmp/mingw-c++" x86_64-w64-mingw32
CXX=$tmp/silent-c++ "$CMAKE" -S "$SRC" -B "$tmp/silent" -DBUILD_TESTING=OFF >/dev/null
grep -qx 'RANDRANGE_LINKED:INTERNAL=musl' "$tmp/silent/CMakeCache.txt" || fail "no triplet from the compiler: musl not found"
said=$(CXX=$tmp/mingw-c++ "$CMAKE" -S "$SRC" -B "$tmp/mingw" -DBUILD_TESTING=OFF)
[[ $said == *"randrange: the compiler names no Linux multiarch triplet ('x86_64-w64-mingw32')"* ]] ||
	fail "configure with no Linux triplet did not say so: $said"
grep -qx 'RANDRANGE_LINKED:INTERNAL=static' "$tmp/mingw/CMakeCache.txt" || fail "no Linux triplet: not a static-pie of the system's C library"
! grep -q '^RANDRANGE_MUSL_INCLUDE:PATH=/' "$tmp/mingw/CMakeCache.txt" || fail "no Linux triplet: musl's headers cached"
