// randrange: print a pseudo-random integer from the half-open range [begin, end).

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// Writes the one-line usage message to stderr.
void usage(const char *name)
{
	(void)std::fprintf(stderr, "usage: %s <begin> <end>\n", name);
}

// Converts s by the atoi rules into *v; false when the value does not fit an int.
bool bound(const char *s, int *v)
{
	errno = 0;
	const long n = std::strtol(s, nullptr, 10);
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
		std::exit(-1);
	}

	srandom(static_cast<unsigned>(std::time(nullptr)));
	const int r = begin + static_cast<int>(random() % (end - begin));

	// A full disk or a vanished reader shows up only when the buffer is flushed.
	if (std::fprintf(stdout, "random %d\n", r) < 0 || std::fclose(stdout) != 0) {
		(void)std::fprintf(stderr, "%s: write error: %s\n", name, std::strerror(errno));
		return 1;
	}
	return 0;
}
