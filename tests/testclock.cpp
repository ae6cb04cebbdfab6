// Runs a command with the wall clock stopped at a chosen second, or failing when it is read:
//
//   testclock at SECOND COMMAND [ARG...]
//   testclock fail ERROR COMMAND [ARG...]
//   testclock old SECOND COMMAND [ARG...]
//
// It is a tracer, since no preload reaches a static binary, nor a static emulator running one.
// At each exec it hides the vDSO from the new program (AT_SYSINFO_EHDR in its auxiliary vector
// becomes AT_IGNORE), so that the C library reads the clock by system call; it then answers
// every wall-clock read of every thread and child (clock_gettime and clock_gettime64 for the
// realtime clocks, gettimeofday, time) with SECOND, or skips the call and fails it with ERROR.
// ERROR is a name, such as EPERM, since the numbers differ between architectures and an
// emulator translates this machine's into its guest's. With old, the clock is SECOND as a
// kernel without clock_gettime shows it: that call fails with ENOSYS, the others answer. Otherwise
// the command runs as it would untraced: its signals reach it and its job-control stops stay stops.
// It exits as the command does, and with 125 if it cannot trace here.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <iterator>
#include <linux/audit.h>
#include <map>
#include <string>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

enum class Kind : unsigned char { none, clock_gettime, clock_gettime64, gettimeofday, time };

// A system call in progress in one thread: what it is, and where it writes.
struct Call {
	Kind kind = Kind::none;
	uint64_t buf = 0;
	unsigned word = 8;
	bool fail = false;
};

// Thrown when a stopped thread is gone before the tracer is done with it: another thread's
// exit or exec kills it at any moment, which is no error of the tracer's.
struct Gone {};

bool failing = false;
bool old = false;
long long second = 0;
int error = 0;

[[noreturn]] void die(const char *what)
{
	(void)fprintf(stderr, "testclock: %s: %s\n", what, strerror(errno));
	exit(125);
}

// Checks the outcome of a request about a stopped thread.
void check(bool ok, const char *what)
{
	if (ok)
		return;
	if (errno == ESRCH)
		throw Gone{};
	die(what);
}

// What the call nr with these arguments is, in a process of this audit architecture. The
// numbers are each architecture's own; a realtime clock is CLOCK_REALTIME (0) or its coarse
// variant (5).
Call classify(uint32_t arch, uint64_t nr, const uint64_t *args)
{
	struct Entry {
		uint64_t nr;
		uint32_t arch;
		Kind kind;
	};
	static const Entry table[] = {
	    {228, AUDIT_ARCH_X86_64, Kind::clock_gettime},
	    {96, AUDIT_ARCH_X86_64, Kind::gettimeofday},
	    {201, AUDIT_ARCH_X86_64, Kind::time},
	    {265, AUDIT_ARCH_I386, Kind::clock_gettime},
	    {403, AUDIT_ARCH_I386, Kind::clock_gettime64},
	    {78, AUDIT_ARCH_I386, Kind::gettimeofday},
	    {13, AUDIT_ARCH_I386, Kind::time},
	    {113, AUDIT_ARCH_AARCH64, Kind::clock_gettime},
	    {169, AUDIT_ARCH_AARCH64, Kind::gettimeofday},
	    {263, AUDIT_ARCH_ARM, Kind::clock_gettime},
	    {403, AUDIT_ARCH_ARM, Kind::clock_gettime64},
	    {78, AUDIT_ARCH_ARM, Kind::gettimeofday},
	    {5222, AUDIT_ARCH_MIPSEL64, Kind::clock_gettime},
	    {5094, AUDIT_ARCH_MIPSEL64, Kind::gettimeofday},
	    {4263, AUDIT_ARCH_MIPSEL, Kind::clock_gettime},
	    {4403, AUDIT_ARCH_MIPSEL, Kind::clock_gettime64},
	    {4078, AUDIT_ARCH_MIPSEL, Kind::gettimeofday},
	    {4013, AUDIT_ARCH_MIPSEL, Kind::time},
	    {246, AUDIT_ARCH_PPC64LE, Kind::clock_gettime},
	    {78, AUDIT_ARCH_PPC64LE, Kind::gettimeofday},
	    {13, AUDIT_ARCH_PPC64LE, Kind::time},
	    {260, AUDIT_ARCH_S390X, Kind::clock_gettime},
	    {78, AUDIT_ARCH_S390X, Kind::gettimeofday},
	    {113, AUDIT_ARCH_RISCV64, Kind::clock_gettime},
	    {169, AUDIT_ARCH_RISCV64, Kind::gettimeofday},
	};
	Call c;
	c.word = (arch & __AUDIT_ARCH_64BIT) != 0 ? 8 : 4;
	for (const Entry &e : table) {
		if (e.arch != arch || e.nr != nr)
			continue;
		const bool clock = e.kind == Kind::clock_gettime || e.kind == Kind::clock_gettime64;
		if (clock && (args[0] & 0xffffffff) != 0 && (args[0] & 0xffffffff) != 5)
			break;
		c.kind = e.kind;
		c.buf = clock ? args[1] : args[0];
		if (e.kind == Kind::clock_gettime64)
			c.word = 8;
	}
	return c;
}

