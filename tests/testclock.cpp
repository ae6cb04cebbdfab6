// Runs a command with the wall clock stopped at a chosen second, or failing when it is read:
//
//   testclock at SECOND COMMAND [ARG...]
//   testclock fail ERROR COMMAND [ARG...]
//
// It is a tracer, since no preload reaches a static binary, nor a static emulator running one.
// At each exec it hides the vDSO from the new program (AT_SYSINFO_EHDR in its auxiliary vector
// becomes AT_IGNORE), so that the C library reads the clock by system call; it then answers
// every wall-clock read of every thread and child (clock_gettime and clock_gettime64 for the
// realtime clocks, gettimeofday, time) with SECOND, or skips the call and fails it with ERROR.
// ERROR is a name, such as EPERM, since the numbers differ between architectures and an
// emulator translates this machine's into its guest's. It exits as the command does, and with
// 125 if it cannot trace here.
#include <algorithm>
#include <cerrno>
#include <csignal>
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

namespace {

enum class Kind : unsigned char { none, clock_gettime, clock_gettime64, gettimeofday, time };

// A system call in progress in one thread: what it is, and where it writes.
struct Call {
	Kind kind = Kind::none;
	uint64_t buf = 0;
	unsigned word = 8;
};

bool failing = false;
long long second = 0;
int error = 0;

[[noreturn]] void die(const char *what)
{
	(void)fprintf(stderr, "testclock: %s: %s\n", what, strerror(errno));
	exit(125);
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

// Writes the low word bytes of v, in this machine's byte order, to address at in pid.
void poke(pid_t pid, uint64_t at, uint64_t v, unsigned word)
{
	auto small = static_cast<uint32_t>(v);
	iovec local{word == 8 ? static_cast<void *>(&v) : static_cast<void *>(&small), word};
	iovec remote{reinterpret_cast<void *>(at), word};
	if (process_vm_writev(pid, &local, 1, &remote, 1, 0) != static_cast<ssize_t>(word))
		die("write to the traced process");
}

uint64_t peek(pid_t pid, uint64_t at, unsigned word)
{
	uint64_t v = 0;
	uint32_t small = 0;
	iovec local{word == 8 ? static_cast<void *>(&v) : static_cast<void *>(&small), word};
	iovec remote{reinterpret_cast<void *>(at), word};
	if (process_vm_readv(pid, &local, 1, &remote, 1, 0) != static_cast<ssize_t>(word))
		die("read from the traced process");
	return word == 8 ? v : small;
}

// The host registers that hold a system call's number and its result.
#if defined(__x86_64__)
void set_result(pid_t pid, int64_t v)
{
	user_regs_struct r{};
	if (ptrace(PTRACE_GETREGS, pid, nullptr, &r) != 0)
		die("PTRACE_GETREGS");
	r.rax = static_cast<uint64_t>(v);
	if (ptrace(PTRACE_SETREGS, pid, nullptr, &r) != 0)
		die("PTRACE_SETREGS");
}

void skip_call(pid_t pid)
{
	user_regs_struct r{};
	if (ptrace(PTRACE_GETREGS, pid, nullptr, &r) != 0)
		die("PTRACE_GETREGS");
	r.orig_rax = static_cast<uint64_t>(-1);
	if (ptrace(PTRACE_SETREGS, pid, nullptr, &r) != 0)
		die("PTRACE_SETREGS");
}
#elif defined(__aarch64__)
void set_result(pid_t pid, int64_t v)
{
	// x0 comes first both in a 64-bit process's registers and, as r0, in a 32-bit one's.
	uint64_t regs[34] = {};
	iovec iov{regs, sizeof regs};
	if (ptrace(PTRACE_GETREGSET, pid, NT_PRSTATUS, &iov) != 0)
		die("PTRACE_GETREGSET");
	if (iov.iov_len == sizeof regs)
		regs[0] = static_cast<uint64_t>(v);
	else
		std::memcpy(regs, &v, 4); // little-endian: the low half
	if (ptrace(PTRACE_SETREGSET, pid, NT_PRSTATUS, &iov) != 0)
		die("PTRACE_SETREGSET");
}

void skip_call(pid_t pid)
{
	int nr = -1;
	iovec iov{&nr, sizeof nr};
	if (ptrace(PTRACE_SETREGSET, pid, NT_ARM_SYSTEM_CALL, &iov) != 0)
		die("PTRACE_SETREGSET");
}
#else
#define NO_REGISTERS
#endif

// Hides the vDSO from the program that pid has just exec'd: the auxiliary vector follows
// argc, the argument vector and the environment on its new stack.
void hide_vdso(pid_t pid)
{
	__ptrace_syscall_info info{};
	if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0)
		die("PTRACE_GET_SYSCALL_INFO");
	const uint64_t sp = info.stack_pointer;

	// The new program's word size, from its ELF header; the tracee is still inside execve,
	// so the architecture the kernel reports is that of the program that called it.
	unsigned char ident[EI_NIDENT] = {};
	const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
	const int fd = open(exe.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0 || read(fd, ident, sizeof ident) != static_cast<ssize_t>(sizeof ident))
		die("read the new program's ELF header");
	close(fd);
	const unsigned w = ident[EI_CLASS] == ELFCLASS64 ? 8 : 4;

	uint64_t at = sp +
	    (static_cast<uint64_t>(w) * (peek(pid, sp, w) + 2)); // past argc, argv and its null
	while (peek(pid, at, w) != 0)
		at += w;
	for (at += w;; at += 2ULL * w) {
		const uint64_t type = peek(pid, at, w);
		if (type == AT_NULL)
			return;
		if (type == AT_SYSINFO_EHDR)
			poke(pid, at, AT_IGNORE, w);
	}
}

// Acts on one system-call stop of pid.
void syscall_stop(pid_t pid, std::map<pid_t, Call> &calls)
{
	__ptrace_syscall_info info{};
	if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0)
		die("PTRACE_GET_SYSCALL_INFO");
	if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
		uint64_t args[6];
		std::memcpy(args, info.entry.args, sizeof args);
		const Call c = classify(info.arch, info.entry.nr, args);
		calls[pid] = c;
		if (c.kind != Kind::none && failing)
			skip_call(pid); // so that nothing is written where the call would write
		return;
	}
	if (info.op != PTRACE_SYSCALL_INFO_EXIT)
		return;
	const Call c = calls[pid];
	calls[pid] = Call{};
	if (c.kind == Kind::none)
		return;
	if (failing) {
		set_result(pid, -error);
		return;
	}
	if (info.exit.is_error != 0)
		return;
	if (c.kind == Kind::time)
		set_result(pid, second);
	if (c.buf != 0)
		poke(pid, c.buf, static_cast<uint64_t>(second), c.word);
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
	const bool at = argc >= 4 && strcmp(argv[1], "at") == 0;
	if (failing)
		error = error_number(argv[2]);
	if (!(at && number(argv[2], &second)) && error == 0) {
		(void)fputs(
		    "usage: testclock at SECOND | fail EPERM|EACCES|EINVAL|EFAULT|ENOSYS|EOVERFLOW"
		    "  COMMAND [ARG...]\n",
		    stderr);
		return 2;
	}
