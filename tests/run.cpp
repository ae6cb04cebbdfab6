#include "run.hpp"
#include "emulator.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <map>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// CMAKE_CROSSCOMPILING_EMULATOR and its arguments; empty when the binary runs natively.
const std::vector<std::string> &emulator()
{
	static const std::vector<std::string> v = RANDRANGE_EMULATOR;
	return v;
}

std::vector<char *> pointers(const std::vector<std::string> &v)
{
	std::vector<char *> p(v.size() + 1, nullptr);
	std::transform(v.begin(), v.end(), p.begin(),
	               [](const std::string &s) { return const_cast<char *>(s.c_str()); });
	return p;
}

void check(bool ok, const char *what)
{
	if (!ok)
		throw std::runtime_error(what);
}

// Makes close(1) fail with EIO in this process and what it execs; false if it cannot.
bool fail_close_of_stdout()
{
	// The low half of the first argument, wherever the byte order puts it.
	const auto fd =
	    offsetof(seccomp_data, args) + (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0);
	sock_filter filter[] = {
	    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
	    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_close, 0, 3),
	    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, fd),
	    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 1, 0, 1),
	    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
	    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
	};
	const sock_fprog prog{sizeof filter / sizeof filter[0], filter};
	return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
	    prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

// Reads both pipes to their ends, whichever the child fills first.
void drain(int out, int err, Result &r)
{
	pollfd fds[] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
	std::string *dest[] = {&r.out, &r.err};
	int left = (out >= 0) + (err >= 0);
	while (left > 0) {
		if (poll(fds, 2, -1) < 0) {
			check(errno == EINTR, "poll");
			continue;
		}
		for (int i = 0; i < 2; i++) {
			if (fds[i].fd < 0 || fds[i].revents == 0)
				continue;
			char buf[4096];
			const ssize_t n = read(fds[i].fd, buf, sizeof buf);
			if (n > 0) {
				dest[i]->append(buf, static_cast<size_t>(n));
			} else {
				close(fds[i].fd);
				fds[i].fd = -1;
				left--;
			}
		}
	}
}

} // namespace