// Writes the low word bytes of v, in this machine's byte order, to address at in pid; false
// where nothing is mapped there.
bool poke(pid_t pid, uint64_t at, uint64_t v, unsigned word)
{
	auto small = static_cast<uint32_t>(v);
	iovec local{word == 8 ? static_cast<void *>(&v) : static_cast<void *>(&small), word};
	iovec remote{reinterpret_cast<void *>(at), word};
	const bool ok =
	    process_vm_writev(pid, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(word);
	if (!ok && errno == EFAULT)
		return false;
	check(ok, "write to the traced process");
	return true;
}

uint64_t peek(pid_t pid, uint64_t at, unsigned word)
{
	uint64_t v = 0;
	uint32_t small = 0;
	iovec local{word == 8 ? static_cast<void *>(&v) : static_cast<void *>(&small), word};
	iovec remote{reinterpret_cast<void *>(at), word};
	check(process_vm_readv(pid, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(word),
	      "read from the traced process");
	if (word == 4)
		v = small;
	return v;
}

// Sets the word at offset at of the user area of a thread stopped in a system call.
[[maybe_unused]] void poke_user(pid_t pid, size_t at, long v)
{
	check(ptrace(PTRACE_POKEUSER, pid, at, v) == 0, "PTRACE_POKEUSER");
}

[[maybe_unused]] long peek_user(pid_t pid, size_t at)
{
	errno = 0;
	const long v = ptrace(PTRACE_PEEKUSER, pid, at, nullptr);
	check(errno == 0, "PTRACE_PEEKUSER");
	return v;
}

// The general registers of a thread, as a regset, for hosts that have no user area to poke.
template <typename Regs> struct Regset {
	Regs regs{};
	iovec iov{&regs, sizeof regs};
	pid_t pid;
	explicit Regset(pid_t p) : pid(p)
	{
		check(ptrace(PTRACE_GETREGSET, pid, NT_PRSTATUS, &iov) == 0, "PTRACE_GETREGSET");
	}
	void store()
	{
		check(ptrace(PTRACE_SETREGSET, pid, NT_PRSTATUS, &iov) == 0, "PTRACE_SETREGSET");
	}
};

// For each host: set_result makes the stopped call return v (minus an error number for a
// failure), at its exit stop; skip_call, at its entry stop, makes the kernel run no call at
// all, so that it writes nothing. A call numbered -1 is none on every architecture.
#if defined(__x86_64__)
void set_result(pid_t pid, long v)
{
	poke_user(pid, offsetof(user, regs.rax), v);
}

void skip_call(pid_t pid)
{
	poke_user(pid, offsetof(user, regs.orig_rax), -1);
}
#elif defined(__i386__)
void set_result(pid_t pid, long v)
{
	poke_user(pid, offsetof(user, regs.eax), v);
}

void skip_call(pid_t pid)
{
	poke_user(pid, offsetof(user, regs.orig_eax), -1);
}
#elif defined(__aarch64__)
void set_result(pid_t pid, long v)
{
	// x0 comes first both in a 64-bit process's registers and, as r0, in a 32-bit one's.
	Regset<uint64_t[34]> r(pid);
	if (r.iov.iov_len == sizeof r.regs)
		r.regs[0] = static_cast<uint64_t>(v);
	else
		std::memcpy(r.regs, &v, 4); // little-endian: the low half
	r.store();
}

void skip_call(pid_t pid)
{
	int nr = -1;
	iovec iov{&nr, sizeof nr};
	check(ptrace(PTRACE_SETREGSET, pid, NT_ARM_SYSTEM_CALL, &iov) == 0, "PTRACE_SETREGSET");
}
#elif defined(__arm__)
void set_result(pid_t pid, long v)
{
	poke_user(pid, offsetof(user, regs.uregs[0]), v);
}

void skip_call(pid_t pid)
{
	// The call's number is not in any register the kernel reads back.
	check(ptrace(static_cast<__ptrace_request>(23 /* PTRACE_SET_SYSCALL */), pid, nullptr,
	             -1) == 0,
	      "PTRACE_SET_SYSCALL");
}
#elif defined(__mips__)
// Registers by number in the user area: v0 holds the call's number on entry and its result
// on exit, and a3 says whether that result is an error number.
void set_result(pid_t pid, long v)
{
	poke_user(pid, 2, v < 0 ? -v : v);
	poke_user(pid, 7, v < 0 ? 1 : 0);
}

void skip_call(pid_t pid)
{
	poke_user(pid, 2, -1);
}
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Words of the user area: r0 holds the call's number, r3 its result. A call made with sc
// reports an error as a positive number with the summary-overflow bit of cr0 set; one made
// with scv, which the trap word tells, as a negative number.
constexpr size_t r0 = 0, r3 = 3 * 8, ccr = 38 * 8, trap = 40 * 8;
void set_result(pid_t pid, long v)
{
	if ((peek_user(pid, trap) & 0xfff0) == 0x3000) {
		poke_user(pid, r3, v);
		return;
	}
	const long so = 0x10000000;
	const long cr = peek_user(pid, ccr);
	poke_user(pid, r3, v < 0 ? -v : v);
	poke_user(pid, ccr, v < 0 ? cr | so : cr & ~so);
}

void skip_call(pid_t pid)
{
	poke_user(pid, r0, -1);
}
#elif defined(__s390x__)
// gpr2 holds both the call's number, at entry, and its result.
void set_result(pid_t pid, long v)
{
	poke_user(pid, offsetof(user, regs.gprs[2]), v);
}

void skip_call(pid_t pid)
{
	poke_user(pid, offsetof(user, regs.gprs[2]), -1);
}
#elif defined(__riscv) && __riscv_xlen == 64
// The general registers from pc on: a0, the result, is the eleventh; a7, the number, the
// eighteenth.
void set_result(pid_t pid, long v)
{
	Regset<unsigned long[32]> r(pid);
	r.regs[10] = static_cast<unsigned long>(v);
	r.store();
}

void skip_call(pid_t pid)
{
	Regset<unsigned long[32]> r(pid);
	r.regs[17] = static_cast<unsigned long>(-1L);
	r.store();
}
#else
#define NO_REGISTERS
void set_result(pid_t, long)
{
}
void skip_call(pid_t)
{
}
#endif

// Hides the vDSO from the program that pid has just exec'd: the auxiliary vector follows
// argc, the argument vector and the environment on its new stack.
void hide_vdso(pid_t pid)
{
	__ptrace_syscall_info info{};
	check(ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) > 0,
	      "PTRACE_GET_SYSCALL_INFO");
	const uint64_t sp = info.stack_pointer;

	// The new program's word size, from its ELF header; the tracee is still inside execve,
	// so the architecture the kernel reports is that of the program that called it.
	unsigned char ident[EI_NIDENT] = {};
	const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
	const int fd = open(exe.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0 && errno == ENOENT)
		throw Gone{};
	if (fd < 0 || read(fd, ident, sizeof ident) != static_cast<ssize_t>(sizeof ident))
		die("read the new program's ELF header");
	close(fd);
	const unsigned w = ident[EI_CLASS] == ELFCLASS64 ? 8 : 4;

	uint64_t at = sp +
	    (static_cast<uint64_t>(w) * (peek(pid, sp, w) + 2)); // past argc, argv and its null
	// cppcheck 2.17 does not see process_vm_readv fill the buffer that peek returns.
	// cppcheck-suppress knownConditionTrueFalse
	while (peek(pid, at, w) != 0)
		at += w;
	for (at += w;; at += 2ULL * w) {
		const uint64_t type = peek(pid, at, w);
		if (type == AT_NULL)
			return;
		if (type == AT_SYSINFO_EHDR && !poke(pid, at, AT_IGNORE, w))
			die("write to the new program's stack");
	}
}

// Acts on one system-call stop of pid, whose pending call is c.
void syscall_stop(pid_t pid, Call &c)
{
	__ptrace_syscall_info info{};
	check(ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) > 0,
	      "PTRACE_GET_SYSCALL_INFO");
	if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
		uint64_t args[6];
		std::memcpy(args, info.entry.args, sizeof args);
		c = classify(info.arch, info.entry.nr, args);
		c.fail = c.kind != Kind::none &&
		    (failing ||
		     (old && (c.kind == Kind::clock_gettime || c.kind == Kind::clock_gettime64)));
		if (c.fail)
			skip_call(pid); // so that nothing is written where the call would write
		return;
	}
	if (info.op != PTRACE_SYSCALL_INFO_EXIT)
		return;
	const Call done = c;
	c = Call{};
	if (done.kind == Kind::none)
		return;
	if (done.fail) {
		set_result(pid, -error);
		return;
	}
	if (info.exit.is_error != 0)
		return;
	if (done.kind == Kind::time)
		set_result(pid, static_cast<long>(second));
	// The kernel wrote there, so it was mapped; where another thread has unmapped it since,
	// nothing can read it any more, and the call stands as the kernel made it.
	if (done.buf != 0)
		(void)poke(pid, done.buf, static_cast<uint64_t>(second), done.word);
}

