// Compares two runner reports line by line. Every line must match exactly,
// except real doubles ("d" lines): the platforms' log and exp need not round
// alike, so those may differ by a few units in the last place, counted either
// in the value itself or in the largest entry of its array. The second measure
// is for sums whose terms cancel (mutual information near zero): their error is
// bounded by the size of the terms, which the array's largest entry stands for.
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
#include <vector>

namespace {

std::vector<std::string> ReadLines(const char* path) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "compare: cannot read %s\n", path);
        std::exit(2);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool ReadDouble(const std::string& line, double& x) {
    if (line.compare(0, 4, "d 0x") != 0) return false;
    const std::uint64_t bits = std::strtoull(line.c_str() + 4, nullptr, 16);
    std::memcpy(&x, &bits, sizeof x);
    return true;
}

// The largest finite magnitude among the doubles of each line's array (0 for
// lines outside a double array).
std::vector<double> ArrayScales(const std::vector<std::string>& lines) {
    std::vector<double> scale(lines.size(), 0.0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        unsigned long rows = 0, cols = 0;
        if (std::sscanf(lines[i].c_str(), "double %lux%lu", &rows, &cols) != 2) continue;
        const std::size_t end = std::min(lines.size(), i + 1 + rows * cols);
        double largest = 0.0, x;
        for (std::size_t k = i + 1; k < end; ++k)
            if (ReadDouble(lines[k], x) && x - x == 0) largest = std::max(largest, std::fabs(x));
        for (std::size_t k = i + 1; k < end; ++k) scale[k] = largest;
    }
    return scale;
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

// One unit in the last place of x.
double Ulp(double x) { return std::nextafter(std::fabs(x), HUGE_VAL) - std::fabs(x); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <expected report> <actual report> <ulps>\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> a = ReadLines(argv[1]), b = ReadLines(argv[2]);
    const std::vector<double> scale = ArrayScales(a);
    const double allowed = std::strtod(argv[3], nullptr);
    std::string currentCase;
    long mismatches = 0, inexact = 0;
    double largest = 0;  // in ulps, by the more lenient of the two measures
    const std::size_t lines = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < lines; ++i) {
        const bool both = i < a.size() && i < b.size();
        if (i < a.size() && a[i].compare(0, 5, "case ") == 0) currentCase = a[i].substr(5);
        if (both && a[i] == b[i]) continue;
        double x, y;
        if (both && ReadDouble(a[i], x) && ReadDouble(b[i], y) && UlpDistance(x, y) != UINT64_MAX) {
            const double own = static_cast<double>(UlpDistance(x, y));
            const double scaled = std::fabs(x - y) / Ulp(scale[i]);
            if (own <= allowed || scaled <= allowed) {
                ++inexact;
                largest = std::max(largest, std::min(own, scaled));
                continue;
            }
        }
        if (++mismatches <= 10)
            std::fprintf(stderr, "compare: line %zu (case %s): %s | %s\n", i + 1, currentCase.c_str(),
                         i < a.size() ? a[i].c_str() : "<end>", i < b.size() ? b[i].c_str() : "<end>");
        if (!both) break;
    }
    std::printf("compare: %s vs %s: %zu lines, %ld doubles differ by at most %.2g ulp, %ld mismatches\n", argv[1],
                argv[2], lines, inexact, largest, mismatches);
    return mismatches == 0 ? 0 : 1;
}