#ifdef NO_REGISTERS
	(void)fprintf(stderr, "testclock: not written for this architecture\n");
	return 125;
#else
	const pid_t child = fork();
	if (child < 0)
		die("fork");
	if (child == 0) {
		if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
			die("PTRACE_TRACEME");
		(void)raise(SIGSTOP);
		execvp(argv[3], argv + 3);
		(void)fprintf(stderr, "testclock: %s: %s\n", argv[3], strerror(errno));
		_exit(127);
	}
	int status = 0;
	if (waitpid(child, &status, 0) != child || !WIFSTOPPED(status))
		die("wait for the child to stop");
	const long options = PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_TRACECLONE |
	    PTRACE_O_TRACEFORK | PTRACE_O_TRACEVFORK | PTRACE_O_EXITKILL;
	if (ptrace(PTRACE_SETOPTIONS, child, nullptr, options) != 0 ||
	    ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0)
		die("trace the child");

	std::map<pid_t, Call> calls{{child, Call{}}};
	int result = 0;
	for (;;) {
		const pid_t pid = waitpid(-1, &status, __WALL);
		if (pid < 0) {
			if (errno == EINTR)
				continue;
			if (errno == ECHILD)
				break;
			die("waitpid");
		}
		if (WIFEXITED(status) || WIFSIGNALED(status)) {
			if (pid == child)
				result = status;
			calls.erase(pid);
			continue;
		}
		int deliver = 0;
		const int sig = WSTOPSIG(status);
		const bool known = calls.count(pid) != 0;
		if (!known)
			calls[pid] = Call{}; // a new thread or child, which starts with a SIGSTOP
		if (sig == (SIGTRAP | 0x80))
			syscall_stop(pid, calls);
		else if (status >> 16 == PTRACE_EVENT_EXEC)
			hide_vdso(pid);
		else if (sig != SIGTRAP && (sig != SIGSTOP || known))
			deliver = sig;
		// A thread can vanish between its stop and this, when another one execs or exits.
		(void)ptrace(PTRACE_SYSCALL, pid, nullptr, deliver);
	}
	if (WIFSIGNALED(result)) {
		(void)signal(WTERMSIG(result), SIG_DFL);
		(void)raise(WTERMSIG(result));
	}
	return WIFEXITED(result) ? WEXITSTATUS(result) : 128 + WTERMSIG(result);
#endif
}
