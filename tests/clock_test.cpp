// The program under the tests' own clock: chosen seconds, and a clock that cannot be read.
#include "run.hpp"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

Invocation under(const std::string &mode, const std::string &value, std::vector<std::string> args)
{
	args.insert(args.begin(), RANDRANGE_BIN);
	Invocation inv{args};
	inv.clock = {mode, value};
	return inv;
}

// Each second prints the line its own seed gives, where time() has its error value, and where
// 32 bits of time or of the seed would run out.
TEST(Clock, ChosenSecondsPrintTheirLine)
{
	if (const std::string why = no_clock(); !why.empty())
		RANDRANGE_SKIP(why);
	const long long seconds[] = {
	    -1,           // 1969-12-31 23:59:59, time()'s error value
	    0,            // 1970
	    1,            //
	    -2147483648,  // 1901, the earliest second of a 32-bit time_t
	    1765224000,   // 2025-12-08 20:00:00
	    2147483647,   // 2038-01-19 03:14:07, the last second of a 32-bit time_t
	    2147483648,   // one second later
	    2208988800,   // 2040
	    4294967295,   // 2106, the last second whose low 32 bits are all of it
	    4294967296,   // where those bits start again from 1970
	    253402300799, // 9999-12-31 23:59:59
	};
	for (const long long t : seconds) {
		EXPECT_EQ(run(under("at", std::to_string(t), {"0", "1000000"})),
		          (Result{line(t, 0, 1000000), "", 0}))
		    << "at second " << t;
		EXPECT_EQ(run(under("at", std::to_string(t), {"3x", "4"})),
		          (Result{"random 3\n", "", 0}))
		    << "at second " << t;
	}
}

// A clock that cannot be read is a failure, with the reason, and never a value: ENOSYS too,
// on which musl falls back on gettimeofday and, when that fails as well, says nothing.
TEST(Clock, UnreadableClockIsReported)
{
	if (const std::string why = no_clock(); !why.empty())
		RANDRANGE_SKIP(why);
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
TEST(Clock, KernelWithoutClockGettime)
{
	if (const std::string why = no_clock(); !why.empty())
		RANDRANGE_SKIP(why);
	const long long t = 1765224000;
	const Result expected = std::string(RANDRANGE_LIBC) == "musl"
	    ? Result{line(t, 0, 1000000), "", 0}
	    : Result{"", RANDRANGE_BIN ": cannot read the clock: " + message(ENOSYS), 1};
	EXPECT_EQ(run(under("old", std::to_string(t), {"0", "1000000"})), expected);
}

} // namespace
