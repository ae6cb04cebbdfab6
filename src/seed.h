// The generator's seed for one second of the clock, shared by randrange and its tests.
#pragma once

#include <stdint.h>

// SplitMix64's first output for state x: a bijection of 64 bits whose every output bit
// depends on every input bit.
constexpr uint64_t splitmix64(uint64_t x)
{
	uint64_t z = x + 0x9e3779b97f4a7c15;
	z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
	z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
	return z ^ (z >> 31);
}

// The seed for second t. Some C libraries' first draw is close to linear in the seed, which
// would make the values of successive seconds march through the range; mixed, they do not.
constexpr uint32_t seed(int64_t t)
{
	return static_cast<uint32_t>(splitmix64(static_cast<uint64_t>(t)) >> 32);
}
