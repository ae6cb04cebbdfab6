#!/usr/bin/env bash
# Checks that a debug build outside the tree records no path of this machine.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need readelf strings
"$CMAKE" -S "$SRC" -B "$tmp/debug" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=OFF >/dev/null
"$CMAKE" --build "$tmp/debug" >/dev/null
[[ $(readelf -SW "$tmp/debug/randrange") == *debug_info* ]] || fail "the debug build has no debug information"
leaked=$(strings -a "$tmp/debug/randrange" | grep -e "$tmp" -e "$SRC") || true
[[ -z $leaked ]] || fail "the debug build holds a build path: $leaked"
