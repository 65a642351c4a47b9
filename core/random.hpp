// The training draws: xoshiro256** (Blackman and Vigna), seeded through
// splitmix64, and an unbiased draw below a bound by Lemire's multiply-and-
// reject method. Only 64-bit unsigned arithmetic: the same sequence on every
// platform, compiler and word size.
#pragma once

#include <cstdint>

namespace tavrix {

// splitmix64: turns one 64-bit seed into a stream of well-mixed words.
std::uint64_t SplitMix64(std::uint64_t& state);

class Xoshiro256StarStar {
public:
    explicit Xoshiro256StarStar(std::uint64_t seed);
    // A generator with the given state words (not all zero), for test vectors.
    static Xoshiro256StarStar FromState(const std::uint64_t (&state)[4]);
    std::uint64_t Next();

private:
    std::uint64_t s_[4];
};

// A uniform integer in [0, bound), bound >= 1; every value equally likely.
std::uint32_t BoundedDraw(Xoshiro256StarStar& generator, std::uint32_t bound);

}  // namespace tavrix
