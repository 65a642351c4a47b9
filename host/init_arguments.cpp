#include "init_arguments.hpp"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>

#include "../core/parallel.hpp"
#include "data_reader.hpp"
#include "errors.hpp"

namespace tavrix::host {
namespace {

constexpr const char* kAccepted = "RootNode, Seed, Spread, Mask, Ranges, Threads, Method, Lattice, Compact";
constexpr double kMaxValues = 46340.0;  // NumValues^2 doubles per unit must stay addressable

std::string Num(double x) { return std::to_string(static_cast<long long>(x)); }

// A number as the help's messages show it (Octave's mat2str).
std::string Shown(double x) {
    if (x != x) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
    return Show(x);
}

bool IsText(const mxArray* a) { return mxIsChar(a) && mxGetM(a) <= 1; }

std::string Text(const mxArray* a) {
    std::string text(mxGetNumberOfElements(a) + 1, '\0');
    mxGetString(a, &text[0], static_cast<mwSize>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

const char* ClassName(const mxArray* a) {
    switch (mxGetClassID(a)) {
        case mxCELL_CLASS:
            return "cell";
        case mxSTRUCT_CLASS:
            return "struct";
        case mxLOGICAL_CLASS:
            return "logical";
        case mxCHAR_CLASS:
            return "char";
        case mxDOUBLE_CLASS:
            return "double";
        case mxSINGLE_CLASS:
            return "single";
        case mxINT8_CLASS:
            return "int8";
        case mxUINT8_CLASS:
            return "uint8";
        case mxINT16_CLASS:
            return "int16";
        case mxUINT16_CLASS:
            return "uint16";
        case mxINT32_CLASS:
            return "int32";
        case mxUINT32_CLASS:
            return "uint32";
        case mxINT64_CLASS:
            return "int64";
        case mxUINT64_CLASS:
            return "uint64";
        default:
            return "unknown";
    }
}

bool IsRealNumeric(const mxArray* a) { return mxIsNumeric(a) && !mxIsComplex(a) && !mxIsSparse(a); }

// What was found, as messages show it: short text or a real scalar as
// itself, anything else as its size and class ("a 2x3 cell array").
std::string Found(const mxArray* a) {
    if (IsText(a) && mxGetNumberOfElements(a) <= 40) return "'" + Text(a) + "'";
    if ((IsRealNumeric(a) || mxIsLogical(a)) && mxGetNumberOfElements(a) == 1) {
        if (mxIsLogical(a)) return ElementAsDouble(a, 0) != 0.0 ? "true" : "false";
        return Shown(ElementAsDouble(a, 0));
    }
    std::string dims;
    const mwSize* size = mxGetDimensions(a);
    for (mwSize k = 0; k < mxGetNumberOfDimensions(a); ++k) dims += (k ? "x" : "") + Num(static_cast<double>(size[k]));
    const std::string kind = mxIsStruct(a) ? "struct" : std::string(ClassName(a)) + " array";
    return "a " + dims + " " + kind;
}

[[noreturn]] void FailOption(const char* name, const std::string& expected, const mxArray* value) {
    Fail(Reason::kOption, std::string("option '") + name + "' must be " + expected + "; found " + Found(value) + ".");
}

bool IsInteger(double x) { return x - x == 0.0 && x == std::trunc(x); }

// A real numeric scalar holding an integer within [low, high].
bool IntegerIn(const mxArray* value, double low, double high, double& x) {
    if (!IsRealNumeric(value) || mxGetNumberOfElements(value) != 1) return false;
    x = ElementAsDouble(value, 0);
    return IsInteger(x) && x >= low && x <= high;
}

std::int32_t Count(const mxArray* value, const char* name) {
    double x = 0.0;
    if (!IntegerIn(value, 1.0, 2147483647.0, x))
        Fail(Reason::kDataSize, std::string(name) + " must be a positive integer; found " + Found(value) + ".");
    return static_cast<std::int32_t>(x);
}

bool SameName(const std::string& given, const char* name) {
    if (given.size() != std::strlen(name)) return false;
    for (std::size_t k = 0; k < given.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(given[k])) != std::tolower(static_cast<unsigned char>(name[k])))
            return false;
    return true;
}

// One of two words, whatever their case.
bool Choice(const mxArray* value, const char* name, const char* first, const char* second) {
    if (IsText(value)) {
        const std::string text = Text(value);
        if (SameName(text, first)) return false;
        if (SameName(text, second)) return true;
    }
    FailOption(name, std::string("'") + first + "' or '" + second + "'", value);
}

struct RawOptions {
    const mxArray* rootNode = nullptr;
    const mxArray* seed = nullptr;
    const mxArray* spread = nullptr;
    const mxArray* mask = nullptr;
    const mxArray* ranges = nullptr;
    const mxArray* threads = nullptr;
    const mxArray* method = nullptr;
    const mxArray* lattice = nullptr;
    const mxArray* compact = nullptr;
};

// Name-value pairs from prhs[first]; the last of a repeated name counts.
RawOptions ParseNames(const Call& call, int first) {
    const int count = call.nrhs - first;
    if (count % 2 != 0)
        Fail(Reason::kOption, "options after argument " + std::to_string(first) +
                                  " come in name-value pairs; found an odd number (" + std::to_string(count) +
                                  ") of arguments there. Accepted options: " + kAccepted + ".");
    RawOptions raw;
    const struct {
        const char* name;
        const mxArray* RawOptions::*slot;
    } table[] = {{"RootNode", &RawOptions::rootNode}, {"Seed", &RawOptions::seed},
                 {"Spread", &RawOptions::spread},     {"Mask", &RawOptions::mask},
                 {"Ranges", &RawOptions::ranges},     {"Threads", &RawOptions::threads},
                 {"Method", &RawOptions::method},     {"Lattice", &RawOptions::lattice},
                 {"Compact", &RawOptions::compact}};
    for (int a = first; a < call.nrhs; a += 2) {
        const mxArray* key = call.prhs[a];
        if (!IsText(key))
            Fail(Reason::kOption, "argument " + std::to_string(a + 1) + " must be an option name (" + kAccepted +
                                      "); found " + Found(key) + ".");
        const std::string name = Text(key);
        bool known = false;
        for (const auto& entry : table)
            if (SameName(name, entry.name)) {
                raw.*entry.slot = call.prhs[a + 1];
                known = true;
            }
        if (!known)
            Fail(Reason::kOption, "unknown option '" + name + "' (argument " + std::to_string(a + 1) +
                                      "); accepted: " + kAccepted + ".");
    }
    return raw;
}

bool Given(const mxArray* value) { return value && !mxIsEmpty(value); }

void ReadOptions(const RawOptions& raw, std::int32_t dimension, std::int32_t samples, InitArguments& out) {
    double x = 0.0;
    if (raw.rootNode) {
        if (!IntegerIn(raw.rootNode, 0.0, dimension, x))
            FailOption("RootNode", "an integer in 0.." + std::to_string(dimension), raw.rootNode);
        out.rootNode = static_cast<std::int32_t>(x);
    }
    if (Given(raw.seed)) {
        if (!IntegerIn(raw.seed, 0.0, 4294967295.0, x)) FailOption("Seed", "an integer in 0..2^32-1", raw.seed);
        out.hasSeed = true;
        out.seed = static_cast<std::uint64_t>(x);
    }
    if (raw.spread) {
        x = IsRealNumeric(raw.spread) && mxGetNumberOfElements(raw.spread) == 1 ? ElementAsDouble(raw.spread, 0) : -1;
        if (!(x >= 0.0 && x <= 1.0)) FailOption("Spread", "a number in 0..1", raw.spread);
        out.spread = x;
    }
    if (Given(raw.mask) &&
        (!(IsRealNumeric(raw.mask) || mxIsLogical(raw.mask)) || mxGetNumberOfDimensions(raw.mask) != 2 ||
         mxGetM(raw.mask) != static_cast<std::size_t>(dimension) ||
         mxGetN(raw.mask) != static_cast<std::size_t>(samples)))
        Fail(Reason::kDataSize, "option 'Mask' must be a " + std::to_string(dimension) + " x " +
                                    std::to_string(samples) + " matrix, the size of CODES; found " + Found(raw.mask) +
                                    ".");
    if (Given(raw.ranges)) {
        bool valid =
            IsRealNumeric(raw.ranges) && mxGetNumberOfElements(raw.ranges) == static_cast<std::size_t>(dimension);
        double total = 0.0;
        for (std::size_t i = 0; valid && i < static_cast<std::size_t>(dimension); ++i) {
            const double r = ElementAsDouble(raw.ranges, i);
            valid = IsInteger(r) && r >= 1.0;
            total += valid ? r : 0.0;
        }
        if (!valid)
            Fail(Reason::kDataSize, "option 'Ranges' must hold " + std::to_string(dimension) +
                                        " positive integers, one per variable; found " + Found(raw.ranges) + ".");
        if (total > kMaxValues)
            Fail(Reason::kDataSize, "option 'Ranges' sums to " + Shown(total) + " values; a model holds at most " +
                                        Num(kMaxValues) + ". Merge rare values of the variables with many.");
        out.ranges.resize(static_cast<std::size_t>(dimension));
        for (std::size_t i = 0; i < out.ranges.size(); ++i)
            out.ranges[i] = static_cast<std::int32_t>(ElementAsDouble(raw.ranges, i));
    }
    if (raw.threads) {
        if (!IntegerIn(raw.threads, 1.0, 1024.0, x)) FailOption("Threads", "an integer in 1..1024", raw.threads);
        out.threads = static_cast<int>(x);
    }
    if (raw.method) out.random = Choice(raw.method, "Method", "linear", "random");
    if (raw.lattice) out.hexagonal = Choice(raw.lattice, "Lattice", "rectangular", "hexagonal");
    if (raw.compact) {
        if ((!mxIsNumeric(raw.compact) && !mxIsLogical(raw.compact)) || mxGetNumberOfElements(raw.compact) != 1)
            FailOption("Compact", "a logical or numeric scalar", raw.compact);
        out.hasCompact = true;
        out.compact = ElementAsDouble(raw.compact, 0) != 0.0;
    }
    if (out.compact && out.random)
        Fail(Reason::kOption, "option 'Compact' makes first models by the linear method only; leave 'Method' "
                              "'random' out, or make the model whole and convert it with TavrixCompact.");
}

[[noreturn]] void FailCode(std::size_t e, std::int32_t dimension, double code, const std::string& requirement,
                           const std::string& advice) {
    const std::string i = std::to_string(e % static_cast<std::size_t>(dimension) + 1);
    const std::string j = std::to_string(e / static_cast<std::size_t>(dimension) + 1);
    Fail(Reason::kCodeRange, "CODES entry (" + i + ", " + j + ") must be a value code of variable " + i + ", " +
                                 requirement + "; found " + Shown(code) + "." + advice);
}

// The codes, missing where NaN or where the mask is 0; every other entry a
// non-negative integer below its variable's range (given, or else the
// largest code + 1).
void ReadCodeValues(const mxArray* data, const mxArray* mask, InitArguments& out) {
    const std::int32_t d = out.codes.dimension;
    const std::size_t count = static_cast<std::size_t>(d) * static_cast<std::size_t>(out.codes.numSamples);
    const std::vector<double> codes = ElementsAsDoubles(data);
    std::vector<unsigned char> missing(count);
    const std::vector<double> flags = mask ? ElementsAsDoubles(mask) : std::vector<double>();
    for (std::size_t e = 0; e < count; ++e) missing[e] = codes[e] != codes[e] || (mask && flags[e] == 0.0);
    std::vector<double> largest(static_cast<std::size_t>(d), -1.0);
    bool anyObserved = false;
    // In sample order, so that the first bad entry is named.
    for (std::size_t e = 0; e < count; ++e) {
        const double code = codes[e];
        if (missing[e]) continue;
        if (!(code >= 0.0) || !IsInteger(code)) FailCode(e, d, code, "a non-negative integer", "");
        anyObserved = true;
        double& top = largest[e % static_cast<std::size_t>(d)];
        if (code > top) top = code;
    }
    if (!anyObserved) Fail(Reason::kDataSize, "CODES has no observed entry.");
    const bool rangesGiven = !out.ranges.empty();
    if (rangesGiven) {
        for (std::size_t e = 0; e < count; ++e) {
            const double code = codes[e];
            if (missing[e]) continue;
            const std::int32_t r = out.ranges[e % static_cast<std::size_t>(d)];
            if (code >= r)
                FailCode(e, d, code,
                         "within 0.." + std::to_string(r - 1) + " as Ranges(" +
                             std::to_string(e % static_cast<std::size_t>(d) + 1) + ") = " + std::to_string(r),
                         code == r ? " Codes are 0-based: subtract 1 from 1-based codes." : "");
        }
    } else {
        double total = 0.0;
        for (double top : largest) total += top < 0.0 ? 1.0 : top + 1.0;
        if (total > kMaxValues)
            Fail(Reason::kDataSize, "CODES hold " + Shown(total) +
                                        " distinct value codes in all (largest code + 1 "
                                        "per variable); a model holds at most " +
                                        Num(kMaxValues) + ". Codes number each variable's values 0, 1, 2, ...");
        for (double top : largest) out.ranges.push_back(top < 0.0 ? 1 : static_cast<std::int32_t>(top) + 1);
    }
    out.codes.codes.resize(count);
    for (std::size_t e = 0; e < count; ++e)
        out.codes.codes[e] = missing[e] ? kMissingCode : static_cast<std::int32_t>(codes[e]);
}

// Data that look transposed or 1-based give a warning, not an error: both can be meant.
void WarnAboutLayout(const InitArguments& args) {
    if (args.codes.dimension > args.codes.numSamples) {
        const std::string text = "CODES has more variables (" + std::to_string(args.codes.dimension) +
                                 " rows) than samples (" + std::to_string(args.codes.numSamples) +
                                 " columns); each sample is a column: if the samples are rows, pass CODES'.";
        mexWarnMsgIdAndTxt("Tavrix:TavrixInit:transposed", "%s", text.c_str());
    }
    for (std::int32_t code : args.codes.codes)
        if (code == 0) return;
    mexWarnMsgIdAndTxt("Tavrix:TavrixInit:oneBased",
                       "no variable uses code 0. Codes are 0-based: if these are 1-based, pass CODES - 1.");
}

}  // namespace

InitArguments ReadInitArguments(const Call& call) {
    if (call.nrhs < 1)
        Fail(Reason::kArgumentCount, "CODES is missing: call TavrixInit(CODES) or TavrixInit(CODES, ROWS, COLS).");
    if (call.nlhs > 1)
        Fail(Reason::kOutputCount, "gives one result, the model; " + std::to_string(call.nlhs) + " were requested.");
    const mxArray* data = call.prhs[0];
    if (mxIsChar(data) || mxIsCell(data))
        Fail(Reason::kDataClass, std::string("CODES must be a numeric matrix of value codes; found ") +
                                     (mxIsChar(data) ? "text" : "a cell array") +
                                     ". TavrixRead reads a data file into codes.");
    if (!(IsRealNumeric(data) || (mxIsLogical(data) && !mxIsSparse(data))) || mxGetNumberOfDimensions(data) != 2)
        Fail(Reason::kDataClass, "CODES must be a real numeric or logical Dimension x N matrix; found " + Found(data) +
                                     (mxIsSparse(data) ? " (sparse: pass full(CODES))" : "") + ".");
    if (mxGetM(data) >= (std::size_t{1} << 31) || mxGetN(data) >= (std::size_t{1} << 31))
        Fail(Reason::kDataSize, "CODES must have fewer than 2^31 rows and columns.");
    InitArguments out;
    out.codes.dimension = static_cast<std::int32_t>(mxGetM(data));
    out.codes.numSamples = static_cast<std::int32_t>(mxGetN(data));
    out.sizeGiven = call.nrhs >= 2 && !mxIsChar(call.prhs[1]);
    int first = 1;
    if (out.sizeGiven) {
        if (call.nrhs < 3)
            Fail(Reason::kArgumentCount,
                 "COLS is missing after ROWS: give both, TavrixInit(CODES, ROWS, COLS), or neither.");
        out.rows = Count(call.prhs[1], "ROWS");
        out.columns = Count(call.prhs[2], "COLS");
        if (static_cast<double>(out.rows) * out.columns >= 2147483648.0)
            Fail(Reason::kDataSize, "ROWS x COLS must be below 2^31 units; found " + std::to_string(out.rows) + " x " +
                                        std::to_string(out.columns) + ".");
        first = 3;
    }
    out.threads = DefaultThreadCount();
    const RawOptions raw = ParseNames(call, first);
    ReadOptions(raw, out.codes.dimension, out.codes.numSamples, out);
    ReadCodeValues(data, Given(raw.mask) ? raw.mask : nullptr, out);
    WarnAboutLayout(out);
    return out;
}

std::uint64_t HostRandomSeed() {
    mxArray* drawn[1] = {nullptr};
    if (mexCallMATLAB(1, drawn, 0, nullptr, "rand") == 0 && drawn[0]) {
        const bool usable = mxIsDouble(drawn[0]) && mxGetNumberOfElements(drawn[0]) == 1;
        const double u = usable ? mxGetScalar(drawn[0]) : 0.0;
        mxDestroyArray(drawn[0]);
        if (usable) return static_cast<std::uint64_t>(u * 9007199254740992.0);
    }
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace tavrix::host
