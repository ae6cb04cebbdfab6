// The test clock itself: it stands between the tests and the program on every architecture, so
// it must change nothing but the clock, and never fail where the program did not.
#include "run.hpp"

#include <gtest/gtest.h>

namespace {

using TestClock = Traced;

Result traced(const std::vector<std::string> &mode, std::vector<std::string> args)
{
	args.insert(args.begin(), "tracee");
	Invocation inv{args, RANDRANGE_TRACEE};
	inv.clock = mode;
	return run(inv);
}

// The test clock's two ways of answering a read.
std::vector<std::vector<std::string>> modes()
{
	return {{"at", "1000"}, {"fail", "EPERM"}};
}

// Threads that are in system calls, or stopped in them, die when another one exits or execs,
// and the memory a call wrote can be unmapped by another before the tracer writes it; the
// tracer must take that in its stride, however the stops, deaths and unmaps interleave.
TEST_F(TestClock, ThreadsDyingInSystemCallsLeaveTheStatus)
{
	for (const auto &mode : modes()) {
		int wrong = 0;
		Result last;
		for (int i = 0; i < RANDRANGE_TEST_TRACES; i++) {
			for (const char *how : {"threads", "exec", "unmap"}) {
				const Result r = traced(mode, {how, "7"});
				if (!(r == Result{"", "", 7})) {
					wrong++;
					last = r;
				}
			}
		}
		EXPECT_EQ(wrong, 0)
		    << mode[0] << " " << mode[1] << ", the last: " << testing::PrintToString(last);
	}
}

// Signals and job-control stops are the program's own.
TEST_F(TestClock, SignalsReachTheProgram)
{
	const Result trapped{"SIGTRAP\n", "", 0};
	const Result stopped{"stopped\nexited 0\n", "", 0};
	// Untraced first, so that a fault of the probe is not taken for one of the tracer.
	EXPECT_EQ(traced({}, {"trap"}), trapped);
	EXPECT_EQ(traced({}, {"stop"}), stopped);
	for (const auto &mode : modes()) {
		EXPECT_EQ(traced(mode, {"trap"}), trapped) << mode[0];
		EXPECT_EQ(traced(mode, {"stop"}), stopped) << mode[0];
	}
}

} // namespace
