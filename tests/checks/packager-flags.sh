#!/usr/bin/env bash
# Checks that a packager's hardening flags are kept, and none of the build's own lower them.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
CXXFLAGS="-O2 -D_FORTIFY_SOURCE=3 -fstack-protector-all" "$CMAKE" -S "$SRC" -B "$tmp/b" \
	-DRANDRANGE_STATIC=OFF -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
compile=$(grep -o '"command": "[^"]*randrange\.cpp[^"]*"' "$tmp/b/compile_commands.json")
for flag in -D_FORTIFY_SOURCE=3 -fstack-protector-all; do
	[[ " $compile " == *" $flag "* ]] || fail "the packager's $flag is gone: $compile"
done
for flag in -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong; do
	[[ " $compile " != *" $flag "* ]] || fail "the build adds $flag over the packager's: $compile"
done
