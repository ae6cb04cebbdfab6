#!/usr/bin/env bash
# Checks the RPM: its licence, description and files, and that rpmlint with the project's
# configuration exits 0 and reports nothing.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need rpm rpmlint
rpm=$(package RPM "$tmp")
[[ -f $rpm ]] || fail "cpack named no RPM"
info=$(rpm -qip "$rpm")
[[ $info =~ License[[:space:]]*:\ MIT ]] || fail "$rpm has no MIT licence"
[[ $info == *$'\nrandrange prints one pseudo-random integer'* ]] || fail "$rpm has no description"
owned=$(rpm -qlp "$rpm" | grep -Ex '/usr/share/(man|man/man1|doc)') || true
[[ -z $owned ]] || fail "$rpm owns a standard directory: $owned"
# With the project's configuration, which gives each intended finding its reason.
lint=$(rpmlint -c "$SRC/doc/rpmlint.toml" "$rpm" 2>&1) || fail "rpmlint: $lint"
findings=$(grep -E '^randrange[^:]*: [EW]: ' <<<"$lint") || true
[[ -z $findings ]] || fail "rpmlint: $findings"
