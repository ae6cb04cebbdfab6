#!/usr/bin/env python3
"""Measure what one run of randrange costs, beside the floors and the usual peers.

Wall time, minor faults and peak resident memory come from bench_spawn, a small static parent
that forks, execs and waits for every spawn and reads the clock around each; instructions from
valgrind's callgrind. Each wall-time ratio is the median over rounds of the round's ratio, with
a 95% confidence interval. Every program runs with the same small environment, since start-up
copies it. Prints one markdown table, and progress on standard error.
"""

import argparse
import datetime
import math
import os
import platform
import re
import shlex
import shutil
import statistics
import subprocess
import sys

RR = "randrange 10 20"
FLOOR = "exit floor: the exit system call only"
JOB = "job floor: clock, one line, exit"
HARD = "hardened floor: empty main, built as randrange"
SHUF = "shuf -i 10-19 -n 1"
# What every measured program gets as its environment.
ENV = {"PATH": "/usr/bin:/bin"}

# The targets, the project's promises for the default build. Wall time: (base, its name, most).
WALL_TARGETS = [(FLOOR, "the exit floor's", 1.30), (SHUF, "shuf's", 0.25)]
MOST_INSTRUCTIONS = 6000
MOST_FAULTS_ABOVE_FLOOR = 10
MOST_KIB_ABOVE_FLOOR = 64
# An interval wider than this either side of its median decides no wall-time target.
WIDEST = 0.02


def require_running(randrange):
    """Stops the benchmark unless the program under test runs and prints a line in range."""
    try:
        res = subprocess.run([randrange, "10", "20"], capture_output=True, text=True,
                             check=False, env=ENV)
    except OSError as e:
        sys.exit(f"bench: cannot run {randrange}: {e.strerror}")
    if res.returncode != 0 or not re.fullmatch(r"random 1[0-9]\n", res.stdout):
        sys.exit(f"bench: {randrange} 10 20 gave status {res.returncode} and"
                 f" {res.stdout!r}, not one line 'random N' with 10 <= N < 20")


def programs(randrange, helpers):
    """Lists (name, argv) of what is measured, leaving out what is not installed or built."""
    def helper(name):
        path = os.path.join(helpers, name)
        return path if os.access(path, os.X_OK) else None

    awk = "BEGIN{srand(); print int(10+rand()*10)}"
    wanted = [
        (FLOOR, [helper("bench_floor")]),
        (JOB, [helper("bench_job")]),
        (HARD, [helper("bench_noop")]),
        (RR, [randrange, "10", "20"]),
        ("/bin/true", ["/bin/true"]),
        (SHUF, shlex.split(SHUF)),
        ("awk 'BEGIN{srand(); ...}'", ["awk", awk]),
    ]
    found = []
    for name, argv in wanted:
        if argv[0] is None or shutil.which(argv[0]) is None:
            print(f"bench: no {name} here; leaving out its row", file=sys.stderr)
        else:
            found.append((name, argv))
    return found


def spawns(spawn, progs, rounds, per):
    """Per program: each round's median nanoseconds, and every spawn's faults and peak KiB."""
    cmd = [spawn, str(rounds), str(per)]
    for i, (_, argv) in enumerate(progs):
        cmd += (["--"] if i else []) + argv
    print(f"bench: {rounds} rounds of {per} spawns of each of {len(progs)} programs",
          file=sys.stderr, flush=True)
    res = subprocess.run(cmd, stdout=subprocess.PIPE, text=True, check=False, env=ENV)
    if res.returncode != 0:
        sys.exit("bench: bench_spawn failed")
    ns = [[[] for _ in range(rounds)] for _ in progs]
    faults = [[] for _ in progs]
    peak = [[] for _ in progs]
    for row in res.stdout.splitlines():
        r, p, t, f, k = (int(x) for x in row.split())
        ns[p][r].append(t)
        faults[p].append(f)
        peak[p].append(k)
    times = {name: [statistics.median(r) for r in ns[i]] for i, (name, _) in enumerate(progs)}
    mem = {name: (statistics.median(faults[i]), statistics.median(peak[i]))
           for i, (name, _) in enumerate(progs)}
    return times, mem


def median_interval(values):
    """The median and its distribution-free 95% confidence interval, from order statistics."""
    v = sorted(values)
    n = len(v)
    half = 1.96 * math.sqrt(n) / 2
    lo = max(0, math.floor(n / 2 - half) - 1)
    hi = min(n - 1, math.ceil(n / 2 + half))
    return statistics.median(v), v[lo], v[hi]


def ratio(times, name, base):
    """The median over rounds of name's time over base's in the same round, with its interval."""
    if name not in times or base not in times:
        return None
    return median_interval([a / b for a, b in zip(times[name], times[base])])


def instructions(argv):
    """Instructions one run executes, as callgrind counts them; None without valgrind."""
    if shutil.which("valgrind") is None:
        return None
    res = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False,
                         env=ENV)
    m = re.search(r"Collected : (\d+)", res.stderr)
    return int(m.group(1)) if m else None


