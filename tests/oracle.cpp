// Prints the first draw, seeded as randrange seeds it, for COUNT seconds from FIRST on, STEP
// apart; then, given ERRNO, the C library's message for it. Linked with randrange's C library,
// it says what randrange prints.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "seed.h"

int main(int argc, const char *const argv[])
{
	if (argc < 4) {
		(void)fprintf(stderr, "usage: oracle FIRST STEP COUNT [ERRNO]\n");
		return 2;
	}
	const long long first = strtoll(argv[1], nullptr, 10);
	const long long step = strtoll(argv[2], nullptr, 10);
	const long long count = strtoll(argv[3], nullptr, 10);
	for (long long i = 0; i < count; i++) {
		srandom(seed(first + (i * step)));
		(void)printf("%ld\n", random());
	}
	if (argc > 4)
		(void)printf("%s\n", strerror(static_cast<int>(strtol(argv[4], nullptr, 10))));
	return 0;
}
