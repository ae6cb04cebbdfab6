#!/usr/bin/env bash
# Checks that the build linked musl, as the default build does wherever musl is installed for
# its target; elsewhere it is skipped, saying so.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
[[ $LINKED == musl ]] ||
	skip "this build is linked '$LINKED': configure found no musl for its target (Debian package musl-dev)"
echo "$BUILD links musl"
