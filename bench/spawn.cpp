// Runs a program N times from this small forking parent and prints, per run, the child's minor
// page faults and peak resident KiB as wait4 reports them.
//
// exec records the old address space's high-water mark as the child's, so the parent must be
// small and must fork, not vfork: a forked child copies only the parent's written pages.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
	static long faults[1000];
	static long peaks[1000];
	if (argc < 3)
		return 2;
	const long runs = strtol(argv[1], nullptr, 10);
	if (runs < 1 || runs > 1000)
		return 2;
	for (long i = 0; i < runs; i++) {
		const pid_t pid = fork();
		if (pid < 0)
			return 1;
		if (pid == 0) {
			// Its output would otherwise land in ours, which the benchmark reads.
			const int null = open("/dev/null", O_WRONLY);
			if (null < 0 || dup2(null, 1) < 0)
				_exit(127);
			execvp(argv[2], argv + 2);
			_exit(127);
		}
		int status = 0;
		rusage ru{};
		if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) ||
		    WEXITSTATUS(status) == 127)
			return 1;
		faults[i] = ru.ru_minflt;
		peaks[i] = ru.ru_maxrss;
	}
	for (long i = 0; i < runs; i++)
		printf("%ld %ld\n", faults[i], peaks[i]);
	return 0;
}
