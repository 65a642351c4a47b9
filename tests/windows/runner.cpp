// Runs one shared set of gateway calls and writes every outcome as text, so
// that the 32-bit Windows, 64-bit Windows and Linux builds can be compared line
// by line: doubles as their 64-bit patterns, integer results, error identifiers
// and messages as text. Exits non-zero when a call leaked, wrote a result slot
// it was not given, or left a result behind after an error.
//   runner <directory of the MEX files> <report file>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runner_cases.hpp"
#include "runner_host.hpp"

namespace tavrix::runner {
namespace {

class Report {
public:
    explicit Report(std::FILE* out) : out_(out) {}

    void Line(const std::string& text) { std::fprintf(out_, "%s\n", text.c_str()); }

    void Array(const mxArray* a, Kind kind) {
        if (!a) return Line("null");
        const std::string size = std::to_string(mxGetM(a)) + "x" + std::to_string(mxGetN(a));
        if (mxIsStruct(a)) {
            Line("struct " + size);
            for (std::size_t e = 0; e < mxGetNumberOfElements(a); ++e)
                for (int f = 0; f < mxGetNumberOfFields(a); ++f) {
                    const char* name = mxGetFieldNameByNumber(a, f);
                    Line(std::string("field ") + name);
                    Array(mxGetField(a, static_cast<mwIndex>(e), name), FieldKind(name));
                }
        } else if (mxIsCell(a)) {
            Line("cell " + size);
            for (std::size_t k = 0; k < mxGetNumberOfElements(a); ++k) Array(mxGetCell(a, static_cast<mwIndex>(k)), kind);
        } else if (mxIsSparse(a)) {
            const mwIndex* rows = mxGetIr(a);
            const mwIndex* starts = mxGetJc(a);
            const double* p = mxGetPr(a);
            Line("sparse " + size + " " + std::to_string(starts[mxGetN(a)]));
            for (std::size_t c = 0; c < mxGetN(a); ++c)
                for (std::size_t e = static_cast<std::size_t>(starts[c]); e < static_cast<std::size_t>(starts[c + 1]); ++e) {
                    Line("at " + std::to_string(rows[e]) + " " + std::to_string(c));
                    Value(p[e], kind);
                }
        } else if (mxIsDouble(a)) {
            Line("double " + size);
            const double* p = mxGetPr(a);
            for (std::size_t k = 0; k < mxGetNumberOfElements(a); ++k) Value(p[k], kind);
        } else {
            Line("class " + std::to_string(static_cast<int>(mxGetClassID(a))) + " " + size);
            const auto* bytes = static_cast<const unsigned char*>(mxGetData(a));
            std::string hex;
            char digits[3];
            for (std::size_t k = 0; bytes && k < mxGetNumberOfElements(a) * mxGetElementSize(a); ++k) {
                std::snprintf(digits, sizeof digits, "%02x", bytes[k]);
                hex += digits;
            }
            Line("bytes " + hex);
        }
    }

private:
    // Integer results as text; everything else (and any integer result that is
    // not a whole number) as its bit pattern, "d" for doubles, "i" for integers.
    void Value(double x, Kind kind) {
        if (kind == Kind::kInteger && x == std::trunc(x) && std::fabs(x) < 0x1p53 && !(x == 0 && std::signbit(x))) {
            std::fprintf(out_, "i %" PRId64 "\n", static_cast<std::int64_t>(x));
            return;
        }
        std::uint64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        std::fprintf(out_, "%c 0x%016" PRIx64 "\n", kind == Kind::kInteger ? 'i' : 'd', bits);
    }

