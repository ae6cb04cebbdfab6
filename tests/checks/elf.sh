#!/usr/bin/env bash
# Checks that binary $1 is position-independent, fully RELRO, bound now, with no executable
# stack; with $2 static, also that it has no program interpreter and needs no shared library.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need readelf
bin=$1
header=$(readelf -hW "$bin") segments=$(readelf -lW "$bin") dynamic=$(readelf -dW "$bin")
[[ $header =~ Type:[[:space:]]+DYN ]] || fail "$bin is not position-independent"
if [[ ${2-} == static ]]; then
	[[ $segments != *INTERP* ]] || fail "$bin has a program interpreter"
	[[ $dynamic != *NEEDED* ]] || fail "$bin needs a shared library"
fi
[[ $segments == *GNU_RELRO* ]] || fail "$bin has no RELRO segment"
[[ $dynamic =~ BIND_NOW|FLAGS_1.*NOW ]] || fail "$bin is not bound at start-up"
stack=$(awk '$1 == "GNU_STACK" { print $7 }' <<<"$segments")
[[ -n $stack && $stack != *E* ]] || fail "$bin has an executable stack, or none marked"
echo "$bin: ${2:+static }PIE, RELRO, BIND_NOW, non-executable stack"