def machine():
    """One line naming the machine the figures come from."""
    cpu = platform.processor() or "unknown CPU"
    try:
        with open("/proc/cpuinfo", encoding="ascii", errors="replace") as f:
            cpu = re.search(r"model name\s*:\s*(.*)", f.read()).group(1)
    except (OSError, AttributeError):
        pass
    when = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    return f"{cpu}, {os.cpu_count()} cores, Linux {platform.release()}, {when}"


def shown_ratio(r):
    """A ratio and its interval for the table."""
    return "n/a" if r is None else f"{r[0]:.3f}x ({r[1]:.3f}–{r[2]:.3f})"


def verdict(r, most):
    """A wall-time target judged on its interval: met, MISSED or UNDECIDED."""
    med, lo, hi = r
    if lo > most:
        return "MISSED"
    if hi - med > WIDEST * med or med - lo > WIDEST * med:
        return "UNDECIDED (interval wider than ±2%)"
    return "met" if hi <= most else "UNDECIDED (interval straddles it)"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("randrange", help="path of the built randrange")
    ap.add_argument("--helpers", help="folder of the benchmark's programs built by CMake"
                    " (default: bench beside randrange)")
    ap.add_argument("--rounds", type=int, default=800, help="rounds of spawns")
    ap.add_argument("--per", type=int, default=5, help="spawns of each program per round")
    ap.add_argument("--also", nargs=2, action="append", default=[], metavar=("NAME", "COMMAND"),
                    help="measure COMMAND too, as a row named NAME (a variant build, say)")
    ap.add_argument("--check", action="store_true",
                    help="exit 1 when a target is missed, 2 when one is undecided")
    args = ap.parse_args()
    randrange = os.path.abspath(args.randrange)
    helpers = args.helpers or os.path.join(os.path.dirname(randrange), "bench")
    spawn = os.path.join(helpers, "bench_spawn")
    if not os.access(spawn, os.X_OK):
        sys.exit(f"bench: no {spawn}; build the release preset first")
    require_running(randrange)

    progs = programs(randrange, helpers) + [(name, shlex.split(cmd)) for name, cmd in args.also]
    times, mem = spawns(spawn, progs, args.rounds, args.per)
    insns = {}
    for name, argv in progs:
        print(f"bench: instructions of {name}", file=sys.stderr, flush=True)
        insns[name] = instructions(argv)

    print(f"Machine: {machine()}; {args.rounds} rounds of {args.per} spawns of each program;"
          f" environment {shlex.join(f'{k}={v}' for k, v in ENV.items())}.\n")
    print("| program | wall per spawn | vs exit floor | vs hardened floor | instructions"
          " | minor faults | peak RSS |")
    print("|---|---|---|---|---|---|---|")
    for name, _ in progs:
        faults, peak = mem[name]
        n = insns[name]
        print(f"| {name} | {statistics.median(times[name]) / 1e3:.0f} µs"
              f" | {shown_ratio(ratio(times, name, FLOOR))}"
              f" | {shown_ratio(ratio(times, name, HARD))}"
              f" | {'n/a' if n is None else format(n, ',')}"
              f" | {faults:.0f} | {peak:.0f} KiB |")

    # Faults and memory above the exit floor's: the kernel counts the spawning parent's
    # high-water mark in the child's peak, and that differs from system to system.
    print("\nTargets (wall time: judged on the 95% interval of the ratio):")
    checks = []
    for base, whose, most in WALL_TARGETS:
        r = ratio(times, RR, base)
        if r is not None:
            checks.append((f"wall time at most {most:.2f}x {whose}", verdict(r, most)))
    if insns[RR] is not None:
        checks.append((f"at most {MOST_INSTRUCTIONS:,} instructions",
                       "met" if insns[RR] <= MOST_INSTRUCTIONS else "MISSED"))
    if FLOOR in mem:
        faults = mem[RR][0] - mem[FLOOR][0]
        peak = mem[RR][1] - mem[FLOOR][1]
        checks.append((f"at most {MOST_FAULTS_ABOVE_FLOOR} minor faults above the exit floor's",
                       "met" if faults <= MOST_FAULTS_ABOVE_FLOOR else "MISSED"))
        checks.append((f"peak RSS at most {MOST_KIB_ABOVE_FLOOR} KiB above the exit floor's",
                       "met" if peak <= MOST_KIB_ABOVE_FLOOR else "MISSED"))
    for what, said in checks:
        print(f"- {what}: {said}")
    if args.check:
        if any(said == "MISSED" for _, said in checks):
            sys.exit("bench: a target was missed")
        if any(said.startswith("UNDECIDED") for _, said in checks):
            print("bench: a target is undecided", file=sys.stderr)
            sys.exit(2)


if __name__ == "__main__":
    main()
