#include "runner_cases.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/support/random_model.hpp"

namespace tavrix::runner {

using testing::Matrix;
using testing::MxPtr;
using testing::Random;
using testing::Scalar;
using testing::Text;

Kind FieldKind(const char* field) {
    for (const char* name : {"Graph", "NumVictories", "Translate", "Ranges", "NumRowsMap", "NumColsMap", "Dimension",
                             "MaxRange", "NumValues", "RootNode", "Samples", "Seed", "Iterations", "Threads", "Count",
                             "Values", "Pairs"})
        if (std::strcmp(field, name) == 0) return Kind::kInteger;
    return Kind::kReal;
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class Builder {
public:
    const mxArray* Keep(MxPtr array) {
        set_.arrays.push_back(std::move(array));
        return set_.arrays.back().get();
    }
    const mxArray* Keep(mxArray* array) { return Keep(MxPtr(array)); }

    void Add(std::string name, std::string gateway, int nlhs, std::vector<const mxArray*> args,
             std::vector<Kind> kinds = {}) {
        Case c;
        c.name = std::move(name);
        c.gateway = std::move(gateway);
        c.nlhs = nlhs;
        c.args = std::move(args);
        c.kinds = std::move(kinds);
        set_.cases.push_back(std::move(c));
    }

    // A copy of `model` with one field replaced.
    const mxArray* Changed(const mxArray* model, const char* field, MxPtr value) {
        MxPtr copy(mxDuplicateArray(model));
        testing::SetField(copy.get(), field, std::move(value));
        return Keep(std::move(copy));
    }

    // The last case keeps its first result for later cases to take as their model.
    void Keep(const char*) { set_.cases.back().keepResult = true; }
    // The last case takes its first argument from the kept result of case `name`.
    void From(const char* name) { set_.cases.back().modelFrom = name; }

    CaseSet Take() { return std::move(set_); }

private:
    CaseSet set_;
};

struct Fixture {
    reference::RawModel raw;
    std::vector<double> samples;
    const mxArray* model;
    const mxArray* data;
};

Fixture MakeFixture(Builder& b, std::uint64_t seed, const testing::ModelShape& shape, int n, bool proper,
                    bool withTrainingSamples) {
    Random random(seed);
    Fixture f;
    f.raw = testing::RandomModel(random, shape);
    if (proper) testing::MakeProper(random, f.raw);
    f.samples = testing::RandomSamples(random, f.raw, n, true);
    if (withTrainingSamples) f.raw.samples = testing::RandomSamples(random, f.raw, 3 * n, false);
    f.model = b.Keep(testing::ToMx(f.raw));
    f.data = b.Keep(Matrix(static_cast<std::size_t>(shape.dimension), static_cast<std::size_t>(n), f.samples));
    return f;
}

// A mask of the same size as `f.data`: 0.0 hides an entry, 1.0 keeps it; up to
// `hidden` entries per column are hidden.
std::vector<double> RandomMask(std::uint64_t seed, const Fixture& f, int hidden) {
    Random random(seed);
    const auto d = static_cast<int>(f.raw.dimension);
    std::vector<double> mask(f.samples.size(), 1.0);
    for (std::size_t j = 0; d > 0 && j < mask.size() / static_cast<std::size_t>(d); ++j)
        for (int h = random.Below(hidden + 1); h > 0; --h) mask[j * static_cast<std::size_t>(d) + static_cast<std::size_t>(random.Below(d))] = 0.0;
    return mask;
}

void BestCases(Builder& b) {
    const std::vector<Kind> kinds{Kind::kInteger, Kind::kReal};
    const mxArray* threads = b.Keep(Text("Threads"));

    testing::ModelShape small;
    const Fixture s = MakeFixture(b, 11, small, 50, false, false);
    b.Add("best.small.one", "TavrixBest", 1, {s.model, s.data}, kinds);
    b.Add("best.small.two", "TavrixBest", 2, {s.model, s.data}, kinds);
    b.Add("best.small.none", "TavrixBest", 0, {s.model, s.data}, kinds);
    b.Add("best.small.threads3", "TavrixBest", 2, {s.model, s.data, threads, b.Keep(Scalar(3))}, kinds);

    testing::ModelShape wild;
    wild.rows = 3;
    wild.cols = 4;
    wild.dimension = 7;
    wild.maxRange = 4;
    wild.directed = true;
    wild.treeGraphs = false;
    wild.wildGraphs = true;
    wild.zeroShare = 0.2;
    const Fixture w = MakeFixture(b, 12, wild, 120, false, false);
    b.Add("best.directed.wild", "TavrixBest", 2, {w.model, w.data}, kinds);

    testing::ModelShape proper;
    proper.rows = 5;
    proper.cols = 5;
    proper.dimension = 12;
    proper.zeroShare = 0;
    const Fixture p = MakeFixture(b, 13, proper, 400, true, false);
    b.Add("best.proper.threads2", "TavrixBest", 2, {p.model, p.data, threads, b.Keep(Scalar(2))}, kinds);
    proper.directed = true;
    const Fixture pd = MakeFixture(b, 14, proper, 400, true, false);
    b.Add("best.proper.directed", "TavrixBest", 2, {pd.model, pd.data}, kinds);

    // Missing entries, by NaN or by mask: few completions enumerated, many by message passing.
    const std::vector<double> mask = RandomMask(15, pd, 6);
    std::vector<double> missing(pd.samples);
    for (std::size_t k = 0; k < missing.size(); ++k)
        if (mask[k] == 0.0) missing[k] = kNaN;
    b.Add("best.missing", "TavrixBest", 2, {pd.model, b.Keep(Matrix(12, 400, missing)), threads, b.Keep(Scalar(3))},
          kinds);
    b.Add("best.missing.mask", "TavrixBest", 2,
          {pd.model, pd.data, b.Keep(Text("Mask")), b.Keep(Matrix(12, 400, mask))}, kinds);
    b.Add("score.missing", "TavrixScore", 2, {pd.model, b.Keep(Matrix(12, 400, missing))});

    // Codes of an integer class, no samples, no units.
    MxPtr ints(mxCreateNumericMatrix(4, 50, mxINT16_CLASS, mxREAL));
    auto* code = static_cast<short*>(mxGetData(ints.get()));
    for (double x : s.samples) *code++ = static_cast<short>(x);
    b.Add("best.int16", "TavrixBest", 2, {s.model, b.Keep(std::move(ints))}, kinds);
    b.Add("best.empty", "TavrixBest", 2, {s.model, b.Keep(Matrix(4, 0))}, kinds);
    MxPtr noUnits(mxDuplicateArray(s.model));
    testing::SetField(noUnits.get(), "NumColsMap", Scalar(0));
    for (const char* field : {"Marginal", "Intersect", "Graph"})
        testing::SetField(noUnits.get(), field, MxPtr(mxCreateCellMatrix(0, 0)));
    testing::SetField(noUnits.get(), "Pi", Matrix(0, 0));
    b.Add("best.nounits", "TavrixBest", 2, {b.Keep(std::move(noUnits)), s.data}, kinds);

    // Validation errors.
    b.Add("best.error.arguments", "TavrixBest", 1, {s.model});
    b.Add("best.error.outputs", "TavrixBest", 3, {s.model, s.data});
    b.Add("best.error.model", "TavrixBest", 1, {s.data, s.data});
    b.Add("best.error.missing", "TavrixBest", 1, {b.Keep(testing::WithoutField(s.model, "Pi")), s.data});
    b.Add("best.error.class", "TavrixBest", 1, {b.Changed(s.model, "Pi", Text("abcdef")), s.data});
    b.Add("best.error.size", "TavrixBest", 1, {b.Changed(s.model, "Pi", Matrix(1, 5, std::vector<double>(5, 0.2))), s.data});
    b.Add("best.error.ranges", "TavrixBest", 1, {b.Changed(s.model, "Ranges", Matrix(4, 1, {1, 1, 1, 4})), s.data});
    b.Add("best.error.translate", "TavrixBest", 1,
          {b.Changed(s.model, "Translate", Matrix(3, 4, std::vector<double>(12, kNaN))), s.data});
    b.Add("best.error.datasize", "TavrixBest", 1, {s.model, b.Keep(Matrix(3, 5, std::vector<double>(15, 0.0)))});
    b.Add("best.error.dataclass", "TavrixBest", 1, {s.model, b.Keep(Text("abcd"))});
    for (const double bad : {-1.0, HUGE_VAL, 3.0}) {
        std::vector<double> values(s.samples);
        values[7] = bad;
        b.Add("best.error.code", "TavrixBest", 1, {s.model, b.Keep(Matrix(4, 50, values))});
    }
    b.Add("best.error.option", "TavrixBest", 1, {s.model, s.data, b.Keep(Text("Bogus")), b.Keep(Scalar(1))});
    b.Add("best.error.threads", "TavrixBest", 1, {s.model, s.data, threads, b.Keep(Scalar(0))});
}

// Returns the fixture whose model "fit.directed" trains and keeps.
Fixture FitCases(Builder& b) {
    const std::vector<Kind> kinds{Kind::kReal, Kind::kReal};  // struct results: kinds by field
    const mxArray* seed = b.Keep(Text("Seed"));
    const mxArray* threads = b.Keep(Text("Threads"));

    testing::ModelShape small;
    small.zeroShare = 0;
    const Fixture s = MakeFixture(b, 21, small, 40, true, true);
    b.Add("fit.small", "TavrixFit", 1, {s.model, b.Keep(Scalar(300)), seed, b.Keep(Scalar(7))}, kinds);
    b.Add("fit.small.info", "TavrixFit", 2,
          {s.model, b.Keep(Scalar(300)), seed, b.Keep(Scalar(7)), threads, b.Keep(Scalar(3))}, kinds);
    b.Add("fit.zero", "TavrixFit", 1, {s.model, b.Keep(Scalar(0)), seed, b.Keep(Scalar(1))}, kinds);

    testing::ModelShape directed;
    directed.rows = 4;
    directed.cols = 3;
    directed.dimension = 9;
    directed.maxRange = 4;
    directed.directed = true;
    directed.zeroShare = 0;
    const Fixture d = MakeFixture(b, 22, directed, 60, true, true);
    b.Add("fit.directed", "TavrixFit", 1,
          {d.model, b.Keep(Scalar(500)), seed, b.Keep(Scalar(2026)), threads, b.Keep(Scalar(2))}, kinds);
    b.Keep("fit.directed");
    // The trained model goes on to the other functions, as a caller's would.
    b.Add("best.trained", "TavrixBest", 2, {nullptr, d.data}, {Kind::kInteger, Kind::kReal});
    b.From("fit.directed");

    // Validation errors.
    b.Add("fit.error.arguments", "TavrixFit", 1, {s.model});
    b.Add("fit.error.iterations", "TavrixFit", 1, {s.model, b.Keep(Text("many"))});
    b.Add("fit.error.samples", "TavrixFit", 1, {b.Keep(testing::WithoutField(s.model, "Samples")), b.Keep(Scalar(5))});
    b.Add("fit.error.root", "TavrixFit", 1, {b.Changed(s.model, "RootNode", Scalar(9)), b.Keep(Scalar(5))});
    b.Add("fit.error.seed", "TavrixFit", 1, {s.model, b.Keep(Scalar(5)), seed, b.Keep(Scalar(-1))});
    b.Add("fit.error.model", "TavrixFit", 1, {s.data, b.Keep(Scalar(5))});
    return d;
}

void ScoreCases(Builder& b, const Fixture& trained) {
    const mxArray* threads = b.Keep(Text("Threads"));
    testing::ModelShape proper;
    proper.rows = 4;
    proper.cols = 4;
    proper.dimension = 10;
    proper.zeroShare = 0;
    const Fixture p = MakeFixture(b, 31, proper, 300, true, false);
    b.Add("score.proper.one", "TavrixScore", 1, {p.model, p.data});
    b.Add("score.proper.two", "TavrixScore", 2, {p.model, p.data, threads, b.Keep(Scalar(3))});
    proper.directed = true;
    const Fixture pd = MakeFixture(b, 32, proper, 300, true, false);
    b.Add("score.proper.directed", "TavrixScore", 2, {pd.model, pd.data});
    testing::ModelShape wild;
    wild.directed = true;
    wild.wildGraphs = true;
    wild.zeroShare = 0.3;
    const Fixture w = MakeFixture(b, 33, wild, 80, false, false);
    b.Add("score.wild", "TavrixScore", 2, {w.model, w.data});
    b.Add("score.trained", "TavrixScore", 2, {nullptr, trained.data});
    b.From("fit.directed");
    b.Add("score.empty", "TavrixScore", 2, {p.model, b.Keep(Matrix(10, 0))});

    b.Add("score.error.arguments", "TavrixScore", 1, {p.model});
    b.Add("score.error.outputs", "TavrixScore", 3, {p.model, p.data});
    b.Add("score.error.missing", "TavrixScore", 1, {b.Keep(testing::WithoutField(p.model, "Graph")), p.data});
    b.Add("score.error.datasize", "TavrixScore", 1, {p.model, b.Keep(Matrix(9, 2, std::vector<double>(18, 0.0)))});
    std::vector<double> bad(p.samples);
    bad[3] = 7;
    b.Add("score.error.code", "TavrixScore", 1, {p.model, b.Keep(Matrix(10, 300, bad))});
}

void HolesCases(Builder& b, const Fixture& trained) {
    testing::ModelShape proper;
    proper.rows = 3;
    proper.cols = 4;
    proper.dimension = 8;
    proper.zeroShare = 0;
    const Fixture p = MakeFixture(b, 41, proper, 150, true, false);
    const mxArray* mask = b.Keep(Matrix(8, 150, RandomMask(42, p, 3)));
    b.Add("holes.proper", "TavrixHoles", 2, {p.model, p.data, mask});
    b.Add("holes.proper.threads", "TavrixHoles", 2, {p.model, p.data, mask, b.Keep(Text("Threads")), b.Keep(Scalar(2))});
    proper.directed = true;
    const Fixture pd = MakeFixture(b, 43, proper, 150, true, false);
    b.Add("holes.directed", "TavrixHoles", 2, {pd.model, pd.data, b.Keep(Matrix(8, 150, RandomMask(44, pd, 3)))});
    b.Add("holes.observed", "TavrixHoles", 2, {p.model, p.data, b.Keep(Matrix(8, 150, std::vector<double>(1200, 1.0)))});
    MxPtr logical(mxCreateLogicalMatrix(8, 150));
    auto* flags = mxGetLogicals(logical.get());
    for (double m : RandomMask(45, p, 2)) *flags++ = m != 0.0;
    b.Add("holes.logical", "TavrixHoles", 2, {p.model, p.data, b.Keep(std::move(logical))});

    b.Add("holes.trained", "TavrixHoles", 2, {nullptr, trained.data, b.Keep(Matrix(9, 60, RandomMask(46, trained, 3)))});
    b.From("fit.directed");

    b.Add("holes.error.arguments", "TavrixHoles", 1, {p.model, p.data});
    testing::ModelShape wide;
    wide.rows = 1;
    wide.cols = 1;
    wide.dimension = 40;
    wide.maxRange = 4;
    const Fixture w = MakeFixture(b, 47, wide, 3, false, false);
    b.Add("holes.error.completions", "TavrixHoles", 1, {w.model, w.data, b.Keep(Matrix(40, 3))});
    b.Add("holes.error.masksize", "TavrixHoles", 1, {p.model, p.data, b.Keep(Matrix(8, 149, std::vector<double>(8 * 149, 1.0)))});
    b.Add("holes.error.maskclass", "TavrixHoles", 1, {p.model, p.data, b.Keep(Text("mask"))});
}

void ImputeCases(Builder& b, const Fixture& trained) {
    const std::vector<Kind> kinds{Kind::kInteger, Kind::kReal, Kind::kReal};
    testing::ModelShape proper;
    proper.rows = 3;
    proper.cols = 3;
    proper.dimension = 9;
    proper.zeroShare = 0;
    const Fixture p = MakeFixture(b, 51, proper, 120, true, false);
    const std::vector<double> mask = RandomMask(52, p, 5);
    std::vector<double> holes(p.samples);
    for (std::size_t k = 0; k < holes.size(); ++k)
        if (mask[k] == 0.0) holes[k] = kNaN;  // never read
    const mxArray* data = b.Keep(Matrix(9, 120, holes));
    const mxArray* maskArray = b.Keep(Matrix(9, 120, mask));
    b.Add("impute.proper", "TavrixImpute", 3, {p.model, data, maskArray}, kinds);
    proper.directed = true;
    const Fixture pd = MakeFixture(b, 53, proper, 120, true, false);
    b.Add("impute.directed", "TavrixImpute", 3, {pd.model, pd.data, b.Keep(Matrix(9, 120, RandomMask(54, pd, 9)))},
          kinds);
    testing::ModelShape cycles;
    cycles.treeGraphs = false;
    const Fixture c = MakeFixture(b, 55, cycles, 60, false, false);
    b.Add("impute.cycles", "TavrixImpute", 3, {c.model, c.data, b.Keep(Matrix(4, 60, RandomMask(56, c, 2)))}, kinds);
    b.Add("impute.trained", "TavrixImpute", 3,
          {nullptr, trained.data, b.Keep(Matrix(9, 60, RandomMask(57, trained, 4)))}, kinds);
    b.From("fit.directed");

    b.Add("impute.error.arguments", "TavrixImpute", 1, {p.model, data});
    b.Add("impute.error.code", "TavrixImpute", 1, {p.model, data, b.Keep(Matrix(9, 120, std::vector<double>(1080, 1.0)))});
}

void BatchCases(Builder& b) {
    testing::ModelShape shape;
    shape.rows = 3;
    shape.cols = 2;
    shape.dimension = 7;
    shape.zeroShare = 0;
    const Fixture f = MakeFixture(b, 61, shape, 150, true, false);
    std::vector<double> missing(f.samples);
    const std::vector<double> mask = RandomMask(62, f, 3);
    for (std::size_t k = 0; k < missing.size(); ++k)
        if (mask[k] == 0.0) missing[k] = kNaN;
    const mxArray* data = b.Keep(Matrix(7, 150, missing));
    const std::vector<Kind> struct2{Kind::kReal, Kind::kReal};  // struct results: kinds by field
    b.Add("train.missing", "TavrixTrain", 2, {f.model, data, b.Keep(Scalar(4))}, struct2);
    b.Add("train.options", "TavrixTrain", 1,
          {f.model, f.data, b.Keep(Scalar(3)), b.Keep(Text("Radius")), b.Keep(Matrix(1, 2, {2.0, 0.5})),
           b.Keep(Text("Prior")), b.Keep(Scalar(2.5)), b.Keep(Text("Threads")), b.Keep(Scalar(3)),
           b.Keep(Text("Mask")), b.Keep(Matrix(7, 150, mask))},
          struct2);
    b.Add("stats.missing", "TavrixStats", 3, {f.model, data}, {Kind::kReal, Kind::kInteger, Kind::kReal});
    b.Add("train.hexagonal", "TavrixTrain", 1, {f.model, data, b.Keep(Scalar(4)), b.Keep(Text("Lattice")),
                                                b.Keep(Text("hexagonal"))}, struct2);
    b.Add("train.error.epochs", "TavrixTrain", 1, {f.model, data, b.Keep(Text("many"))});
    b.Add("train.error.prior", "TavrixTrain", 1, {f.model, data, b.Keep(Scalar(2)), b.Keep(Text("Prior")), b.Keep(Scalar(0))});
    b.Add("update.error.stats", "TavrixUpdate", 1, {f.model, f.data, b.Keep(Scalar(1))});
}

// First models: the seeded draws, the principal plane (its eigen-solver) and
// the default size are the same on every platform.
void InitCases(Builder& b) {
    testing::ModelShape shape;
    shape.dimension = 6;
    const Fixture f = MakeFixture(b, 71, shape, 140, true, false);
    std::vector<double> codes(f.samples);  // TavrixInit takes whole codes only
    for (double& x : codes) x = std::trunc(x);
    std::vector<double> missing(codes);
    const std::vector<double> mask = RandomMask(72, f, 2);
    for (std::size_t k = 0; k < missing.size(); ++k)
        if (mask[k] == 0.0) missing[k] = kNaN;
    const mxArray* data = b.Keep(Matrix(6, 140, missing));
    const std::vector<Kind> model{Kind::kReal};  // struct results: kinds by field
    b.Add("init.linear", "TavrixInit", 1, {data, b.Keep(Scalar(3)), b.Keep(Scalar(4)), b.Keep(Text("Threads")),
                                           b.Keep(Scalar(2))}, model);
    b.Add("init.random", "TavrixInit", 1,
          {data, b.Keep(Scalar(2)), b.Keep(Scalar(3)), b.Keep(Text("Method")), b.Keep(Text("random")),
           b.Keep(Text("Seed")), b.Keep(Scalar(5)), b.Keep(Text("Spread")), b.Keep(Scalar(0.7)),
           b.Keep(Text("RootNode")), b.Keep(Scalar(2))},
          model);
    b.Add("init.default", "TavrixInit", 1, {b.Keep(Matrix(6, 140, codes))}, model);
    // Compact models: written, trained and read as sparse cells.
    b.Add("init.compact", "TavrixInit", 1,
          {data, b.Keep(Scalar(3)), b.Keep(Scalar(4)), b.Keep(Text("Compact")), b.Keep(Scalar(1))}, model);
    b.Keep("init.compact");
    b.Add("train.compact", "TavrixTrain", 1, {nullptr, data, b.Keep(Scalar(3))}, model);
    b.From("init.compact");
    b.Add("best.compact", "TavrixBest", 2, {nullptr, data}, {Kind::kInteger, Kind::kReal});
    b.From("init.compact");
    b.Add("init.error.code", "TavrixInit", 1, {b.Keep(Matrix(1, 3, {0.0, -1.0, 1.0})), b.Keep(Scalar(2)),
                                               b.Keep(Scalar(2))});
}

}  // namespace

CaseSet MakeCases() {
    Builder b;
    BestCases(b);
    const Fixture trained = FitCases(b);
    ScoreCases(b, trained);
    HolesCases(b, trained);
    ImputeCases(b, trained);
    BatchCases(b);
    InitCases(b);
    return b.Take();
}

}  // namespace tavrix::runner
