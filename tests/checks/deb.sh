#!/usr/bin/env bash
# Checks the Debian package: its files, fields and copyright, the binary in it, and lintian.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=copyright.sh
source "$(dirname "$0")/copyright.sh"
need dpkg-deb lintian readelf
deb=$(package DEB "$tmp")
[[ -f $deb ]] || fail "cpack named no .deb"
dpkg-deb -x "$deb" "$tmp/deb"
for f in man/man1/randrange.1.gz doc/randrange/changelog.gz doc/randrange/copyright; do
	[[ -f $tmp/deb/usr/share/$f ]] || fail "no $f in $deb"
done
copyright=$tmp/deb/usr/share/doc/randrange/copyright
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" ||
	fail "the copyright file is not machine-readable"
copyright_names "$tmp/deb"
[[ $(dpkg-deb -f "$deb" Section) == utils ]] || fail "$deb is not in section utils"
# A static build names the C library it embeds, for rebuilds; glibc's licence also asks for
# Built-Using.
static_using=$(dpkg-deb -f "$deb" Static-Built-Using) built_using=$(dpkg-deb -f "$deb" Built-Using)
if [[ $LINKED != dynamic ]]; then
	[[ $static_using =~ ^(musl|glibc)\ \(=\ [^\)]+\)$ ]] || fail "$deb: Static-Built-Using is '$static_using'"
	[[ $LIBC != glibc || $built_using == "$static_using" ]] || fail "$deb: Built-Using is '$built_using'"
	[[ $LIBC == glibc || -z $built_using ]] || fail "$deb: Built-Using '$built_using' for $LIBC"
	bash "$(dirname "$0")/elf.sh" "$tmp/deb/usr/bin/randrange" static
fi
[[ $("$tmp/deb/usr/bin/randrange" 0 1) == "random 0" ]] || fail "the packaged program does not run"
lint=$(lintian --info "$deb" 2>&1) || true
lint=$(grep -E '^[EW]: ' <<<"$lint") || true
[[ -z $lint ]] || fail "lintian on $deb: $lint"
