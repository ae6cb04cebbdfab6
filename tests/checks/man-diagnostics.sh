#!/usr/bin/env bash
# Checks that the manual's DIAGNOSTICS hold the usage line and every message the program prints.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
diagnostics=$(sed -n '/^\.Sh DIAGNOSTICS/,/^\.Sh /p' "$SRC/doc/randrange.1")
messages=$(grep -o '"%s: [^%"]*: %s\\n"' "$SRC/src/randrange.cpp" | sed 's/^"%s: \(.*\): %s\\n"$/\1/')
[[ -n $messages ]] || fail "found no message in src/randrange.cpp"
while read -r said; do
	[[ $diagnostics == *"randrange: $said:"* ]] || fail "the manual's DIAGNOSTICS lack '$said'"
done <<<"$messages"
[[ $diagnostics == *'usage: randrange <begin> <end>'* ]] || fail "the manual's DIAGNOSTICS lack the usage line"
