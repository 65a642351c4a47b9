#include "random.hpp"

namespace tavrix {
namespace {
std::uint64_t RotateLeft(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

Xoshiro256StarStar::Xoshiro256StarStar(std::uint64_t seed) {
    // splitmix64 never yields four zero words in a row, so the state is valid.
    for (std::uint64_t& word : s_) word = SplitMix64(seed);
}

Xoshiro256StarStar Xoshiro256StarStar::FromState(const std::uint64_t (&state)[4]) {
    Xoshiro256StarStar g(0);
    for (int i = 0; i < 4; ++i) g.s_[i] = state[i];
    return g;
}

std::uint64_t Xoshiro256StarStar::Next() {
    const std::uint64_t result = RotateLeft(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = RotateLeft(s_[3], 45);
    return result;
}

std::uint32_t BoundedDraw(Xoshiro256StarStar& generator, std::uint32_t bound) {
    // The high 32 bits are the generator's strongest; x * bound / 2^32 maps
    // them onto [0, bound), and the rare low products that would favour some
    // values are drawn again.
    std::uint64_t product = (generator.Next() >> 32) * bound;
    auto low = static_cast<std::uint32_t>(product);
    if (low < bound) {
        const std::uint32_t threshold = static_cast<std::uint32_t>(0u - bound) % bound;
        while (low < threshold) {
            product = (generator.Next() >> 32) * bound;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::uint32_t>(product >> 32);
}

}  // namespace tavrix
