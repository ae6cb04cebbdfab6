#!/usr/bin/env bash
# Checks that no example in the README or the manual pipes randrange's output on, which would
# lose its exit status.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
examples=$(awk '/^```/ { inside = !inside; next } inside' "$SRC/README.md"
	sed -n '/^\.Bd -literal/,/^\.Ed/p' "$SRC/doc/randrange.1")
[[ $examples == *randrange* ]] || fail "found no example of randrange"
piped=$(grep -E 'randrange[^|]*[^|]\|([^|]|$)' <<<"$examples") || true
[[ -z $piped ]] || fail "an example pipes randrange and loses its status: $piped"
