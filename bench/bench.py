#!/usr/bin/env python3
"""Measure what one run of randrange costs, beside a do-nothing program and the usual peers.

Wall time comes from hyperfine (no shell, in interleaved rounds), instructions from
valgrind's callgrind, peak resident memory from GNU time. Prints one markdown table.
"""

import argparse
import datetime
import json
import os
import platform
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile

SHUF = "shuf -i 10-19 -n 1"


def build_floor(tmp, cxx):
    """Builds the floor: a static-pie program whose main returns 0, with our compiler."""
    src = os.path.join(tmp, "floor.cpp")
    exe = os.path.join(tmp, "floor")
    with open(src, "w", encoding="ascii") as f:
        f.write("int main() { return 0; }\n")
    subprocess.run([cxx, "-O2", "-static-pie", "-o", exe, src], check=True)
    return exe


def programs(randrange, floor):
    """Lists (name, argv) of what is measured, leaving out peers that are not installed."""
    awk = "BEGIN{srand(); print int(10+rand()*10)}"
    wanted = [
        ("randrange 10 20", [randrange, "10", "20"]),
        ("floor: static-pie no-op", [floor]),
        ("/bin/true", ["/bin/true"]),
        (SHUF, shlex.split(SHUF)),
        ("awk 'BEGIN{srand(); ...}'", ["awk", awk]),
    ]
    found = []
    for name, argv in wanted:
        if shutil.which(argv[0]) is None:
            print(f"bench: {argv[0]} is not installed; skipping it", file=sys.stderr)
        else:
            found.append((name, argv))
    return found


def wall(progs, runs, rounds, warmup, tmp):
    """Median seconds per spawn of each program, over rounds of hyperfine runs."""
    times = {name: [] for name, _ in progs}
    out = os.path.join(tmp, "hyperfine.json")
    per_round = max(2, runs // rounds)
    for _ in range(rounds):
        cmd = ["hyperfine", "-N", "--style", "none", "--warmup", str(warmup),
               "--runs", str(per_round), "--export-json", out]
        cmd += [shlex.join(argv) for _, argv in progs]
        proc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                              check=False)
        if proc.returncode != 0:
            sys.exit(f"bench: hyperfine failed:\n{proc.stderr}")
        with open(out, encoding="utf-8") as f:
            results = json.load(f)["results"]
        for (name, _), result in zip(progs, results):
            times[name] += result["times"]
    return {name: statistics.median(t) for name, t in times.items()}


def instructions(argv):
    """Instructions one run executes, as callgrind counts them; None without valgrind."""
    if shutil.which("valgrind") is None:
        return None
    res = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False)
    m = re.search(r"Collected : (\d+)", res.stderr)
    return int(m.group(1)) if m else None


def peak_kib(argv, tmp):
    """Median peak resident set in KiB over 21 runs (the kernel counts it only roughly)."""
    if not os.access("/usr/bin/time", os.X_OK):
        return None
    out = os.path.join(tmp, "time.txt")
    peaks = []
    for _ in range(21):
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out] + argv,
                       stdout=subprocess.DEVNULL, check=False)
        with open(out, encoding="ascii") as f:
            peaks.append(int(f.read().split()[-1]))
    return statistics.median(peaks)


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


def shown(value, how):
    """Formats a figure that may be missing (its tool not installed) for the table."""
    return "n/a" if value is None else format(value, how)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("randrange", help="path of the built randrange")
    ap.add_argument("--runs", type=int, default=3000, help="timed spawns per program")
    ap.add_argument("--rounds", type=int, default=20, help="hyperfine rounds to spread them over")
    ap.add_argument("--warmup", type=int, default=50, help="untimed spawns per program and round")
    ap.add_argument("--cxx", default=os.environ.get("CXX", "c++"), help="compiler for the floor")
    args = ap.parse_args()
    if shutil.which("hyperfine") is None:
        sys.exit("bench: hyperfine is not installed (Debian package hyperfine)")

    with tempfile.TemporaryDirectory() as tmp:
        progs = programs(os.path.abspath(args.randrange), build_floor(tmp, args.cxx))
        secs = wall(progs, args.runs, args.rounds, args.warmup, tmp)
        insns = {name: instructions(argv) for name, argv in progs}
        peaks = {name: peak_kib(argv, tmp) for name, argv in progs}

    floor = progs[1][0]
    print(f"Machine: {machine()}; {args.runs} spawns per program in {args.rounds} rounds.\n")
    print("| program | median wall per spawn | vs floor | instructions | vs floor | peak RSS |")
    print("|---|---|---|---|---|---|")
    for name, _ in progs:
        ratio_i = insns[name] / insns[floor] if insns[name] and insns[floor] else None
        print(f"| `{name}` | {secs[name] * 1e6:.0f} µs | {secs[name] / secs[floor]:.3f}x"
              f" | {shown(insns[name], ',')} | {shown(ratio_i, '.2f')}x"
              f" | {shown(peaks[name], '.0f')} KiB |")

    rr = progs[0][0]
    print("\nTargets:")
    checks = [("wall time at most 1.08x the floor's", secs[rr] / secs[floor] <= 1.08)]
    if SHUF in secs:
        checks.append(("wall time at most 0.85x shuf's", secs[rr] / secs[SHUF] <= 0.85))
    if insns[rr] and insns[floor]:
        checks.append(("instructions at most 1.3x the floor's", insns[rr] <= 1.3 * insns[floor]))
    if peaks[rr] is not None and peaks[floor] is not None:
        checks.append(("peak RSS within 64 KiB of the floor's", peaks[rr] - peaks[floor] <= 64))
    for what, ok in checks:
        print(f"- {what}: {'met' if ok else 'MISSED'}")


if __name__ == "__main__":
    main()
