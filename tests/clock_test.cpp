// The program under the tests' own clock: chosen seconds, and a clock that cannot be read.
#include "run.hpp"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using Clock = Traced;

Invocation under(const std::string &mode, const std::string &value, std::vector<std::string> args)
{
	args.insert(args.begin(), RANDRANGE_BIN);
	Invocation inv{args};
	inv.clock = {mode, value};
	return inv;
}

// What `randrange 0 1000000` prints at chosen seconds: where time() has its error value, and
// where 32 bits of time or of the seed would run out. Worked out once, sharing no code with the
// program: each second through SplitMix64 as its author's reference code gives it (in Python),
// the high 32 bits of that handed to the C library's own srandom(), then random() % 1000000,
// for musl in a C program linked by musl-gcc and for glibc through Python's ctypes.
TEST_F(Clock, ChosenSecondsPrintTheirLine)
{
	const struct {
		long long second;
		int musl, glibc;
	} known[] = {
	    {0, 668414, 934425},            // 1970
	    {-1, 245003, 334928},           // 1969-12-31 23:59:59, time()'s error value
	    {1, 667461, 219358},            //
	    {-2147483648, 361168, 598075},  // 1901, the earliest second of a 32-bit time_t
	    {1765224000, 807493, 208619},   // 2025-12-08 20:00:00
	    {2147483647, 508545, 577319},   // 2038-01-19 03:14:07, the last of a 32-bit time_t
	    {2147483648, 948838, 396507},   // one second later
	    {2208988800, 897602, 728444},   // 2040
	    {4294967295, 915015, 751334},   // 2106, the last second whose low 32 bits are all of it
	    {4294967296, 346586, 92501},    // where those bits start again from 1970
	    {4294967297, 654189, 73780},    //
	    {4102444800, 393738, 915640},   // 2100
	    {253402300799, 640675, 870953}, // 9999-12-31 23:59:59
	};
	const std::string libc = RANDRANGE_LIBC;
	// cppcheck-suppress knownConditionTrueFalse; the library is the build's, known when
	// compiled
	if (libc != "musl" && libc != "glibc")
		RANDRANGE_SKIP("no known answers for the C library " + libc);
	for (const auto &k : known) {
		// cppcheck-suppress knownConditionTrueFalse
		const int want = libc == "musl" ? k.musl : k.glibc;
		const std::string t = std::to_string(k.second);
		EXPECT_EQ(run(under("at", t, {"0", "1000000"})),
		          (Result{"random " + std::to_string(want) + "\n", "", 0}))
		    << "at second " << t;
		EXPECT_EQ(run(under("at", t, {"3x", "4"})), (Result{"random 3\n", "", 0}))
		    << "at second " << t;
	}
}

// A clock that cannot be read is a failure, with the reason, and never a value: ENOSYS too,
// on which musl falls back on gettimeofday and, when that fails as well, says nothing.
TEST_F(Clock, UnreadableClockIsReported)
{
	// By name: the numbers differ between architectures, and the clock runs on this machine.
	const struct {
		int number;
		const char *name;
	} errors[] = {
	    {EPERM, "EPERM"},         {EACCES, "EACCES"}, {EINVAL, "EINVAL"},
	    {EOVERFLOW, "EOVERFLOW"}, {ENOSYS, "ENOSYS"},
	};
	for (const auto &e : errors) {
		const std::string said = ": cannot read the clock: " + message(e.number);
		EXPECT_EQ(run(under("fail", e.name, {"1", "7"})),
		          (Result{"", RANDRANGE_BIN + said, 1}))
		    << e.name;
		// A rejected invocation never reads the clock.
		EXPECT_EQ(run(under("fail", e.name, {"7", "1"})), usage(RANDRANGE_BIN));
	}
}

// A kernel without clock_gettime that answers gettimeofday: musl reads the second from that,
// while glibc needs a kernel that has the call, and says so. Before 2038, since such a kernel
// has only 32 bits of time on a 32-bit machine.
TEST_F(Clock, KernelWithoutClockGettime)
{
	const long long t = 1765224000;
	const Result expected = std::string(RANDRANGE_LIBC) == "musl"
	    ? Result{line(t, 0, 1000000), "", 0}
	    : Result{"", RANDRANGE_BIN ": cannot read the clock: " + message(ENOSYS), 1};
	EXPECT_EQ(run(under("old", std::to_string(t), {"0", "1000000"})), expected);
}

} // namespace
