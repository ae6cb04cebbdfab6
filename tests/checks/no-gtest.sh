#!/usr/bin/env bash
# Checks that without GoogleTest the build says the tests are skipped, and the program builds.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
said=$("$CMAKE" -S "$SRC" -B "$tmp/b" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
[[ $said == *"tests skipped"* ]] || fail "configure without GoogleTest did not say the tests are skipped"
"$CMAKE" --build "$tmp/b" --target randrange >/dev/null
[[ $("$tmp/b/randrange" 0 1) == "random 0" ]] || fail "the build without GoogleTest does not run"
