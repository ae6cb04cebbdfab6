#!/usr/bin/env python3
"""Measure what one run of randrange costs, beside a do-nothing program and the usual peers.

Wall time comes from hyperfine (no shell, in interleaved rounds), instructions from
valgrind's callgrind, minor faults and peak resident memory from wait4 in a small forking
parent that the benchmark builds. Every program runs with the same small environment, since
start-up copies it. Prints one markdown table, and progress on standard error.
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

RR = "randrange 10 20"
SHUF = "shuf -i 10-19 -n 1"
FLOOR = "floor: exit system call only"
JOB = "floor of the job: clock, one line, exit"
HERE = os.path.dirname(os.path.abspath(__file__))
# What every measured program gets as its environment.
ENV = {"PATH": "/usr/bin:/bin"}


# The least a process can do: exit at once, with no C library to start.
FLOOR_SRC = r"""
extern "C" [[noreturn]] void _start()
{
#if defined(__x86_64__)
	__asm__ volatile("mov $60, %eax\n\txor %edi, %edi\n\tsyscall");
#elif defined(__aarch64__)
	__asm__ volatile("mov x8, #93\n\tmov x0, #0\n\tsvc #0");
#else
#error "no exit system call written for this architecture"
#endif
	__builtin_unreachable();
}
"""

# The least this job can do: read the clock, write one line with a number, exit; no C library.
JOB_SRC = r"""
#if !defined(__x86_64__)
#error "no system calls written for this architecture"
#endif
static long sys(long n, long a, long b, long c)
{
	long r;
	__asm__ volatile("syscall" : "=a"(r) : "a"(n), "D"(a), "S"(b), "d"(c) : "rcx", "r11", "memory");
	return r;
}

