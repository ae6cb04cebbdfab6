// Black-box tests of the command: arguments in, stdout, stderr and status out.
#include "run.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Accepted {
	std::vector<std::string> args;
	int begin;
	int end;
};

// Every accepted invocation prints exactly the line its seed second determines.
TEST(Command, AcceptedPrintsTheDrawForThisSecond)
{
	const Accepted cases[] = {
	    {{"0", "1"}, 0, 1},
	    {{"1", "7"}, 1, 7},
	    {{"10", "20"}, 10, 20},
	    {{"0", "2147483647"}, 0, 2147483647},
	    {{"2147483646", "2147483647"}, 2147483646, 2147483647},
	    {{"abc", "10"}, 0, 10}, // no digits converts to 0
	    {{"3a", "4"}, 3, 4},    // trailing text is ignored
	    {{"5", "6 apples"}, 5, 6},
	    {{" \t\n5", "+9"}, 5, 9}, // leading white space, plus sign
	    {{"0x10", "3"}, 0, 3},    // no hexadecimal
	    {{"007", "010"}, 7, 10},  // no octal either
	    {{"-0", "2"}, 0, 2},
	    {{"-h", "5"}, 0, 5}, // no options: a dash is just a sign
	    {{"", "1"}, 0, 1},
	};
	for (const auto &c : cases) {
		std::vector<std::string> argv{"randrange"};
		argv.insert(argv.end(), c.args.begin(), c.args.end());
		std::time_t t = 0;
		const Result r = timed(Invocation{argv}, &t);
		EXPECT_EQ(r, (Result{line(t, c.begin, c.end), "", 0}))
		    << "args: '" << c.args[0] << "' '" << c.args[1] << "'";
	}
}

TEST(Command, RejectedPrintsUsage)
{
	const std::vector<std::string> cases[] = {
	    {},
	    {"1"},
	    {"1", "2", "3"}, // valid numbers, one too many
	    {"5", "5"},      // empty range
	    {"0", "0"},
	    {"7", "3"},  // reversed
	    {"-1", "5"}, // negative
	    {"-5", "-1"},
	    {"5", "abc"}, // end converts to 0
	    {"", ""},
	    {"0", "2147483648"}, // beyond 32 bits
	    {"0", "4294967306"}, // would wrap to 10
	    {"4294967296", "4294967300"},
	    {"-2147483649", "1"},
	    {"0", "-4294967286"},           // below INT_MIN, would wrap to 10
	    {"-18446744073709551615", "5"}, // an unsigned conversion wraps this to 1
	    {"0", "99999999999999999999"},  // beyond 64 bits
	};
	for (const auto &args : cases) {
		std::vector<std::string> argv{"randrange"};
		argv.insert(argv.end(), args.begin(), args.end());
		EXPECT_EQ(run(argv), usage("randrange")) << "argc " << argv.size();
	}
}

// Entry 0 is shown as the caller gave it, whatever the path to the binary.
TEST(Command, UsageShowsEntryZeroAsInvoked)
{
	const fs::path bin = RANDRANGE_BIN;
	const fs::path dir =
	    fs::temp_directory_path() / ("randrange-test-" + std::to_string(getpid()));
	fs::create_directories(dir / "sub");
	fs::create_symlink(bin, dir / "sub" / "dice");

	Invocation relative{{"./sub/dice", "2", "1"}, "./sub/dice"};
	relative.dir = dir;
	EXPECT_EQ(run(relative), usage("./sub/dice"));

	const std::string link = (dir / "sub" / "dice").string();
	EXPECT_EQ(run(Invocation{{link, "9"}, link}), usage(link));
	EXPECT_EQ(run({"any name at all", "1", "1"}), usage("any name at all"));
	EXPECT_EQ(run({"./sub/dice"}), usage("./sub/dice"));

	relative.argv = {"./sub/dice", "0", "1"};
	EXPECT_EQ(run(relative), (Result{"random 0\n", "", 0}));
	fs::remove_all(dir);
}

// With no entry 0 (or the empty one current kernels put there) the name is our own.
TEST(Command, EmptyArgumentVectorUsesOwnName)
{
	EXPECT_EQ(run({""}), usage("randrange"));
	EXPECT_EQ(run({"", "1", "1"}), usage("randrange"));
	if (emulated())
		RANDRANGE_SKIP("an emulator cannot start a program with argc 0");
	EXPECT_EQ(run(std::vector<std::string>{}), usage("randrange"));
}

// Runs "./rr 1 7" with standard output of kind out: what it printed, and the second it ran in.
Result written(Out out, std::time_t *t)
{
	Invocation inv{{"./rr", "1", "7"}};
	inv.out = out;
	return timed(inv, t);
}

// A result line that cannot be written is a failure.
TEST(Command, WriteFailureIsReported)
{
	const struct {
		Out out;
		int error;
	} cases[] = {
	    {Out::full, ENOSPC},
	    {Out::closed, EBADF}, // glibc finds this one only at fclose
	    {Out::broken, EPIPE},
	    {Out::hungup, EIO}, // a terminal is line-buffered: found by the write itself
	};
	for (const auto &c : cases) {
		std::time_t t = 0;
		EXPECT_EQ(written(c.out, &t),
		          (Result{"", "./rr: write error: " + message(c.error), 1}));
		// A rejected run never touches stdout, so its outcome is the same as ever.
		Invocation inv{{"./rr", "7", "1"}};
		inv.out = c.out;
		EXPECT_EQ(run(inv), usage("./rr"));
	}
}

// The line is out, but only the close tells whether it arrived, as on a network file system.
TEST(Command, UnclosableOutputIsReported)
{
	if (emulated())
		RANDRANGE_SKIP("qemu-user pretends to install a seccomp filter and does not");
	std::time_t t = 0;
	const Result r = written(Out::unclosable, &t);
	if (r.status == 125 && r.out.empty() && r.err.empty())
		RANDRANGE_SKIP("this system does not let the test install a seccomp filter");
	EXPECT_EQ(r, (Result{line(t, 1, 7), "./rr: write error: " + message(EIO), 1}));
}

// The seed is the clock in whole seconds, so runs within one second agree.
TEST(Command, RunsWithinOneSecondPrintTheSameValue)
{
	const Invocation inv{{"randrange", "0", "1000000"}};
	for (int tries = 0; tries < 5; tries++) {
		std::time_t first = 0;
		std::time_t second = 0;
		const Result a = timed(inv, &first);
		const Result b = timed(inv, &second);
		if (first != second)
			continue;
		EXPECT_EQ(a, (Result{line(first, 0, 1000000), "", 0}));
		EXPECT_EQ(a, b);
		return;
	}
	FAIL() << "the clock's second changed during every try";
}

} // namespace