Result run(const Invocation &inv)
{
	// qemu-user's -0 sets entry 0 for the program it runs, which keeps what the test chose.
	const std::vector<std::string> &emu = emulator();
	std::vector<std::string> args = inv.argv;
	std::string file = inv.path;
	if (!emu.empty()) {
		check(!inv.argv.empty(), "an emulator cannot start a program with an empty argv");
		args = emu;
		args.insert(args.end(), {"-0", inv.argv[0], inv.path});
		args.insert(args.end(), inv.argv.begin() + 1, inv.argv.end());
		file = emu[0];
	}
	if (!inv.clock.empty()) {
		check(inv.clock.size() == 2 && !inv.argv.empty(),
		      "a clock takes a mode and a value");
		if (emu.empty())
			args[0] = inv.path;
		args.insert(args.begin(), {RANDRANGE_CLOCK, inv.clock[0], inv.clock[1]});
		file = RANDRANGE_CLOCK;
	}
	std::vector<std::string> vars;
	if (inv.env)
		vars = *inv.env;
	else
		for (char **e = environ; *e != nullptr; e++)
			vars.emplace_back(*e);
	// LeakSanitizer cannot work under a tracer; first, so that it wins over one inherited.
	if (!inv.clock.empty())
		vars.insert(vars.begin(), "ASAN_OPTIONS=detect_leaks=0");
	auto argv = pointers(args);
	auto envp = pointers(vars);
	char **env = envp.data();

	int out[2];
	int err[2];
	check(pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
	const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
	check(full >= 0, "open /dev/full");
	if (inv.out == Out::broken)
		close(out[0]); // no reader: the write end then fails with EPIPE
	int tty = -1;
	if (inv.out == Out::hungup) {
		// Writes to a terminal whose master is gone fail with EIO, line by line.
		const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
		check(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0, "pty");
		tty = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
		check(tty >= 0, "open pty");
		close(master);
	}

	const pid_t pid = fork();
	check(pid >= 0, "fork");
	if (pid == 0) {
		if (inv.close_stdin)
			close(0);
		if (inv.out == Out::closed)
			close(1);
		else if (inv.out == Out::full)
			dup2(full, 1);
		else if (inv.out == Out::hungup)
			dup2(tty, 1);
		else
			dup2(out[1], 1);
		dup2(err[1], 2);
		// An ignored signal stays ignored across exec.
		if (inv.out == Out::broken)
			(void)signal(SIGPIPE, SIG_IGN);
		if (!inv.dir.empty() && chdir(inv.dir.c_str()) != 0)
			_exit(126);
		if (inv.out == Out::unclosable && !fail_close_of_stdout())
			_exit(125);
		execvpe(file.c_str(), argv.data(), env);
		_exit(127);
	}
	if (tty >= 0)
		close(tty);
	close(full);
	close(out[1]);
	close(err[1]);

	Result r;
	drain(inv.out == Out::broken ? -1 : out[0], err[0], r);
	int status = 0;
	check(waitpid(pid, &status, 0) == pid, "waitpid");
	r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
	return r;
}

void PrintTo(const Result &r, std::ostream *os)
{
	*os << "{out \"" << r.out << "\", err \"" << r.err << "\", status " << r.status << "}";
}

Result run(const std::vector<std::string> &argv)
{
	return run(Invocation{argv});
}

Result usage(const std::string &name)
{
	return {"", "usage: " + name + " <begin> <end>\n", 255};
}

// Runs the oracle, which is linked with the same C library as randrange: its output for count
// seconds from first on, step apart, and the message for err when one is given.
std::string oracle(std::time_t first, long long step, long long count, const std::string &err = "")
{
	std::vector<std::string> argv{"oracle", std::to_string(first), std::to_string(step),
	                              std::to_string(count)};
	if (!err.empty())
		argv.push_back(err);
	const Result r = run(Invocation{argv, RANDRANGE_ORACLE});
	check(r.status == 0 && r.err.empty(), "oracle failed");
	return r.out;
}

std::vector<long> draws(std::time_t first, long long step, long long count)
{
	std::vector<long> v;
	v.reserve(static_cast<size_t>(count));
	std::istringstream in(oracle(first, step, count));
	for (long d = 0; in >> d;)
		v.push_back(d);
	check(v.size() == static_cast<size_t>(count), "oracle printed too few draws");
	return v;
}

std::string line(std::time_t t, int begin, int end)
{
	static std::map<std::time_t, long> memo;
	auto it = memo.find(t);
	if (it == memo.end())
		it = memo.emplace(t, draws(t, 1, 1)[0]).first;
	return "random " + std::to_string(begin + (it->second % (end - begin))) + "\n";
}

std::string message(int err)
{
	return oracle(0, 1, 0, std::to_string(err));
}

bool emulated()
{
	return !emulator().empty();
}

std::string no_clock()
{
	static const std::string why = [] {
		// The program itself, for it is sure to exist wherever the tests run.
		Invocation inv{{RANDRANGE_BIN, "0", "1"}};
		inv.clock = {"at", "0"};
		const Result r = run(inv);
		return r.status == 125 ? "the test clock cannot run here: " + r.err : std::string();
	}();
	return why;
}

void Traced::SetUp()
{
	if (const std::string why = no_clock(); !why.empty())
		RANDRANGE_SKIP(why);
}

namespace {

// The current second, as the program reads it.
std::time_t second()
{
	timespec now{};
	check(clock_gettime(CLOCK_REALTIME, &now) == 0, "clock_gettime");
	return now.tv_sec;
}

} // namespace

Result timed(const Invocation &inv, std::time_t *t)
{
	for (int tries = 0; tries < 200; tries++) {
		const std::time_t before = second();
		Result r = run(inv);
		*t = second();
		if (*t == before)
			return r;
	}
	throw std::runtime_error("no run started and ended within one second");
}