// Acts on one stop of pid and says how to resume it: the signal to deliver, or -1 to leave
// it in a job-control stop until a signal wakes it.
int act(pid_t pid, int status, std::map<pid_t, Call> &calls)
{
	const int sig = WSTOPSIG(status);
	const int event = status >> 16;
	if (sig == (SIGTRAP | 0x80)) {
		syscall_stop(pid, calls[pid]);
		return 0;
	}
	if (event == PTRACE_EVENT_EXEC) {
		// The exec'ing thread now has the leader's id, and none of its calls is pending;
		// a call the leader had pending died with the leader.
		unsigned long former = 0;
		check(ptrace(PTRACE_GETEVENTMSG, pid, nullptr, &former) == 0, "PTRACE_GETEVENTMSG");
		calls.erase(static_cast<pid_t>(former));
		calls[pid] = Call{};
		hide_vdso(pid);
		return 0;
	}
	if (event == PTRACE_EVENT_STOP) {
		// A job-control stop, or a new thread's or child's first stop.
		const bool job =
		    sig == SIGSTOP || sig == SIGTSTP || sig == SIGTTIN || sig == SIGTTOU;
		return job ? -1 : 0;
	}
	if (event != 0)
		return 0; // a clone, fork or vfork: the new one reports on its own
	return sig;       // a signal on its way to the program, which must get it
}

