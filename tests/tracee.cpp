// A program for testing the test clock itself: each mode does one thing a tracer can get wrong.
//
//   tracee threads STATUS  exits with STATUS while threads are busy reading the clock
//   tracee exec STATUS     execs itself to exit with STATUS from a second thread while the
//                          first is busy reading the clock
//   tracee unmap STATUS    exits with STATUS after a thread has read the clock into pages
//                          that another takes away and gives back as it reads (traced only:
//                          untraced, the vDSO writes there itself and faults)
//   tracee exit STATUS     exits with STATUS
//   tracee trap            says which signal its SIGTRAP handler saw
//   tracee stop            says what waitpid reports for a child that stops itself
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<long> reads{0};

// Reads the clock for ever, as a thread busy in system calls.
[[noreturn]] void busy()
{
	for (;;) {
		timespec t{};
		(void)clock_gettime(CLOCK_REALTIME, &t);
		(void)getppid();
		reads++;
	}
}

// Waits until the busy threads have read the clock n times in all.
void after_reads(long n)
{
	while (reads < n)
		std::this_thread::yield();
}

// Pages that one thread reads the clock into while another takes them away and gives them
// back; 64 KiB covers the largest page of any architecture here.
alignas(65536) char area[65536];

// Reads the clock for ever into area.
[[noreturn]] void busy_in_area()
{
	for (;;) {
		(void)clock_gettime(CLOCK_REALTIME, reinterpret_cast<timespec *>(area));
		reads++;
	}
}

// Takes area away and gives it back, for ever.
[[noreturn]] void toggle_area()
{
	for (;;) {
		(void)mprotect(area, sizeof area, PROT_NONE);
		(void)mprotect(area, sizeof area, PROT_READ | PROT_WRITE);
	}
}

volatile sig_atomic_t seen = 0;

} // namespace

int main(int argc, char *argv[])
{
	const std::string mode = argc > 1 ? argv[1] : "";
	const int status = argc > 2 ? static_cast<int>(strtol(argv[2], nullptr, 10)) : 0;
	if (mode == "exit")
		return status;
	if (mode == "threads") {
		for (int i = 0; i < 4; i++)
			std::thread(busy).detach();
		after_reads(20);
		exit(status);
	}
	if (mode == "unmap") {
		std::thread(busy_in_area).detach();
		std::thread(toggle_area).detach();
		after_reads(200);
		exit(status);
	}
	if (mode == "exec") {
		const std::string code = std::to_string(status);
		std::thread([&code] {
			after_reads(20);
			execl("/proc/self/exe", "tracee", "exit", code.c_str(), nullptr);
			perror("tracee: exec");
			_exit(126);
		}).detach();
		busy();
	}
	if (mode == "trap") {
		(void)signal(SIGTRAP, [](int sig) { seen = sig; });
		(void)kill(getpid(), SIGTRAP);
		printf("%s\n", seen == SIGTRAP ? "SIGTRAP" : "no SIGTRAP");
		return 0;
	}
	if (mode == "stop") {
		const pid_t child = fork();
		if (child == 0) {
			(void)kill(getpid(), SIGSTOP);
			_exit(0);
		}
		int s = 0;
		if (waitpid(child, &s, WUNTRACED) != child)
			return 1;
		printf("%s\n", WIFSTOPPED(s) ? "stopped" : "not stopped");
		(void)kill(child, SIGCONT);
		if (WIFSTOPPED(s) && waitpid(child, &s, 0) != child)
			return 1;
		printf("%s %d\n", WIFEXITED(s) ? "exited" : "killed",
		       WIFEXITED(s) ? WEXITSTATUS(s) : 0);
		return 0;
	}
	(void)fputs("usage: tracee threads|exec|unmap|exit STATUS | trap | stop\n", stderr);
	return 2;
}
