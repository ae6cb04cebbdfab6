#!/usr/bin/env bash
# Checks that the benchmark measures every row it promises, judges a program that is plainly
# slow or plainly heavy as missing its targets under --check, and refuses one that does not run.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need python3 valgrind
bench=$SRC/bench/bench.py
run() { python3 "$bench" "$@" --helpers "$BUILD/bench" --rounds 5 --per 1 2>&1; }

said=$(run "$BIN")
echo "$said"
for row in 'exit floor' 'hardened floor' 'randrange 10 20'; do
	grep -Eq "^\| ${row}[^|]* \| [0-9]+ µs \| [0-9.]+x \([0-9.]+–[0-9.]+\) \|" <<<"$said" ||
		fail "no wall time with an interval for $row"
done
# Right lines, but through a shell and a sleep: far too slow and far too many instructions.
printf '#!/bin/sh\nsleep 0.02\necho "random 15"\n' >"$tmp/slow"
chmod +x "$tmp/slow"
if said=$(run "$tmp/slow" --check); then
	fail "bench --check passed a program that misses its targets: $said"
fi
for target in 'wall time at most 1.30x the exit floor' 'at most 6,000 instructions'; do
	grep -q "^- $target.*: MISSED$" <<<"$said" || fail "bench did not find '$target' missed: $said"
done
for bad in /nonexistent/randrange /bin/echo; do
	if said=$(run "$bad"); then
		fail "the benchmark took $bad for randrange: $said"
	fi
done
