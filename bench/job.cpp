// The least this job can do: read the clock, write one line with a number and exit, with no C
// library to start.
#if !defined(__x86_64__)
// cppcheck-suppress preprocessorErrorDirective
#error "no system calls written for this architecture"
#endif

namespace {

long sys(long n, long a, long b, long c)
{
	long r = 0;
	__asm__ volatile("syscall"
	                 : "=a"(r)
	                 : "a"(n), "D"(a), "S"(b), "d"(c)
	                 : "rcx", "r11", "memory");
	return r;
}

} // namespace

// The kernel enters with the stack aligned as if a call were still to push its return address.
extern "C" [[noreturn, gnu::force_align_arg_pointer]] void _start()
{
	auto t = static_cast<unsigned long>(sys(201, 0, 0, 0)); // time
	char line[32] = "random ";
	char *p = line + sizeof line;
	*--p = '\n';
	do
		*--p = static_cast<char>('0' + (t % 10));
	while ((t /= 10) != 0);
	for (int i = 6; i >= 0; i--)
		*--p = line[i];
	(void)sys(1, 1, reinterpret_cast<long>(p), line + sizeof line - p); // write
	(void)sys(60, 0, 0, 0);                                             // exit
	__builtin_unreachable();
}
