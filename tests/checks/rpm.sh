#!/usr/bin/env bash
# Checks the RPM: its licence, description, files, changelog and dependencies, and that rpmlint
# with the project's configuration exits 0 and reports nothing.
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
# The changelog is doc/changelog's, newest first, with its version.
newest=$(sed -n '1s/^randrange (\([^)]*\)).*/\1/p' "$SRC/doc/changelog")
first=$(rpm -qp --changelog "$rpm" | head -1)
[[ $first == "* "*" - $newest-1" ]] || fail "the RPM's newest changelog entry is '$first', not $newest's"
[[ $(rpm -qp --changelog "$rpm" | grep -c '^\* ') == $(grep -c '^randrange (' "$SRC/doc/changelog") ]] ||
	fail "the RPM's changelog does not have every entry of doc/changelog"
[[ $(rpm -qpL "$rpm") == /usr/share/doc/randrange/copyright ]] || fail "the copyright file is not %license"
[[ $info != *Relocations* ]] || fail "$rpm is relocatable"
if [[ $LINKED != dynamic ]]; then
	needs=$(rpm -qp --requires "$rpm" | grep -v '^rpmlib(') || true
	[[ -z $needs ]] || fail "the static build's RPM requires: $needs"
fi
