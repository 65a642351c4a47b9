// Compares two runner reports line by line. Every line must match exactly,
// except real doubles ("d" lines), which may differ by at most a given number
// of units in the last place: the platforms' log and exp need not round alike.
//   compare <expected report> <actual report> <ulps>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

namespace {

bool ReadDouble(const std::string& line, double& x) {
    if (line.size() < 4 || line.compare(0, 4, "d 0x") != 0) return false;
    const std::uint64_t bits = std::strtoull(line.c_str() + 4, nullptr, 16);
    std::memcpy(&x, &bits, sizeof x);
    return true;
}

// Distance in representable doubles; the largest value when one is not finite
// or the signs differ (then only identical bits count as equal).
std::uint64_t UlpDistance(double a, double b) {
    if (!(a - a == 0) || !(b - b == 0) || std::signbit(a) != std::signbit(b))
        return std::numeric_limits<std::uint64_t>::max();
    std::uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x > y ? x - y : y - x;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <expected report> <actual report> <ulps>\n", argv[0]);
        return 2;
    }
    std::ifstream expected(argv[1]), actual(argv[2]);
    if (!expected || !actual) {
        std::fprintf(stderr, "compare: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    const std::uint64_t allowed = std::strtoull(argv[3], nullptr, 10);
    std::string a, b, currentCase;
    long line = 0, mismatches = 0, inexact = 0;
    std::uint64_t largest = 0;
    for (;;) {
        const bool moreA = static_cast<bool>(std::getline(expected, a));
        const bool moreB = static_cast<bool>(std::getline(actual, b));
        if (!moreA && !moreB) break;
        ++line;
        if (moreA && a.compare(0, 5, "case ") == 0) currentCase = a.substr(5);
        if (moreA && moreB && a == b) continue;
        double x, y;
        if (moreA && moreB && ReadDouble(a, x) && ReadDouble(b, y)) {
            const std::uint64_t d = UlpDistance(x, y);
            if (d <= allowed) {
                ++inexact;
                if (d > largest) largest = d;
                continue;
            }
        }
        if (++mismatches <= 10)
            std::fprintf(stderr, "compare: line %ld (case %s): %s | %s\n", line, currentCase.c_str(),
                         moreA ? a.c_str() : "<end>", moreB ? b.c_str() : "<end>");
        if (!moreA || !moreB) break;
    }
    std::printf("compare: %s vs %s: %ld lines, %ld doubles differ by at most %" PRIu64 " ulp, %ld mismatches\n",
                argv[1], argv[2], line, inexact, largest, mismatches);
    return mismatches == 0 ? 0 : 1;
}
