#!/usr/bin/env bash
# Checks the manual page with mandoc's linter.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need mandoc
lint=$(mandoc -Tlint -Wwarning "$SRC/doc/randrange.1" 2>&1) || true
[[ -z $lint ]] || fail "mandoc: $lint"
