// bench_spawn ROUNDS PER PROGRAM [ARG...] [-- PROGRAM [ARG...]]...
//
// Spawns each program PER times in each of ROUNDS rounds, one spawn of each in turn, in an
// order shuffled anew for every turn, after one untimed round. Prints, per timed spawn, the
// round, the program's index, the nanoseconds from before fork to after wait4, and the
// child's minor page faults and peak resident KiB as wait4 reports them.
//
// exec records the old address space's high-water mark as the child's, so the parent must be
// small and must fork, not vfork: a forked child copies only the parent's written pages.
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

// Runs argv once with its output sent to /dev/null; false when it did not run and exit 0.
bool spawn(char *const argv[], long *ns, long *faults, long *peak)
{
	timespec t0{};
	timespec t1{};
	(void)clock_gettime(CLOCK_MONOTONIC, &t0);
	const pid_t pid = fork();
	if (pid < 0)
		return false;
	if (pid == 0) {
		const int null = open("/dev/null", O_WRONLY);
		if (null < 0 || dup2(null, 1) < 0)
			_exit(127);
		execvp(argv[0], argv);
		_exit(127);
	}
	int status = 0;
	rusage ru{};
	const bool ok =
	    wait4(pid, &status, 0, &ru) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
	(void)clock_gettime(CLOCK_MONOTONIC, &t1);
	*ns = ((t1.tv_sec - t0.tv_sec) * 1000000000L) + (t1.tv_nsec - t0.tv_nsec);
	*faults = ru.ru_minflt;
	*peak = ru.ru_maxrss;
	return ok;
}

} // namespace

int main(int argc, char *argv[])
{
	if (argc < 4) {
		(void)fprintf(stderr,
		              "usage: bench_spawn ROUNDS PER PROGRAM [ARG...] [-- PROGRAM...]\n");
		return 2;
	}
	const long rounds = strtol(argv[1], nullptr, 10);
	const long per = strtol(argv[2], nullptr, 10);
	// Each program's argument vector, cut out of ours at the "--" between them.
	char **progs[64];
	int n = 0;
	progs[n++] = argv + 3;
	for (int i = 3; i < argc && n < 64; i++) {
		if (strcmp(argv[i], "--") == 0) {
			argv[i] = nullptr;
			progs[n++] = argv + i + 1;
		}
	}
	for (int i = 0; i < n; i++)
		if (progs[i][0] == nullptr)
			return 2;
	if (rounds < 1 || per < 1)
		return 2;

	uint64_t rng = 0x9e3779b97f4a7c15; // a fixed sequence of orders, the same every run
	int order[64];
	for (int i = 0; i < n; i++)
		order[i] = i;
	for (long r = -1; r < rounds; r++) {
		for (long k = 0; k < per; k++) {
			for (int i = n - 1; i > 0; i--) {
				rng ^= rng << 13;
				rng ^= rng >> 7;
				rng ^= rng << 17;
				const auto j = static_cast<int>(rng % static_cast<uint64_t>(i + 1));
				const int swap = order[i];
				order[i] = order[j];
				order[j] = swap;
			}
			for (int i = 0; i < n; i++) {
				long ns = 0;
				long faults = 0;
				long peak = 0;
				if (!spawn(progs[order[i]], &ns, &faults, &peak)) {
					(void)fprintf(stderr,
					              "bench_spawn: %s did not run and exit 0\n",
					              progs[order[i]][0]);
					return 1;
				}
				if (r >= 0)
					(void)printf("%ld %d %ld %ld %ld\n", r, order[i], ns,
					             faults, peak);
			}
		}
		if (r < 0)
			continue;
		// Output buffered to the end would grow the parent, and with it every child's peak.
		(void)fflush(stdout);
	}
	return fclose(stdout) == 0 ? 0 : 1;
}
