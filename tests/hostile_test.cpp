// Arguments assembled from pieces, huge arguments and odd process states.
#include "run.hpp"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// One argument and the value it was built to have; no value: beyond an int.
struct Arg {
	std::string text;
	std::optional<long long> value;
};

const char *const spaces[] = {"", " ", "\t", "\n", "\v", "\f", "\r", " \t\n\v\f\r "};
const char *const signs[] = {"", "", "", "+", "-"};
// Text after the digits ends the number however it goes on.
const char *const tails[] = {"", "", "abc", "x9", ".5", "e3", "\xc3\xa9", "\xff", " 12", "-1", "+"};
// After no digits at all, a tail must not look like the start of a number.
const char *const bare_tails[] = {"", "abc", "x9", ".5", "\xc3\xa9", "\xff", "_"};
// Values at the ends of the accepted range and where an unchecked conversion wraps.
const long long edges[] = {0,          1,          2147483646, 2147483647, 2147483648, 2147483649,
                           4294967295, 4294967296, 4294967306, 1000000000, 9999999999, 21474836470};

template <typename T, size_t N> const T &pick(std::mt19937_64 &rng, const T (&a)[N])
{
	return a[rng() % N];
}

// Builds an argument from white space, sign, leading zeros, digits and a tail.
Arg make(std::mt19937_64 &rng)
{
	std::string digits;
	bool huge = false;
	long long v = 0;
	const auto len = static_cast<int>(rng() % 21);
	if (rng() % 3 == 0) {
		v = pick(rng, edges);
		digits = std::to_string(v);
	} else if (len >= 19) {
		// Nineteen digits or more starting with 1-9 never fit in 32 bits.
		digits = std::to_string(1 + (rng() % 9));
		while (static_cast<int>(digits.size()) < len)
			digits += static_cast<char>('0' + (rng() % 10));
		huge = true;
	} else if (len > 0) {
		long long lo = 1;
		for (int i = 1; i < len; i++)
			lo *= 10;
		v = lo + static_cast<long long>(rng() % static_cast<uint64_t>(9 * lo));
		digits = std::to_string(v);
	}
	if (rng() % 4 == 0)
		digits.insert(0, static_cast<size_t>(1 + (rng() % 3)), '0');

	const std::string sign = pick(rng, signs);
	Arg a;
	a.text = std::string(pick(rng, spaces)) + sign + digits +
	    (digits.empty() ? pick(rng, bare_tails) : pick(rng, tails));
	if (digits.empty() && rng() % 4 == 0)
		a.text.clear();
	if (sign == "-")
		v = -v;
	if (!huge && v >= INT_MIN && v <= INT_MAX)
		a.value = v;
	return a;
}

std::string shown(const std::string &s)
{
	std::string out;
	for (const char ch : s) {
		const auto c = static_cast<unsigned char>(ch);
		if (c >= 0x20 && c < 0x7f && c != '\\') {
			out += static_cast<char>(c);
		} else {
			char buf[8];
			(void)std::snprintf(buf, sizeof buf, "\\x%02x", c);
			out += buf;
		}
	}
	return '"' + out + '"';
}

TEST(Hostile, GeneratedArgumentPairs)
{
	const uint64_t seed = 20261208;
	std::mt19937_64 rng(seed);
	int accepted = 0;
	const int cases = RANDRANGE_TEST_PAIRS;
	for (int i = 0; i < cases; i++) {
		Arg b = make(rng);
		Arg e = make(rng);
		// Half the ordered pairs come in order, or few would be accepted.
		if (b.value && e.value && *e.value < *b.value && rng() % 2 == 0)
			std::swap(b, e);
		const bool ok = b.value && e.value && *b.value >= 0 && *e.value > *b.value;
		std::time_t t = 0;
		const Result r = timed(Invocation{{"randrange", b.text, e.text}}, &t);
		const Result want = ok
		    ? Result{line(t, static_cast<int>(*b.value), static_cast<int>(*e.value)), "", 0}
		    : usage("randrange");
		ASSERT_EQ(r, want) << "seed " << seed << ", case " << i << ": " << shown(b.text)
		                   << ' ' << shown(e.text);
		accepted += ok;
	}
	RecordProperty("accepted", accepted);
	// The mix must exercise both outcomes in earnest.
	EXPECT_GT(accepted, cases / 20);
	EXPECT_LT(accepted, cases * 9 / 10);
}

