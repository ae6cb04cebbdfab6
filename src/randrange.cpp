// randrange: print a pseudo-random integer from the half-open range [begin, end).

// The C headers, not <cstdio> and friends: those are libstdc++'s, written for glibc, and the
// default build compiles against musl with no C++ runtime at all.
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "seed.h"

// A 32-bit time_t runs out in 2038; from then on the seed would be a constant.
static_assert(sizeof(time_t) >= 8, "build with 64-bit time (-D_TIME_BITS=64)");

namespace {

// Writes the one-line usage message to stderr.
void usage(const char *name)
{
	(void)fprintf(stderr, "usage: %s <begin> <end>\n", name);
}

// Converts s by the atoi rules into *v; false when the value does not fit an int.
bool bound(const char *s, int *v)
{
	errno = 0;
	const long n = strtol(s, nullptr, 10);
	if (errno == ERANGE || n < INT_MIN || n > INT_MAX)
		return false;
	*v = static_cast<int>(n);
	return true;
}

} // namespace

int main(int argc, char *argv[])
{
	// An exec with an empty argument vector leaves nothing, or "", to show.
	const char *name = argc > 0 && argv[0][0] != '\0' ? argv[0] : "randrange";
	int begin = 0;
	int end = 0;

	if (argc != 3 || !bound(argv[1], &begin) || !bound(argv[2], &end) || begin < 0 ||
	    end <= begin) {
		usage(name);
		exit(-1);
	}

	// A value drawn from any seed but the time would look right and be the same every run.
	// Not time(): musl's cannot report a failure, and glibc's can take the last second of 1969
	// for one.
	//
	// Where the kernel (or a sandbox) says it has no clock_gettime, musl falls back on
	// gettimeofday and reports success whether or not that call filled anything in; a
	// nanosecond left out of range says it did not.
	timespec now{0, -1};
	const bool read = clock_gettime(CLOCK_REALTIME, &now) == 0;
	if (!read || now.tv_nsec < 0 || now.tv_nsec >= 1000000000) {
		(void)fprintf(stderr, "%s: cannot read the clock: %s\n", name,
		              strerror(read ? ENOSYS : errno));
		return 1;
	}
	srandom(seed(now.tv_sec));
	const int r = begin + static_cast<int>(random() % (end - begin));

	// A full disk or a vanished reader shows up only when the buffer is flushed.
	if (fprintf(stdout, "random %d\n", r) < 0 || fclose(stdout) != 0) {
		(void)fprintf(stderr, "%s: write error: %s\n", name, strerror(errno));
		return 1;
	}
	return 0;
}
