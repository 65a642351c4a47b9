#include "checkpoint.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "batch_fields.hpp"
#include "errors.hpp"
#include "model_reader.hpp"
#include "model_writer.hpp"

namespace tavrix::host {
namespace {

constexpr const char* kFormat = "Tavrix checkpoint 1";
constexpr std::size_t kReportColumns = 4;  // radius, log-likelihood, changed share, held-out log-likelihood

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

OwnedArray Text(const std::string& text) { return OwnedArray(mxCreateString(text.c_str())); }

// Reads the fields of one checkpoint struct, failing with the file's name.
class Reader {
public:
    Reader(const mxArray* array, const std::string& file) : array_(array), file_(file) {
        if (array == nullptr || !mxIsStruct(array) || mxGetNumberOfElements(array) != 1 ||
            mxGetField(array, 0, "Format") == nullptr)
            Refuse("is not a Tavrix checkpoint (no 1x1 struct 'checkpoint' with a field 'Format'); name a file that "
                   "'Checkpoint' or --checkpoint wrote");
        if (String("Format") != kFormat)
            Refuse("holds a checkpoint of another format ('" + String("Format") + "', expected '" + kFormat + "')");
    }

    [[noreturn]] void Refuse(const std::string& what) const { Fail(Reason::kCheckpoint, file_ + ": " + what + "."); }

    const mxArray* Field(const char* name) const {
        const mxArray* field = mxGetField(array_, 0, name);
        if (field == nullptr) Refuse(std::string("is damaged: it lacks the field '") + name + "'");
        return field;
    }

    std::string String(const char* name) const {
        const mxArray* field = Field(name);
        if (!mxIsChar(field) || mxGetM(field) > 1) Refuse(std::string("is damaged: field '") + name + "' is not text");
        std::vector<char> text(mxGetNumberOfElements(field) + 1);
        mxGetString(field, text.data(), static_cast<mwSize>(text.size()));
        return text.data();
    }

    // A real double array of `count` values (any count when `count` is kAny).
    const double* Doubles(const char* name, std::size_t count) const {
        const mxArray* field = Field(name);
        if (!mxIsDouble(field) || mxIsComplex(field) || mxIsSparse(field) ||
            (count != kAny && mxGetNumberOfElements(field) != count))
            Refuse(std::string("is damaged: field '") + name + "' is not " +
                   (count == kAny ? std::string("a real double array") : std::to_string(count) + " real doubles"));
        return mxGetPr(field);
    }

    double Scalar(const char* name) const { return *Doubles(name, 1); }

    std::int32_t Count(const char* name, std::int32_t most) const {
        const double value = Scalar(name);
        if (!(value >= 0.0 && value <= most) || value != static_cast<double>(static_cast<std::int32_t>(value)))
            Refuse(std::string("is damaged: field '") + name + "' is " + Show(value) + ", not a count up to " +
                   std::to_string(most));
        return static_cast<std::int32_t>(value);
    }

    // A vector of `count` doubles, or none.
    std::vector<double> Optional(const char* name, std::size_t count) const {
        const std::size_t n = mxGetNumberOfElements(Field(name));
        const double* values = Doubles(name, n == 0 ? 0 : count);
        return std::vector<double>(values, values + (n == 0 ? 0 : count));
    }

