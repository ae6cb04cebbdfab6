#!/usr/bin/env bash
# Checks that a 32-bit build against the system C library, dynamically linked, prints the right
# line in 2040, past the end of a 32-bit time_t: under qemu-user $1 with the target's libraries
# in $2, and a test clock built for this machine.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need "$1" c++
emulator=("$1" -L "$2")
"$CMAKE" -S "$SRC" -B "$tmp/b" ${TOOLCHAIN:+--toolchain "$TOOLCHAIN"} -DRANDRANGE_STATIC=OFF >/dev/null
"$CMAKE" --build "$tmp/b" --target randrange oracle >/dev/null
c++ -std=c++17 -O2 -o "$tmp/testclock" "$SRC/tests/testclock.cpp"
t=$(date -ud '2040-01-01 00:00:00' +%s)
draw=$("${emulator[@]}" "$tmp/b/tests/oracle" "$t" 1 1)
[[ $draw =~ ^[0-9]+$ ]] || fail "the oracle printed '$draw' for second $t"
got=$("$tmp/testclock" at "$t" "${emulator[@]}" "$tmp/b/randrange" 0 1000000)
[[ $got == "random $((draw % 1000000))" ]] || fail "at 2040 it printed '$got', not 'random $((draw % 1000000))'"
echo "at 2040 UTC: $got"
