#!/usr/bin/env bash
# Checks that the benchmark runs (its figures from so few runs mean nothing), gives each ratio
# its spread, judges memory against the floor, fails a program that misses a target under
# --check, and refuses one that does not run.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need python3 hyperfine valgrind
bench=$SRC/bench/bench.py
said=$(python3 "$bench" "$BIN" --runs 20 --rounds 2 --warmup 2)
echo "$said"
[[ $said =~ \|\ .randrange\ 10\ 20.\ \|\ [0-9]+\ µs\ \|\ [0-9.]+x\ \([0-9.]+–[0-9.]+\)\ \| ]] ||
	fail "the benchmark gives no spread over the rounds"
[[ $said == *'peak RSS at most 64 KiB above the exit floor'* ]] || fail "the benchmark judges memory absolutely"
# A stand-in that prints a right line through a shell misses the instruction target.
printf '#!/bin/sh\necho "random 15"\n' >"$tmp/slow"
chmod +x "$tmp/slow"
if said=$(python3 "$bench" "$tmp/slow" --runs 4 --rounds 2 --warmup 1 --check 2>&1); then
	fail "bench --check passed a program that misses a target: $said"
fi
[[ $said == *$'\nbench: a target was missed'* ]] || fail "bench --check did not say a target was missed: $said"
for bad in /nonexistent/randrange /bin/echo; do
	if said=$(python3 "$bench" "$bad" 2>&1); then
		fail "the benchmark took $bad for randrange: $said"
	fi
done