// Parses a decimal number that must be all of s.
bool number(const char *s, long long *v)
{
	char *end = nullptr;
	errno = 0;
	*v = strtoll(s, &end, 10);
	return errno == 0 && end != s && *end == '\0';
}

// This machine's number for the error named s; 0 for a name it does not know.
int error_number(const char *s)
{
	struct Error {
		const char *name;
		int number;
	};
	static const Error errors[] = {{"EPERM", EPERM},   {"EACCES", EACCES},
	                               {"EINVAL", EINVAL}, {"EFAULT", EFAULT},
	                               {"ENOSYS", ENOSYS}, {"EOVERFLOW", EOVERFLOW}};
	const Error *e = std::find_if(std::begin(errors), std::end(errors),
	                              [s](const Error &x) { return strcmp(s, x.name) == 0; });
	return e == std::end(errors) ? 0 : e->number;
}

} // namespace

int main(int argc, char *argv[])
{
	failing = argc >= 4 && strcmp(argv[1], "fail") == 0;
	old = argc >= 4 && strcmp(argv[1], "old") == 0;
	const bool at = old || (argc >= 4 && strcmp(argv[1], "at") == 0);
	if (failing)
		error = error_number(argv[2]);
	if (old)
		error = ENOSYS;
	if (failing ? error == 0 : !(at && number(argv[2], &second))) {
		(void)fputs("usage: testclock at|old SECOND | fail "
		            "EPERM|EACCES|EINVAL|EFAULT|ENOSYS|EOVERFLOW  COMMAND [ARG...]\n",
		            stderr);
		return 2;
	}
#ifdef NO_REGISTERS
	(void)fprintf(stderr, "testclock: not written for this architecture\n");
	return 125;
#endif
	// The child waits on a pipe until it is traced, then execs the command.
	int go[2];
	if (pipe2(go, O_CLOEXEC) != 0)
		die("pipe");
	const pid_t child = fork();
	if (child < 0)
		die("fork");
	if (child == 0) {
		char byte = 0;
		close(go[1]);
		if (read(go[0], &byte, 1) != 1)
			_exit(125);
		execvp(argv[3], argv + 3);
		(void)fprintf(stderr, "testclock: %s: %s\n", argv[3], strerror(errno));
		_exit(127);
	}
	close(go[0]);
	// Seized, not attached, so that a job-control stop can stay a stop (PTRACE_LISTEN), and
	// a SIGTRAP is the program's own.
	const long options = PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_TRACECLONE |
	    PTRACE_O_TRACEFORK | PTRACE_O_TRACEVFORK | PTRACE_O_EXITKILL;
	int status = 0;
	if (ptrace(PTRACE_SEIZE, child, nullptr, options) != 0 ||
	    ptrace(PTRACE_INTERRUPT, child, nullptr, nullptr) != 0 ||
	    waitpid(child, &status, __WALL) != child ||
	    ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0)
		die("trace the child");
	const char byte = 0;
	if (write(go[1], &byte, 1) != 1)
		die("start the child");
	close(go[1]);

	std::map<pid_t, Call> calls;
	std::vector<std::pair<pid_t, int>> ready;
	int result = 0;
	for (;;) {
		// Every stop there is, before any is resumed: waitpid reports the first ready
		// thread of its list, and on one processor a thread busy in system calls is ready
		// again each time, which would leave the others stopped for ever.
		ready.clear();
		for (int flags = __WALL;;) {
			const pid_t pid = waitpid(-1, &status, flags);
			if (pid > 0) {
				ready.emplace_back(pid, status);
				flags = __WALL | WNOHANG;
			} else if (pid == 0 || errno == ECHILD) {
				break;
			} else if (errno != EINTR) {
				die("waitpid");
			}
		}
		if (ready.empty())
			break;
		for (const auto &[pid, st] : ready) {
			if (WIFEXITED(st) || WIFSIGNALED(st)) {
				if (pid == child)
					result = st;
				calls.erase(pid);
				continue;
			}
			try {
				const int deliver = act(pid, st, calls);
				if (deliver < 0)
					check(ptrace(PTRACE_LISTEN, pid, nullptr, nullptr) == 0,
					      "PTRACE_LISTEN");
				else
					check(ptrace(PTRACE_SYSCALL, pid, nullptr, deliver) == 0,
					      "PTRACE_SYSCALL");
			} catch (const Gone &) {
				calls.erase(pid); // its exit is still to be reported
			}
		}
	}
	if (WIFSIGNALED(result)) {
		(void)signal(WTERMSIG(result), SIG_DFL);
		(void)raise(WTERMSIG(result));
	}
	return WIFEXITED(result) ? WEXITSTATUS(result) : 128 + WTERMSIG(result);
}
