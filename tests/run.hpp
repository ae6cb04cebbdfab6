// Spawning the built randrange and capturing what it does.
#pragma once

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Where the child's standard output goes; hungup is a terminal whose other side has closed, and
// unclosable a pipe that can be written but whose close fails, as on a network file system (the
// child exits 125, saying nothing, where it cannot install the seccomp filter for that).
enum class Out : unsigned char { pipe, full, closed, broken, hungup, unclosable };

// One invocation: the argument vector includes entry 0; empty means argc 0.
struct Invocation {
	explicit Invocation(std::vector<std::string> a, std::string p = RANDRANGE_BIN)
	    : argv(std::move(a)), path(std::move(p))
	{
	}
	std::vector<std::string> argv;
	std::string path;
	Out out = Out::pipe;
	std::optional<std::vector<std::string>> env; // unset: inherit ours
	bool close_stdin = false;
	std::string dir; // working directory; empty: ours
	// The test clock's mode and value, {"at", SECOND} or {"fail", NAME} with an error's name
	// such as "EPERM"; empty: the real clock. Natively the program then runs under its path as
	// entry 0.
	std::vector<std::string> clock;
};

// What came back: status is the exit status, or minus the signal that killed it.
struct Result {
	std::string out;
	std::string err;
	int status = 0;
	bool operator==(const Result &o) const
	{
		return out == o.out && err == o.err && status == o.status;
	}
};

// Shows a result in test failures.
void PrintTo(const Result &r, std::ostream *os);

// Runs one invocation to the end and captures stdout, stderr and status.
Result run(const Invocation &inv);

// Shorthand for the built binary with this argument vector.
Result run(const std::vector<std::string> &argv);

// The usage line for program name name, and the status that goes with it.
Result usage(const std::string &name);

// The first draws randrange's generator gives for count seconds from first on, step apart.
std::vector<long> draws(std::time_t first, long long step, long long count);

// The result line randrange prints for [begin, end) when started at second t.
std::string line(std::time_t t, int begin, int end);

// What the C library randrange is linked with says for error number err.
std::string message(int err);

// Runs inv until it starts and ends within one clock second; t gets that second. Throws if the
// clock never allows that.
Result timed(const Invocation &inv, std::time_t *t);

// True when the binary runs under an emulator, which cannot start it with an empty argv.
bool emulated();

// Empty when the test clock works here; otherwise why it does not.
std::string no_clock();

// The fixture of the tests that need the test clock: each is skipped, saying why, where it
// cannot trace.
class Traced : public testing::Test {
      protected:
	void SetUp() override;
};

// Skips the test, saying why; under CI, which must run every test, fails it instead.
#define RANDRANGE_SKIP(why)                                                                        \
	do {                                                                                       \
		if (std::getenv("CI") != nullptr)                                                  \
			FAIL() << (why);                                                           \
		GTEST_SKIP() << (why);                                                             \
	} while (0)
