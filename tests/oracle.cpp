// Prints the first draw of the C library it is linked with for the seed in argv[1] and, given
// argv[2], that library's message for that error number: what randrange, linked alike, uses.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char *argv[])
{
	if (argc < 2)
		return 2;
	srandom(static_cast<unsigned>(strtoul(argv[1], nullptr, 10)));
	(void)printf("%ld\n", random());
	if (argc > 2)
		(void)printf("%s\n", strerror(static_cast<int>(strtol(argv[2], nullptr, 10))));
	return 0;
}