    std::FILE* out_;
};

char guardMark;

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// Runs one case; returns the number of faults found (not the gateway's errors,
// which are outcomes like any other).
// Arrays in a result, itself included.
long CountArrays(const mxArray* a) {
    if (!a) return 0;
    long n = 1;
    const bool children = mxIsStruct(a) || mxIsCell(a);
    const std::size_t count = mxIsStruct(a) ? mxGetNumberOfElements(a) * static_cast<std::size_t>(mxGetNumberOfFields(a))
                                            : mxGetNumberOfElements(a);
    for (std::size_t k = 0; children && k < count; ++k) {
        if (mxIsCell(a)) {
            n += CountArrays(mxGetCell(a, static_cast<mwIndex>(k)));
        } else {
            const auto fields = static_cast<std::size_t>(mxGetNumberOfFields(a));
            n += CountArrays(mxGetField(a, static_cast<mwIndex>(k / fields),
                                        mxGetFieldNameByNumber(a, static_cast<int>(k % fields))));
        }
    }
    return n;
}

int Run(const Case& c, const std::map<std::string, Gateway>& gateways, std::map<std::string, testing::MxPtr>& kept,
        Report& report) {
    report.Line("case " + c.name);
    const Gateway gateway = gateways.at(c.gateway);
    std::vector<const mxArray*> prhs(c.args);
    if (!c.modelFrom.empty()) prhs[0] = kept.count(c.modelFrom) ? kept[c.modelFrom].get() : nullptr;
    if (!gateway || (!c.modelFrom.empty() && !prhs[0])) {
        report.Line("absent");
        return 0;
    }
    const long arrays = LiveArrays(), blocks = LiveAllocations();
    // Two guard slots past the ones given: nothing may be stored there.
    const int slots = c.nlhs < 1 ? 1 : c.nlhs;
    mxArray* const kGuard = reinterpret_cast<mxArray*>(&guardMark);
    std::vector<mxArray*> plhs(static_cast<std::size_t>(slots), nullptr);
    plhs.push_back(kGuard);
    plhs.push_back(kGuard);
    std::string identifier, message;
    const bool failed = Invoke(gateway, c.nlhs, plhs.data(), static_cast<int>(prhs.size()), prhs.data(),
                               identifier, message);
    int faults = 0;
    long keptArrays = 0;
    if (plhs[slots] != kGuard || plhs[slots + 1] != kGuard) {
        std::fprintf(stderr, "%s: wrote a result slot it was not given\n", c.name.c_str());
        ++faults;
    }
    plhs.resize(static_cast<std::size_t>(slots));
    if (failed) {
        report.Line("error " + identifier);
        report.Line("message " + OneLine(message));
    }
    for (int k = 0; k < slots; ++k) {
        if (failed && plhs[k]) {
            std::fprintf(stderr, "%s: result %d created before the error\n", c.name.c_str(), k + 1);
            ++faults;
        }
        if (!failed) {
            report.Line("out " + std::to_string(k + 1));
            report.Array(plhs[k], k < static_cast<int>(c.kinds.size()) ? c.kinds[k] : Kind::kReal);
        }
        if (k == 0 && c.keepResult && !failed) {
            keptArrays = CountArrays(plhs[k]);
            kept[c.name].reset(plhs[k]);
        } else {
            mxDestroyArray(plhs[k]);
        }
    }
    if (LiveArrays() != arrays + keptArrays || LiveAllocations() != blocks) {
        std::fprintf(stderr, "%s: leaked %ld arrays and %ld mxMalloc blocks\n", c.name.c_str(),
                     LiveArrays() - arrays - keptArrays,
                     LiveAllocations() - blocks);
        ++faults;
    }
    return faults;
}

}  // namespace
}  // namespace tavrix::runner

int main(int argc, char** argv) {
    using namespace tavrix::runner;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <directory of the MEX files> <report file>\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 2;
    }
    int faults = 0, cases = 0;
    std::map<std::string, Gateway> gateways;
    std::string found;
    Report report(out);
    {
        CaseSet set = MakeCases();
        // Every function the cases call must be there.
        for (const Case& c : set.cases) {
            if (gateways.count(c.gateway)) continue;
            std::string problem;
            const Gateway gateway = FindGateway(argv[1], c.gateway.c_str(), problem);
            gateways[c.gateway] = gateway;
            if (gateway) found += " " + c.gateway;
            if (!gateway && problem.empty()) problem = "not found";
            if (!problem.empty()) {
                std::fprintf(stderr, "%s: %s\n", c.gateway.c_str(), problem.c_str());
                ++faults;
            }
        }
        std::map<std::string, tavrix::testing::MxPtr> kept;
        for (const Case& c : set.cases) {
            faults += Run(c, gateways, kept, report);
            ++cases;
        }
    }
    std::fclose(out);
    std::printf("runner (%s):%s; %d cases, %d faults\n", PlatformName().c_str(), found.c_str(), cases, faults);
    return faults == 0 ? 0 : 1;
}