// The kernel takes at most 128 KiB, less its terminating NUL, for one argument.
TEST(Hostile, ArgumentAtTheKernelLimit)
{
	const size_t most = (128 * 1024) - 1;
	EXPECT_EQ(run({"randrange", "0", std::string(most, '9')}), usage("randrange"));

	std::time_t t = 0;
	const Result r =
	    timed(Invocation{{"randrange", std::string(most - 1, ' ') + "5", "6"}}, &t);
	EXPECT_EQ(r, (Result{line(t, 5, 6), "", 0}));
}

// A locale whose messages differ from the C locale's: the environment that names it, or empty
// with why there is none. musl reads a catalog that the test writes itself; glibc needs its
// own catalog installed (Debian's libc-l10n) and a locale that localedef can make.
std::vector<std::string> translating_locale(const fs::path &dir, std::string *why)
{
	std::string from = message(ENOSPC);
	from.pop_back(); // the newline
	const std::string to = "Kein Platz mehr: " + from;
	fs::create_directories(dir);
	if (std::string(RANDRANGE_LIBC) == "musl") {
		// A message catalog of one string in GNU gettext's .mo format, as musl reads it
		// from MUSL_LOCPATH: the header, one entry's length and offset per table, the
		// strings.
		const uint32_t n = 1;
		const uint32_t strings = (7 * 4) + (2 * 8);
		const uint32_t head[] = {0x950412de,
		                         0,
		                         n,
		                         7 * 4,
		                         (7 * 4) + 8,
		                         0,
		                         0,
		                         static_cast<uint32_t>(from.size()),
		                         strings,
		                         static_cast<uint32_t>(to.size()),
		                         static_cast<uint32_t>(strings + from.size() + 1)};
		std::ofstream mo(dir / "xx_XX.UTF-8", std::ios::binary);
		mo.write(reinterpret_cast<const char *>(head), sizeof head);
		mo << from << '\0' << to << '\0';
		return {"MUSL_LOCPATH=" + dir.string(), "LANG=xx_XX.UTF-8"};
	}
	if (!fs::exists("/usr/share/locale/de/LC_MESSAGES/libc.mo")) {
		*why = "glibc's German messages are not installed (Debian package libc-l10n)";
		return {};
	}
	const Invocation localedef{
	    {"localedef", "-i", "de_DE", "-f", "UTF-8", (dir / "de_DE.UTF-8").string()},
	    "localedef"};
	if (run(localedef).status != 0) {
		*why = "localedef cannot make de_DE.UTF-8 (Debian package locales)";
		return {};
	}
	return {"LOCPATH=" + dir.string(), "LANG=de_DE.UTF-8"};
}

// Environment, a locale that translates and a closed stdin are no input of this program: its
// messages are its own, in English, whatever the locale says.
TEST(Hostile, ProcessStateChangesNothing)
{
	const std::vector<std::vector<std::string>> envs = {{}, {"TZ=LINT-14"}};
	for (const auto &env : envs) {
		for (const bool closed : {false, true}) {
			Invocation inv{{"randrange", " +10", "20x"}};
			inv.env = env;
			inv.close_stdin = closed;
			std::time_t t = 0;
			const Result r = timed(inv, &t);
			EXPECT_EQ(r, (Result{line(t, 10, 20), "", 0}))
			    << (env.empty() ? "empty environment" : env[0])
			    << (closed ? ", stdin closed" : "");
			inv.argv = {"randrange", "20", "10"};
			EXPECT_EQ(run(inv), usage("randrange"));
		}
	}

	const fs::path dir =
	    fs::temp_directory_path() / ("randrange-locale-" + std::to_string(getpid()));
	std::string why;
	const std::vector<std::string> env = translating_locale(dir, &why);
	if (env.empty()) {
		fs::remove_all(dir);
		RANDRANGE_SKIP("no locale that translates here: " + why);
	}
	Invocation inv{{"randrange", "1", "7"}};
	inv.env = env;
	inv.out = Out::full;
	const Result r = run(inv);
	fs::remove_all(dir);
	EXPECT_EQ(r, (Result{"", "randrange: write error: " + message(ENOSPC), 1}))
	    << env[0] << ' ' << env[1];
}

} // namespace
