// The TavrixFit gateway through our mx layer: results against the literal
// driver, the caller's struct untouched, checks, output slots, leaks.
#include <cmath>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "host/model_writer.hpp"
#include "tests/reference/reference_train.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"
#include "train/training.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

class FitGateway : public GatewayTest {
protected:
    FitGateway() : GatewayTest("TavrixFit", TavrixFit_mexFunction) {}

    void SetUp() override {
        Random random(8);
        ModelShape shape;
        shape.rows = 2;
        shape.cols = 3;
        shape.dimension = 4;
        shape.directed = true;
        raw_ = RandomModel(random, shape);
        if (raw_.rootNode > 4) raw_.rootNode = 4;
        raw_.samples = RandomSamples(random, raw_, 7, false);
        model_ = ToMx(raw_);
    }
    Outcome Fit(int nlhs, std::vector<const mxArray*> extra) {
        std::vector<const mxArray*> args{model_.get()};
        args.insert(args.end(), extra.begin(), extra.end());
        return CallGateway(TavrixFit_mexFunction, nlhs, args);
    }
    void ExpectError(const std::string& reason, const mxArray* model, const mxArray* iterations, int nlhs = 1) {
        GatewayTest::ExpectError(reason, {model, iterations}, nlhs);
    }
    MxPtr Changed(const char* field, MxPtr value) {
        MxPtr copy(mxDuplicateArray(model_.get()));
        SetField(copy.get(), field, std::move(value));
        return copy;
    }
    // Every double of every field, cells flattened in order.
    static std::vector<double> Flatten(const mxArray* a) {
        if (!mxIsCell(a)) return Values(a);
        std::vector<double> all;
        for (std::size_t k = 0; k < mxGetNumberOfElements(a); ++k) {
            const std::vector<double> v = Values(mxGetCell(a, k));
            all.insert(all.end(), v.begin(), v.end());
        }
        return all;
    }

    reference::RawModel raw_;
    MxPtr model_;
};

