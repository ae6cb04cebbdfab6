#!/usr/bin/env bash
# Checks install and uninstall under a prefix, as BUILDING.md says: the files laid out, the
# program stripped, the copyright file true to them, and nothing left behind; and that an
# install into a fresh prefix under umask 077 is readable by all.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=copyright.sh
source "$(dirname "$0")/copyright.sh"
need readelf
prefix=$tmp/prefix
# The folders that a Debian system has in /usr/local before anything is installed there.
mkdir -p "$prefix/bin" "$prefix/share/man"
before=$(find "$prefix" | sort)
"$CMAKE" -S "$SRC" -B "$tmp/b" -DBUILD_TESTING=OFF >/dev/null
"$CMAKE" --build "$tmp/b" >/dev/null
"$CMAKE" --install "$tmp/b" --prefix "$prefix" --strip >/dev/null
for f in bin/randrange share/man/man1/randrange.1 share/doc/randrange/copyright; do
	[[ -f $prefix/$f ]] || fail "cmake --install did not lay out $f"
done
copyright_names "$prefix"
[[ $(readelf -SW "$prefix/bin/randrange") != *.symtab* ]] || fail "the installed program is not stripped"
xargs -rd '\n' rm -f -- <"$tmp/b/install_manifest.txt"
rmdir --ignore-fail-on-non-empty "$prefix/share/doc/randrange" "$prefix/share/doc" "$prefix/share/man/man1"
after=$(find "$prefix" | sort)
[[ $after == "$before" ]] || fail "uninstalling left $(comm -13 <(echo "$before") <(echo "$after"))"

fresh=$tmp/fresh/prefix
(umask 077 && "$CMAKE" --install "$tmp/b" --prefix "$fresh" >/dev/null)
modes=$(find "$tmp/fresh" -printf '%y %m %P\n' | grep -Ev '^d 755 |^f 644 |^f 755 ') || true
[[ -z $modes ]] || fail "under umask 077 the install left: $modes"
