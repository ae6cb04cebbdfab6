#!/usr/bin/env bash
# Checks the RPM: its licence, description and files, and that rpmlint finds only what
# BUILDING.md explains.
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
lint=$(rpmlint "$rpm" 2>&1) || true
while read -r finding; do
	[[ -z $finding ]] || grep -Eq "\`${finding}[\` ]" "$SRC/BUILDING.md" ||
		fail "rpmlint finds $finding, which BUILDING.md does not explain: $lint"
done <<<"$(sed -n 's/^randrange[^:]*: [EW]: \([^ ]*\).*/\1/p' <<<"$lint")"
