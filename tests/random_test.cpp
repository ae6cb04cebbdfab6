// The values of successive calls: the seed's mixing, and no dependence from one call to the next.
#include "run.hpp"
#include "seed.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

// Pins the mixing to SplitMix64's published first outputs from state 0.
TEST(Random, SeedIsSplitMix64OfTheSecond)
{
	EXPECT_EQ(splitmix64(0), 0xe220a8397b1dcdafU);
	EXPECT_EQ(splitmix64(0x9e3779b97f4a7c15), 0x6e789e6aa1b965f4U);
	EXPECT_EQ(seed(0), 0xe220a839U);
	EXPECT_EQ(seed(-1), 0xe4d97177U);
}

// Chi-square of values mod m against equal shares, and Good's serial statistic for the pairs
// (v[i] mod m, v[i + 1] mod m), taken round the end: the pairs' chi-square less the values'.
// Overlapping pairs share their values, so only that difference is chi-square distributed.
std::pair<double, double> chi2(const std::vector<long> &v, long m)
{
	const auto k = static_cast<size_t>(m);
	std::vector<double> ones(k);
	std::vector<double> pairs(k * k);
	for (size_t i = 0; i < v.size(); i++) {
		const auto a = static_cast<size_t>(v[i] % m);
		ones[a]++;
		pairs[(a * k) + static_cast<size_t>(v[(i + 1) % v.size()] % m)]++;
	}
	const auto sum = [&](const std::vector<double> &cells) {
		const double want =
		    static_cast<double>(v.size()) / static_cast<double>(cells.size());
		return std::accumulate(cells.begin(), cells.end(), 0.0, [&](double x, double n) {
			return x + ((n - want) * (n - want) / want);
		});
	};
	const double values = sum(ones);
	return {values, sum(pairs) - values};
}

// A script that calls once a second, minute, hour or day gets values that are uniform and
// independent of the last call's: before 2038, across its 2^31-second limit, and after 2106's
// 2^32, where a seed of only the low 32 bits would repeat 1970.
TEST(Random, SuccessiveCallsAreIndependent)
{
	const long long count = 100000;
	const struct {
		const char *name;
		long long step;
	} steps[] = {{"second", 1}, {"minute", 60}, {"hour", 3600}, {"day", 86400}};
	// Two-tailed, with m - 1 and m * m - m degrees of freedom, at p = 0.001 for the whole table
	// of 72 checks (0.001 / 72 each): a pattern that visits every value or pair in turn is as
	// far from chance as one that favours a few.
	const struct {
		long m;
		double low1, high1;
		double low2, high2;
	} limits[] = {{2, 7.575e-11, 20.208, 1.389e-5, 23.755},
	              {6, 0.02806, 31.658, 7.298, 76.157},
	              {10, 0.3554, 40.216, 43.12, 160.59}};
	for (const auto &s : steps) {
		const struct {
			const char *name;
			std::time_t first;
		} starts[] = {{"2025", 1765224000}, // 2025-12-08 20:00:00 UTC
		              {"2038", (1LL << 31) - (count / 2 * s.step)},
		              {"2106", (1LL << 32) + 1}};
		for (const auto &start : starts) {
			const std::vector<long> v = draws(start.first, s.step, count);
			for (const auto &l : limits) {
				const auto [values, pairs] = chi2(v, l.m);
				const std::string what = std::string("every ") + s.name + " from " +
				    start.name + ", mod " + std::to_string(l.m);
				RecordProperty(
				    what, std::to_string(values) + " " + std::to_string(pairs));
				EXPECT_GT(values, l.low1) << what << ": values";
				EXPECT_LT(values, l.high1) << what << ": values";
				EXPECT_GT(pairs, l.low2) << what << ": pairs";
				EXPECT_LT(pairs, l.high2) << what << ": pairs";
			}
		}
	}
}

} // namespace
