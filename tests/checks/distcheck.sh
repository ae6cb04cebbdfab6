#!/usr/bin/env bash
# Checks the source package as a distribution uses a release tarball: it holds exactly the
# files git tracks and is the same bytes when made again; unpacked, it configures, builds and
# passes its tests; and two builds of it, at other paths, times, time zones and umasks, make
# the same .deb and RPM, byte for byte.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need git tar dpkg-deb rpm
git -C "$SRC" rev-parse --git-dir >/dev/null 2>&1 || skip "$SRC is no git checkout, and a source package is made from one"
tarball=$(package TGZ "$tmp/s1" --config CPackSourceConfig.cmake)
again=$(umask 077 && package TGZ "$tmp/s2" --config CPackSourceConfig.cmake)
cmp "$tarball" "$again" || fail "the source package differs when made again under another umask"
listed=$(tar -tzf "$tarball" | sed -n 's|^[^/]*/||; /[^/]$/p' | sort)
tracked=$(git -C "$SRC" ls-files | sort)
[[ $listed == "$tracked" ]] ||
	fail "the source package is not the tracked files: $(diff <(echo "$tracked") <(echo "$listed"))"

# Unpacks the tarball into $1, and there configures, builds and packages it under umask $2 and
# time zone $3, with SOURCE_DATE_EPOCH unset; with $4, runs the test suite too.
release() {
	mkdir -p "$1"
	tar -xzf "$tarball" -C "$1"
	(cd "$1"/randrange-* && umask "$2" && export TZ=$3 && unset SOURCE_DATE_EPOCH &&
		"$CMAKE" -S . -B build ${4:+-DRANDRANGE_TEST_PAIRS=300} >/dev/null &&
		"$CMAKE" --build build >/dev/null &&
		{ [[ -z ${4-} ]] || (cd build && "$CTEST" -L suite --output-on-failure --no-tests=error); } &&
		cd build && "$CPACK" -G "DEB;RPM" >/dev/null) || fail "the release unpacked in $1 did not build, test and package"
}
release "$tmp/a" 022 UTC test
sleep 2
release "$tmp/deeper/b" 077 Pacific/Kiritimati
for kind in deb rpm; do
	a=$(echo "$tmp"/a/randrange-*/build/*."$kind") b=$(echo "$tmp"/deeper/b/randrange-*/build/*."$kind")
	[[ -f $a && -f $b ]] || fail "no .$kind from the release"
	if ! cmp "$a" "$b"; then
		if command -v diffoscope >/dev/null; then diffoscope "$a" "$b" || true; fi
		fail "two builds of one release made different .$kind packages"
	fi
	sha256sum "$a"
done
