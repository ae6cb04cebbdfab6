#!/usr/bin/env bash
# Checks that doc/changelog's newest entry is the project's version, since packages take their
# date from it.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
newest=$(sed -n '1s/^randrange (\([^)]*\)).*/\1/p' "$SRC/doc/changelog")
[[ $newest == "$VERSION" ]] || fail "doc/changelog's newest entry is $newest, not the project's $VERSION"
