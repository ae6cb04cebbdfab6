# shellcheck shell=bash
# Sourced by every check: where things are, and how a check fails or is skipped.
#   SRC     the source tree          BUILD  the build tree the check was registered in
#   BIN     the built randrange      CMAKE, CPACK, CTEST  this CMake's own commands
set -euo pipefail
: "${SRC:?}" "${BUILD:?}"

# Fails the check, saying why.
fail() {
	echo "FAIL: $*" >&2
	exit 1
}

# Skips the check, saying why (status 77, which CTest reports as skipped); under CI, which
# has everything a check needs, fails it instead.
skip() {
	echo "skipped: $*" >&2
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

# Builds the packages of generator $1 for the build tree $BUILD into folder $2 and prints their
# paths, as CPack names them.
package() {
	local said
	said=$(cd "$BUILD" && "$CPACK" -G "$1" -B "$2") || { echo "$said" >&2; fail "cpack -G $1 failed"; }
	sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' <<<"$said"
}
