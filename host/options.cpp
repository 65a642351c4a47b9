#include "options.hpp"

#include <cctype>
#include <ctime>
#include <string>
#include <vector>

#include "../core/parallel.hpp"
#include "data_reader.hpp"
#include "lattice_reader.hpp"

namespace tavrix::host {
namespace {

struct OptionEntry {
    const char* name;
    OptionFlags flag;
};

constexpr OptionEntry kOptionTable[] = {
    {"Threads", kThreadsOption},
    {"Seed", kSeedOption},
    {"Verbose", kVerboseOption},
    {"Radius", kRadiusOption},
    {"Prior", kPriorOption},
    {"Mask", kMaskOption},
    {"UseParallel", kUseParallelOption},
    {"HeldOut", kHeldOutOption},
    {"FirstColumn", kFirstColumnOption},
    {"Validation", kValidationOption},
    {"Assignment", kAssignmentOption},
    {"Lattice", kLatticeOption},
    {"Checkpoint", kCheckpointOption},
    {"CheckpointEvery", kCheckpointEveryOption},
    {"Resume", kResumeOption},
    {"OutputFcn", kOutputFcnOption},
    {"Compact", kCompactOption},
};

bool SameName(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return i == a.size() && b[i] == '\0';
}

std::string AcceptedNames(unsigned accepted) {
    std::string names;
    for (const OptionEntry& e : kOptionTable)
        if (accepted & e.flag) names += (names.empty() ? "'" : ", '") + std::string(e.name) + "'";
    return names.empty() ? "none" : names;
}

double RealScalar(const mxArray* value, const char* name) {
    if ((!mxIsNumeric(value) && !mxIsLogical(value)) || mxIsComplex(value) || mxGetNumberOfElements(value) != 1)
        Fail(Reason::kOption, std::string("option '") + name + "' must be given a real scalar.");
    return mxGetScalar(value);
}

// An integer value within [low, high], given exactly (no fraction).
double IntegerValue(const mxArray* value, const char* name, double low, double high, const char* expected) {
    const double x = RealScalar(value, name);
    if (!(x >= low && x <= high) || x != static_cast<double>(static_cast<std::int64_t>(x)))
        Fail(Reason::kOption, std::string("option '") + name + "' must be " + expected + "; found " + Show(x) + ".");
    return x;
}

bool PositiveFinite(double x) { return x > 0.0 && x - x == 0.0; }

double PositiveValue(const mxArray* value, const char* name) {
    const double x = RealScalar(value, name);
    if (!PositiveFinite(x))
        Fail(Reason::kOption, std::string("option '") + name + "' must be a positive finite number; found " + Show(x) + ".");
    return x;
}

// One or two positive finite reals: the first and the last epoch's radius.
void ReadRadius(const mxArray* value, const char* name, double (&radius)[2]) {
    const std::size_t count = mxGetNumberOfElements(value);
    if ((!mxIsNumeric(value) && !mxIsLogical(value)) || mxIsComplex(value) || count < 1 || count > 2)
        Fail(Reason::kOption, std::string("option '") + name + "' must be a positive number or a pair [start end].");
    for (std::size_t e = 0; e < 2; ++e) {
        const double x = ElementAsDouble(value, e < count ? e : 0);
        if (!PositiveFinite(x))
            Fail(Reason::kOption, std::string("option '") + name + "' must hold positive finite numbers; found " +
                                      Show(x) + ".");
        radius[e] = x;
    }
}

// 'hard', 'soft' or 'hard-then-soft', in any case.
AssignmentMode ReadAssignment(const mxArray* value, const char* name) {
    char text[32] = {0};
    if (mxIsChar(value) && mxGetString(value, text, sizeof text) == 0) {
        if (SameName(text, "hard")) return AssignmentMode::kHard;
        if (SameName(text, "soft")) return AssignmentMode::kSoft;
        if (SameName(text, "hard-then-soft")) return AssignmentMode::kHardThenSoft;
    }
    Fail(Reason::kOption, std::string("option '") + name + "' must be 'hard', 'soft' or 'hard-then-soft'" +
                              (mxIsChar(value) && text[0] ? std::string("; found '") + text + "'." : "."));
}

// A file name: a non-empty character row.
std::string FileName(const mxArray* value, const char* name) {
    if (!mxIsChar(value) || mxGetM(value) != 1 || mxGetN(value) == 0)
        Fail(Reason::kOption, std::string("option '") + name + "' must be given a file name (a character row).");
    std::vector<char> text(mxGetNumberOfElements(value) + 1);
    mxGetString(value, text.data(), static_cast<mwSize>(text.size()));
    return text.data();
}

}  // namespace

Options ParseOptions(const Call& call, int first, unsigned accepted) {
    Options options;
    options.threads = DefaultThreadCount();
    for (int a = first; a + 1 < call.nrhs; a += 2) {
        const mxArray* key = call.prhs[a];
        char buffer[64] = {0};
        if (!mxIsChar(key) || mxGetString(key, buffer, sizeof buffer) != 0)
            Fail(Reason::kOption, "argument " + std::to_string(a + 1) + " must be an option name (" +
                                      AcceptedNames(accepted) + ").");
        const std::string name(buffer);
        const OptionEntry* entry = nullptr;
        for (const OptionEntry& e : kOptionTable)
            if ((accepted & e.flag) && SameName(name, e.name)) entry = &e;
        if (!entry)
            Fail(Reason::kOption, "unknown option '" + name + "'; accepted: " + AcceptedNames(accepted) + ".");
        const mxArray* value = call.prhs[a + 1];
        switch (entry->flag) {
            case kThreadsOption:
                options.threads = static_cast<int>(IntegerValue(value, entry->name, 1, 1024, "an integer within 1..1024"));
                break;
            case kSeedOption:
                options.seed = static_cast<std::uint64_t>(
                    IntegerValue(value, entry->name, 0, 9007199254740992.0, "a non-negative integer up to 2^53"));
                options.hasSeed = true;
                break;
            case kVerboseOption:
                options.verbose = RealScalar(value, entry->name) != 0.0;
                break;
            case kRadiusOption:
                ReadRadius(value, entry->name, options.radius);
                options.hasRadius = true;
                break;
            case kPriorOption:
                options.prior = PositiveValue(value, entry->name);
                options.hasPrior = true;
                break;
            case kMaskOption:
                options.mask = value;
                break;
            case kUseParallelOption:
                options.useParallel = RealScalar(value, entry->name) != 0.0;
                break;
            case kCompactOption:
                options.compact = RealScalar(value, entry->name) != 0.0;
                options.hasCompact = true;
                break;
            case kHeldOutOption:
                options.heldOut = RealScalar(value, entry->name);
                if (!(options.heldOut >= 0.0 && options.heldOut < 1.0))
                    Fail(Reason::kOption, std::string("option '") + entry->name +
                                              "' must be a share of the samples within [0, 1); found " +
                                              Show(options.heldOut) + ".");
                options.hasHeldOut = true;
                break;
            case kFirstColumnOption:
                options.firstColumn = static_cast<std::int64_t>(IntegerValue(
                                          value, entry->name, 1, 9007199254740992.0, "a positive integer up to 2^53")) -
                                      1;
                break;
            case kValidationOption:
                options.validation = value;
                break;
            case kAssignmentOption:
                options.assignment = ReadAssignment(value, entry->name);
                options.hasAssignment = true;
                break;
            case kLatticeOption:
                options.lattice = ReadLatticeOption(value);
                options.hasLattice = true;
                break;
            case kCheckpointOption:
                options.checkpoint = FileName(value, entry->name);
                break;
            case kCheckpointEveryOption:
                options.checkpointEvery = static_cast<std::int32_t>(
                    IntegerValue(value, entry->name, 1, 2147483647.0, "a positive integer (epochs)"));
                break;
            case kResumeOption:
                options.resume = FileName(value, entry->name);
                break;
            case kOutputFcnOption:
                if (mxGetClassID(value) != mxFUNCTION_CLASS)
                    Fail(Reason::kOption, std::string("option '") + entry->name +
                                              "' must be a function handle, such as @(report) report.Epoch >= 5.");
                options.outputFcn = value;
                break;
        }
    }
    return options;
}

std::uint64_t SeedOrCalendarTime(const Options& options) {
    return options.hasSeed ? options.seed : static_cast<std::uint64_t>(std::time(nullptr));
}

}  // namespace tavrix::host