    static constexpr std::size_t kAny = static_cast<std::size_t>(-1);

private:
    const mxArray* array_;
    const std::string& file_;
};

// Requires the checkpoint's settings and fingerprints to be those of `expected`.
void RequireSameRun(const Reader& r, const RunIdentity& expected) {
    const struct {
        const char* field;
        std::uint64_t wanted;
        const char* what;
    } prints[] = {{"DataFingerprint", expected.data, "other data"},
                  {"ModelFingerprint", expected.model, "another first model"},
                  {"ValidationFingerprint", expected.validation, "other validation samples"}};
    for (const auto& p : prints)
        if (r.String(p.field) != Hex(p.wanted))
            r.Refuse(std::string("holds a run trained from ") + p.what + " (" + p.field + " " + r.String(p.field) +
                     ", this run's " + Hex(p.wanted) + "); resume with the data and first model it was started from, "
                     "or start afresh without resuming");
    const struct {
        const char* field;
        double wanted;
    } settings[] = {{"Epochs", static_cast<double>(expected.epochs)}, {"RadiusStart", expected.radiusStart},
                    {"RadiusEnd", expected.radiusEnd},                 {"Prior", expected.prior},
                    {"HeldOut", expected.heldOut},                     {"Assignment", expected.assignment},
                    {"Lattice", expected.lattice}};
    for (const auto& s : settings) {
        const double saved = r.Scalar(s.field);
        if (std::memcmp(&saved, &s.wanted, sizeof saved) != 0)
            r.Refuse(std::string("holds a run with ") + s.field + " " + Show(saved) + ", this run's is " +
                     Show(s.wanted) + "; resume with the settings it was started with");
    }
}

// The model saved with the checkpoint: a model of the same shape as the first.
OwnedArray ReadSavedModel(const Reader& r, const MapModel& first) {
    const mxArray* saved = r.Field("Model");
    MapModel view;
    try {
        view = ReadModel(saved, 1);
        RequireBatchFields(saved, view);
    } catch (const Failure& f) {
        r.Refuse(std::string("is damaged: its model is not one: ") + f.what());
    }
    if (view.numRowsMap != first.numRowsMap || view.numColsMap != first.numColsMap ||
        view.dimension != first.dimension || view.numValues != first.numValues || view.rootNode != first.rootNode ||
        std::memcmp(view.translate.data(), first.translate.data(), first.translate.size() * sizeof(double)) != 0)
        r.Refuse("is damaged: its model's shape differs from the first model's");
    return OwnedArray(mxDuplicateArray(saved));
}

}  // namespace

OwnedArray CheckpointArray(const RunIdentity& run, const BatchRunState& state, Span<const EpochReport> reports,
                           const mxArray* model) {
    std::vector<double> table(reports.size() * kReportColumns);
    for (std::size_t e = 0; e < reports.size(); ++e) {
        const EpochReport& r = reports[e];
        const double row[kReportColumns] = {r.radius, r.logLikelihood, r.changed, r.heldOutLogLikelihood};
        for (std::size_t c = 0; c < kReportColumns; ++c) table[e + c * reports.size()] = row[c];
    }
    OwnedArray out = DoublesStruct({{"Epochs", {static_cast<double>(run.epochs)}},
                                    {"RadiusStart", {run.radiusStart}},
                                    {"RadiusEnd", {run.radiusEnd}},
                                    {"Prior", {run.prior}},
                                    {"HeldOut", {run.heldOut}},
                                    {"Assignment", {run.assignment}},
                                    {"Lattice", {run.lattice}},
                                    {"EpochsDone", {static_cast<double>(state.epochsDone)}},
                                    {"Selecting", {state.selecting ? 1.0 : 0.0}},
                                    {"FirstCompetes", {state.firstCompetes ? 1.0 : 0.0}},
                                    {"LastOnEverySample", {state.lastOnEverySample ? 1.0 : 0.0}},
                                    {"StartScore", {state.startScore}},
                                    {"BestEpoch", {static_cast<double>(state.bestEpoch)}},
                                    {"BestScore", {state.bestScore}},
                                    {"BestRadius", {state.bestRadius}},
                                    {"BestCount", state.bestCount},
                                    {"BestValues", state.bestValues},
                                    {"BestPairs", state.bestPairs},
                                    {"BestBaselines", std::vector<double>(state.bestBaselines.begin(),
                                                                          state.bestBaselines.end())},
                                    {"FirstModel", state.firstModel},
                                    {"Reports", table, kReportColumns}});
    // A struct's fields are fixed when it is made: copy those into one that also has the rest.
    std::vector<const char*> names = {"Format", "DataFingerprint", "ModelFingerprint", "ValidationFingerprint", "Model"};
    const int numeric = mxGetNumberOfFields(out.get());
    for (int f = 0; f < numeric; ++f) names.push_back(mxGetFieldNameByNumber(out.get(), f));
    OwnedArray whole(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    mxSetField(whole.get(), 0, "Format", Text(kFormat).release());
    mxSetField(whole.get(), 0, "DataFingerprint", Text(Hex(run.data)).release());
    mxSetField(whole.get(), 0, "ModelFingerprint", Text(Hex(run.model)).release());
    mxSetField(whole.get(), 0, "ValidationFingerprint", Text(Hex(run.validation)).release());
    mxSetField(whole.get(), 0, "Model", mxDuplicateArray(model));
    for (int f = 0; f < numeric; ++f) {
        const char* name = mxGetFieldNameByNumber(out.get(), f);
        mxSetField(whole.get(), 0, name, mxDuplicateArray(mxGetField(out.get(), 0, name)));
    }
    return whole;
}

Checkpoint ReadCheckpoint(const mxArray* array, const std::string& file, const RunIdentity& expected,
                          const MapModel& first) {
    const Reader r(array, file);
    RequireSameRun(r, expected);
    const auto units = static_cast<std::size_t>(first.NumUnits());
    const auto v = static_cast<std::size_t>(first.numValues);
    const auto d = static_cast<std::size_t>(first.dimension);
    std::size_t pairs = 0;
    for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = i + 1; j < d; ++j)
            pairs += static_cast<std::size_t>(first.ranges[i]) * static_cast<std::size_t>(first.ranges[j]);

    Checkpoint c;
    BatchRunState& s = c.state;
    s.epochs = expected.epochs;
    s.radiusStart = expected.radiusStart;
    s.radiusEnd = expected.radiusEnd;
    s.epochsDone = r.Count("EpochsDone", expected.epochs);
    s.selecting = r.Scalar("Selecting") != 0.0;
    s.firstCompetes = r.Scalar("FirstCompetes") != 0.0;
    s.lastOnEverySample = r.Scalar("LastOnEverySample") != 0.0;
    s.startScore = r.Scalar("StartScore");
    s.bestEpoch = r.Count("BestEpoch", s.epochsDone);
    s.bestScore = r.Scalar("BestScore");
    s.bestRadius = r.Scalar("BestRadius");
    s.bestCount = r.Optional("BestCount", units);
    s.bestValues = r.Optional("BestValues", units * v);
    s.bestPairs = r.Optional("BestPairs", units * pairs);
    for (const double code : r.Optional("BestBaselines", d)) s.bestBaselines.push_back(static_cast<std::int32_t>(code));
    // As HeldOutSelection keeps the first model: every unit's tables, then Pi and NumVictories.
    s.firstModel = r.Optional("FirstModel", units * (v + v * v + 2 * d * d + 2));
    if (s.selecting && ((s.firstCompetes && s.firstModel.empty()) || (s.bestEpoch > 0 && s.bestCount.empty())))
        r.Refuse("is damaged: it selects by held-out score but lacks the models it selects from");
    const double* table = r.Doubles("Reports", static_cast<std::size_t>(s.epochsDone) * kReportColumns);
    const auto rows = static_cast<std::size_t>(s.epochsDone);
    for (std::size_t e = 0; e < rows; ++e)
        c.reports.push_back({table[e], table[e + rows], table[e + 2 * rows], table[e + 3 * rows]});
    c.model = ReadSavedModel(r, first);
    return c;
}

}  // namespace tavrix::host