// The kernel enters with the stack aligned as if a call were still to push its return address.
extern "C" [[noreturn, gnu::force_align_arg_pointer]] void _start()
{
	unsigned long t = static_cast<unsigned long>(sys(201, 0, 0, 0));  // time
	char line[32] = "random ";
	char *p = line + sizeof line;
	*--p = '\n';
	do
		*--p = static_cast<char>('0' + t % 10);
	while (t /= 10);
	for (int i = 6; i >= 0; i--)
		*--p = line[i];
	sys(1, 1, reinterpret_cast<long>(p), line + sizeof line - p);  // write
	sys(60, 0, 0, 0);  // exit
	__builtin_unreachable();
}
"""


def build(tmp, cxx, name, flags, source=None, text=None):
    """Compiles one program, from a source file or from text; None, with a message, on failure."""
    exe = os.path.join(tmp, name)
    if text is not None:
        source = os.path.join(tmp, name + ".cpp")
        with open(source, "w", encoding="ascii") as f:
            f.write(text)
    res = subprocess.run([cxx, "-O2", *flags, "-o", exe, source],
                         stderr=subprocess.PIPE, text=True, check=False)
    if res.returncode != 0:
        print(f"bench: cannot build {name}; skipping it:\n{res.stderr}", file=sys.stderr)
        return None
    return exe


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


def programs(randrange, tmp, cxx):
    """Lists (name, argv) of what is measured, leaving out what is not installed or built."""
    bare = ["-static", "-nostdlib", "-ffreestanding", "-fno-stack-protector"]
    floor = build(tmp, cxx, "floor", bare, text=FLOOR_SRC)
    job = build(tmp, cxx, "job", bare, text=JOB_SRC)
    glibc = build(tmp, cxx, "randrange-glibc",
                  ["-static-pie", "-fstack-protector-strong", "-D_FILE_OFFSET_BITS=64",
                   "-D_TIME_BITS=64"],
                  source=os.path.join(HERE, "..", "src", "randrange.cpp"))
    noop = build(tmp, cxx, "noop", ["-static-pie"], text="int main() { return 0; }\n")
    awk = "BEGIN{srand(); print int(10+rand()*10)}"
    wanted = [
        (RR, [randrange, "10", "20"]),
        (JOB, [job]),
        (FLOOR, [floor]),
        ("randrange 10 20, glibc static-pie", [glibc, "10", "20"]),
        ("glibc static-pie no-op", [noop]),
        ("/bin/true", ["/bin/true"]),
        (SHUF, shlex.split(SHUF)),
        ("awk 'BEGIN{srand(); ...}'", ["awk", awk]),
    ]
    found = []
    for name, argv in wanted:
        if argv[0] is None:
            continue
        if shutil.which(argv[0]) is None:
            print(f"bench: {argv[0]} is not installed; skipping it", file=sys.stderr)
        else:
            found.append((name, argv))
    return found


def wall(progs, runs, rounds, warmup, tmp):
    """Seconds per spawn of each program, over rounds of hyperfine runs: the median of all
    spawns, and the median of each round, for the spread of the ratios.

    The first program of a hyperfine run is often slowed far beyond its warm-up here, so each
    round starts with another one.
    """
    times = {name: [] for name, _ in progs}
    per_round_medians = {name: [] for name, _ in progs}
    out = os.path.join(tmp, "hyperfine.json")
    per_round = max(2, runs // rounds)
    for i in range(rounds):
        print(f"bench: wall time, round {i + 1} of {rounds}: {len(progs)} programs,"
              f" {per_round} spawns each", file=sys.stderr, flush=True)
        order = progs[i % len(progs):] + progs[:i % len(progs)]
        cmd = ["hyperfine", "-N", "--style", "none", "--warmup", str(warmup),
               "--runs", str(per_round), "--export-json", out]
        cmd += [shlex.join(argv) for _, argv in order]
        proc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                              check=False, env=ENV)
        if proc.returncode != 0:
            sys.exit(f"bench: hyperfine failed:\n{proc.stderr}")
        with open(out, encoding="utf-8") as f:
            results = json.load(f)["results"]
        for (name, _), result in zip(order, results):
            times[name] += result["times"]
            per_round_medians[name].append(statistics.median(result["times"]))
    return {name: statistics.median(t) for name, t in times.items()}, per_round_medians


def instructions(argv):
    """Instructions one run executes, as callgrind counts them; None without valgrind."""
    if shutil.which("valgrind") is None:
        return None
    res = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False,
                         env=ENV)
    m = re.search(r"Collected : (\d+)", res.stderr)
    return int(m.group(1)) if m else None


def memory(spawn, argv):
    """Median minor page faults and peak resident KiB of 21 runs, started by the spawn helper."""
    if spawn is None:
        return None, None
    res = subprocess.run([spawn, "21"] + argv, stdout=subprocess.PIPE, text=True, check=False,
                         env=ENV)
    if res.returncode != 0:
        sys.exit(f"bench: the spawn helper failed on {shlex.join(argv)}")
    rows = [line.split() for line in res.stdout.splitlines()]
    return (statistics.median(int(r[0]) for r in rows),
            statistics.median(int(r[1]) for r in rows))


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
    ap.add_argument("--cxx", default=os.environ.get("CXX", "c++"),
                    help="compiler for the floor and the glibc builds")
    ap.add_argument("--check", action="store_true", help="exit 1 when a target is missed")
    args = ap.parse_args()
    if shutil.which("hyperfine") is None:
        sys.exit("bench: hyperfine is not installed (Debian package hyperfine)")
    require_running(os.path.abspath(args.randrange))

    with tempfile.TemporaryDirectory() as tmp:
        progs = programs(os.path.abspath(args.randrange), tmp, args.cxx)
        secs, rounds = wall(progs, args.runs, args.rounds, args.warmup, tmp)
        insns = {}
        mem = {}
        spawn = build(tmp, args.cxx, "spawn", ["-static"], source=os.path.join(HERE, "spawn.cpp"))
        for name, argv in progs:
            print(f"bench: instructions and memory of {name}", file=sys.stderr, flush=True)
            insns[name] = instructions(argv)
            mem[name] = memory(spawn, argv)

    print(f"Machine: {machine()}; {args.runs} spawns per program in {args.rounds} rounds;"
          f" environment {shlex.join(f'{k}={v}' for k, v in ENV.items())}.\n")
    print("| program | median wall per spawn | vs exit floor | vs job floor | instructions"
          " | minor faults | peak RSS |")
    print("|---|---|---|---|---|---|---|")
    def ratio(name, base):
        """The ratio of two programs' median times, with its lowest and highest round."""
        if base not in secs:
            return "n/a"
        each = [a / b for a, b in zip(rounds[name], rounds[base])]
        return f"{secs[name] / secs[base]:.3f}x ({min(each):.2f}–{max(each):.2f})"

    for name, _ in progs:
        faults, peak = mem[name]
        print(f"| `{name}` | {secs[name] * 1e6:.0f} µs | {ratio(name, FLOOR)}"
              f" | {ratio(name, JOB)} | {shown(insns[name], ',')}"
              f" | {shown(faults, '.0f')} | {shown(peak, '.0f')} KiB |")

    # Faults and memory above the exit floor's: the kernel counts the spawning parent's
    # high-water mark in the child's peak, and that differs from system to system.
    faults, peak = mem[RR]
    print("\nTargets (ratios: median of all spawns, lowest and highest round in brackets):")
    checks = []
    if FLOOR in secs:
        checks.append(("wall time at most 1.30x the exit floor's", secs[RR] / secs[FLOOR] <= 1.30))
    if SHUF in secs:
        checks.append(("wall time at most 0.25x shuf's", secs[RR] / secs[SHUF] <= 0.25))
    if insns[RR] is not None:
        checks.append(("at most 6,000 instructions", insns[RR] <= 6000))
    if faults is not None and FLOOR in mem:
        checks.append(("at most 10 minor faults above the exit floor's",
                       faults - mem[FLOOR][0] <= 10))
    if peak is not None and FLOOR in mem:
        checks.append(("peak RSS at most 64 KiB above the exit floor's",
                       peak - mem[FLOOR][1] <= 64))
    for what, ok in checks:
        print(f"- {what}: {'met' if ok else 'MISSED'}")
    if args.check and not all(ok for _, ok in checks):
        sys.exit("bench: a target was missed")


if __name__ == "__main__":
    main()