TEST_F(FitGateway, MatchesTheLiteralDriverAndLeavesTheCallerAlone) {
    const char* fields[] = {"Marginal", "Intersect", "Graph", "Mutual", "Pi", "NumVictories", "Translate", "Ranges",
                            "NumRowsMap", "NumColsMap", "Dimension", "MaxRange", "NumValues", "RootNode", "Samples"};
    std::vector<std::vector<double>> before;
    for (const char* f : fields) before.push_back(Flatten(mxGetField(model_.get(), 0, f)));

    RandomDraws draws(77);
    const reference::RawModel expected = reference::Train(raw_, 6, [&](std::int32_t n) { return draws.Draw(n); });
    MxPtr six = Scalar(6.9), seed = Text("Seed"), value = Scalar(77), threads = Text("threads"), two = Scalar(2);
    Outcome o = Fit(2, {six.get(), seed.get(), value.get(), threads.get(), two.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    const mxArray* out = o.results[0].get();
    ASSERT_EQ(mxGetNumberOfFields(out), 15);
    for (int f = 0; f < 15; ++f) EXPECT_STREQ(fields[f], mxGetFieldNameByNumber(out, f));
    const reference::RawModel* e = &expected;
    auto cells = [](const std::vector<std::vector<double>>& c) {
        std::vector<double> all;
        for (const auto& v : c) all.insert(all.end(), v.begin(), v.end());
        return all;
    };
    EXPECT_TRUE(SameBits(cells(e->marginal), Flatten(mxGetField(out, 0, "Marginal"))));
    EXPECT_TRUE(SameBits(cells(e->intersect), Flatten(mxGetField(out, 0, "Intersect"))));
    EXPECT_TRUE(SameBits(cells(e->mutual), Flatten(mxGetField(out, 0, "Mutual"))));
    EXPECT_TRUE(SameBits(cells(e->graph), Flatten(mxGetField(out, 0, "Graph"))));
    EXPECT_TRUE(SameBits(e->pi, Values(mxGetField(out, 0, "Pi"))));
    EXPECT_TRUE(SameBits(e->numVictories, Values(mxGetField(out, 0, "NumVictories"))));
    EXPECT_EQ(mxGetM(mxGetField(out, 0, "Pi")), 2u);
    EXPECT_EQ(mxGetN(mxGetField(out, 0, "Marginal")), 3u);
    for (int f = 0; f < 15; ++f) EXPECT_TRUE(SameBits(before[f], Flatten(mxGetField(model_.get(), 0, fields[f])))) << fields[f];

    const mxArray* info = o.results[1].get();
    EXPECT_EQ(mxGetScalar(mxGetField(info, 0, "Seed")), 77.0);
    EXPECT_EQ(mxGetScalar(mxGetField(info, 0, "Iterations")), 6.0);
    EXPECT_EQ(mxGetScalar(mxGetField(info, 0, "Threads")), 2.0);
    EXPECT_EQ(mxlite::TakePrinted(), "");
}

TEST_F(FitGateway, IterationCountsBelowOneOnlyNormalisePi) {
    for (double t : {0.0, 0.5, -3.0, -1e300}) {
        MxPtr iterations = Scalar(t);
        Outcome o = Fit(1, {iterations.get()});
        ASSERT_EQ(o.errorId, "") << o.errorMessage;
        const mxArray* out = o.results[0].get();
        EXPECT_TRUE(SameBits(raw_.numVictories, Values(mxGetField(out, 0, "NumVictories"))));
        const std::vector<double> pi = Values(mxGetField(out, 0, "Pi"));
        double sum = 0;
        for (double p : raw_.pi) sum = sum + p;
        for (std::size_t k = 0; k < pi.size(); ++k) EXPECT_TRUE(SameBits(raw_.pi[k] / sum, pi[k]));
    }
    // No samples are needed when nothing is drawn.
    MxPtr empty = Changed("Samples", Matrix(4, 0)), zero = Scalar(0);
    EXPECT_EQ(CallGateway(TavrixFit_mexFunction, 1, {empty.get(), zero.get()}).errorId, "");
}

TEST_F(FitGateway, VerboseShowsProgressAndTheSeedIsReported) {
    MxPtr three = Scalar(3), verbose = Text("Verbose"), yes = Scalar(1);
    Outcome o = Fit(2, {three.get(), verbose.get(), yes.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    const std::string printed = mxlite::TakePrinted();
    EXPECT_NE(printed.find("3 of 3 iterations"), std::string::npos) << printed;
    // The default seed is the calendar time: reusing it repeats the run.
    const double seed = mxGetScalar(mxGetField(o.results[1].get(), 0, "Seed"));
    EXPECT_GT(seed, 1.6e9);
    MxPtr name = Text("Seed"), value = Scalar(seed);
    Outcome again = Fit(1, {three.get(), name.get(), value.get()});
    EXPECT_TRUE(SameBits(Flatten(mxGetField(o.results[0].get(), 0, "Intersect")),
                         Flatten(mxGetField(again.results[0].get(), 0, "Intersect"))));
}

TEST_F(FitGateway, RejectsBadCallsAndArguments) {
    MxPtr one = Scalar(1);
    ExpectError("outputCount", model_.get(), one.get(), 3);
    ExpectError("notModel", one.get(), one.get());
    {
        Outcome o = CallGateway(TavrixFit_mexFunction, 1, {model_.get()});
        EXPECT_EQ(o.errorId, "Tavrix:TavrixFit:argumentCount");
        EXPECT_NE(o.errorMessage.find("missing the number of iterations: call TavrixFit(model, T)"),
                  std::string::npos)
            << o.errorMessage;
    }
    {
        // Samples with a missing entry: training needs them complete.
        std::vector<double> samples(raw_.samples);
        samples[5] = std::nan("");
        MxPtr holes = Changed("Samples", Matrix(4, 7, samples));
        Outcome o = CallGateway(TavrixFit_mexFunction, 1, {holes.get(), one.get()});
        EXPECT_EQ(o.errorId, "Tavrix:TavrixFit:codeRange");
        EXPECT_NE(o.errorMessage.find("entry (2, 2)"), std::string::npos) << o.errorMessage;
        EXPECT_NE(o.errorMessage.find("TavrixInit fills"), std::string::npos) << o.errorMessage;
    }
    MxPtr text = Text("abc"), pair = Matrix(1, 2, {1, 2}), nan = Scalar(std::nan("")), inf = Scalar(HUGE_VAL),
          huge = Scalar(3e9);
    for (const mxArray* bad : {text.get(), pair.get(), nan.get(), inf.get(), huge.get()})
        ExpectError("dataClass", model_.get(), bad);
    MxPtr name = Text("Seed"), negative = Scalar(-1), colour = Text("Colour");
    EXPECT_EQ(Fit(1, {one.get(), name.get(), negative.get()}).errorId, "Tavrix:TavrixFit:option");
    EXPECT_EQ(Fit(1, {one.get(), colour.get(), one.get()}).errorId, "Tavrix:TavrixFit:option");
}

TEST_F(FitGateway, RejectsModelsTrainingCannotUse) {
    MxPtr one = Scalar(1);
    for (const char* field : {"Mutual", "NumVictories", "Samples", "Pi", "Graph"}) {
        MxPtr without = WithoutField(model_.get(), field);
        ExpectError("missingField", without.get(), one.get());
    }
    struct Case {
        const char* field;
        std::function<MxPtr()> value;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"Mutual", [] { return MxPtr(mxCreateCellMatrix(2, 2)); }, "fieldSize"},
        {"Mutual", [] { return Matrix(4, 4); }, "fieldClass"},
        {"NumVictories", [] { return Matrix(1, 5); }, "fieldSize"},
        {"NumVictories", [] { return Text("abcdef"); }, "fieldClass"},
        {"Samples", [] { return MxPtr(mxCreateNumericMatrix(4, 2, mxINT8_CLASS, mxREAL)); }, "fieldClass"},
        {"Samples", [] { return Matrix(3, 2); }, "fieldSize"},
        {"Samples", [] { return Matrix(4, 0); }, "fieldSize"},
        {"Samples", [] { return Matrix(4, 1, {0, 0, 0, 9}); }, "codeRange"},
        {"Samples", [] { return Matrix(4, 1, {0, 0, std::nan(""), 0}); }, "codeRange"},
        {"RootNode", [] { return Scalar(5); }, "fieldValue"},
        {"RootNode", [] { return Scalar(-1); }, "fieldValue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        MxPtr changed = Changed(c.field, c.value());
        ExpectError(c.reason, changed.get(), one.get());
    }
    // A cell of the wrong size deep inside Mutual.
    MxPtr changed(mxDuplicateArray(model_.get()));
    mxArray* mutual = mxGetField(changed.get(), 0, "Mutual");
    mxDestroyArray(mxGetCell(mutual, 5));
    mxSetCell(mutual, 5, Matrix(3, 3).release());
    ExpectError("fieldSize", changed.get(), one.get());

    // Dimension 0 and a map without units.
    reference::RawModel flat;
    flat.numRowsMap = 1;
    flat.numColsMap = 1;
    flat.maxRange = 1;
    flat.marginal = flat.intersect = flat.graph = flat.mutual = {{}};
    flat.pi = {1};
    flat.numVictories = {0};
    MxPtr noVariables = ToMx(flat);
    ExpectError("fieldValue", noVariables.get(), one.get());
    MxPtr noUnits(mxDuplicateArray(model_.get()));
    SetField(noUnits.get(), "NumColsMap", Scalar(0));
    for (const char* f : {"Marginal", "Intersect", "Graph", "Mutual"}) SetField(noUnits.get(), f, MxPtr(mxCreateCellMatrix(0, 0)));
    SetField(noUnits.get(), "Pi", Matrix(0, 0));
    SetField(noUnits.get(), "NumVictories", Matrix(0, 0));
    ExpectError("fieldValue", noUnits.get(), one.get());
}

}  // namespace
}  // namespace tavrix

namespace tavrix {
namespace {

TEST(HostDoublesStruct, FieldsKeepTheirOrderShapeAndValues) {
    const testing::MxPtr info(
        host::DoublesStruct({{"Scalar", {2.5}}, {"PerEpoch", {1, 2, 3}}, {"Table", {1, 2, 3, 4, 5, 6}, 3}, {"None", {}}})
            .release());
    ASSERT_EQ(mxGetNumberOfFields(info.get()), 4);
    const std::size_t shapes[4][2] = {{1, 1}, {3, 1}, {2, 3}, {0, 1}};
    for (int f = 0; f < 4; ++f) {
        const char* name = mxGetFieldNameByNumber(info.get(), f);
        EXPECT_EQ(mxGetM(mxGetField(info.get(), 0, name)), shapes[f][0]) << name;
        EXPECT_EQ(mxGetN(mxGetField(info.get(), 0, name)), shapes[f][1]) << name;
    }
    EXPECT_EQ(testing::Values(mxGetField(info.get(), 0, "Table")), (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace tavrix
