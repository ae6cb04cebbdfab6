# shellcheck shell=bash
# Sourced by every check: where things are, and how a check fails or is skipped.
#   SRC     the source tree          BUILD  the build tree the check was registered in
#   BIN     the built randrange      CMAKE, CPACK, CTEST  this CMake's own commands
#   LINKED  musl, static or dynamic  LIBC   glibc, musl or unknown, as configure found them
#   VERSION the project's version    TOOLCHAIN  the build's toolchain file, if any
set -euo pipefail
: "${SRC:?}" "${BUILD:?}" "${LINKED:?}" "${LIBC:?}" "${VERSION:?}"

# Fails the check, saying why.
fail() {
	echo "FAIL: $*" >&2
	exit 1
}

# Skips the check, saying why, also in the file that CTest prints after the tests (status 77,
# which CTest reports as skipped); under CI, which has everything a check needs, fails it
# instead.
skip() {
	echo "skipped: $*" >&2
	[[ -z ${SKIPPED-} ]] || echo "$CHECK skipped: $*" >>"$SKIPPED"
	[[ -z ${CI-} ]] || exit 1
	exit 77
}

# Skips the check unless every command named is installed.
need() {
	local tool
	for tool; do
		command -v "$tool" >/dev/null || skip "$tool is not installed"
	done
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Builds the packages of generator $1 for the build tree $BUILD into folder $2, with cpack's
# further arguments after them, and prints their paths, as CPack names them.
package() {
	local said gen=$1 dir=$2
	shift 2
	said=$(cd "$BUILD" && "$CPACK" -G "$gen" -B "$dir" "$@") || { echo "$said" >&2; fail "cpack -G $gen failed"; }
	sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$said"
}
