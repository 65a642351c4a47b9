// The TavrixBest gateway through our mx layer: checks, output slots, leaks.
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

class BestGateway : public GatewayTest {
protected:
    BestGateway() : GatewayTest("TavrixBest", TavrixBest_mexFunction) {}

    void SetUp() override {
        Random random(3);
        ModelShape shape;
        shape.dimension = 4;
        raw_ = RandomModel(random, shape);
        samples_ = RandomSamples(random, raw_, 5, true);
        model_ = ToMx(raw_);
        data_ = Matrix(4, 5, samples_);
    }
    // A copy of the model with one field replaced.
    MxPtr Changed(const char* field, MxPtr value) {
        MxPtr copy(mxDuplicateArray(model_.get()));
        SetField(copy.get(), field, std::move(value));
        return copy;
    }

    reference::RawModel raw_;
    std::vector<double> samples_;
    MxPtr model_, data_;
};

TEST_F(BestGateway, MatchesReferenceWithOneAndTwoResults) {
    std::vector<double> best, scores;
    reference::BestUnits(raw_, samples_.data(), 5, best, &scores);
    Outcome one = CallGateway(TavrixBest_mexFunction, 1, {model_.get(), data_.get()});
    ASSERT_EQ(one.errorId, "");
    ASSERT_EQ(one.results.size(), 1u);
    EXPECT_TRUE(SameBits(best, Values(one.results[0].get())));
    EXPECT_EQ(mxGetM(one.results[0].get()), 5u);

    MxPtr threads = Text("threads"), two = Scalar(2);
    Outcome both = CallGateway(TavrixBest_mexFunction, 2, {model_.get(), data_.get(), threads.get(), two.get()});
    ASSERT_EQ(both.errorId, "");
    EXPECT_TRUE(SameBits(best, Values(both.results[0].get())));
    EXPECT_TRUE(SameBits(scores, Values(both.results[1].get())));
    EXPECT_EQ(mxGetM(both.results[1].get()), 6u);

    // nlhs = 0 still fills slot 0, as MATLAB's ans.
    Outcome none = CallGateway(TavrixBest_mexFunction, 0, {model_.get(), data_.get()});
    EXPECT_NE(none.results[0], nullptr);
}

TEST_F(BestGateway, AcceptsIntegerAndLogicalCodesAndEmptySets) {
    MxPtr ints(mxCreateNumericMatrix(4, 5, mxINT16_CLASS, mxREAL));
    auto* p = static_cast<short*>(mxGetData(ints.get()));
    std::vector<double> truncated;
    for (double x : samples_) truncated.push_back(*p++ = static_cast<short>(x));
    std::vector<double> best;
    reference::BestUnits(raw_, truncated.data(), 5, best, nullptr);
    Outcome o = CallGateway(TavrixBest_mexFunction, 1, {model_.get(), ints.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_TRUE(SameBits(best, Values(o.results[0].get())));

    MxPtr empty = Matrix(4, 0);
    Outcome e = CallGateway(TavrixBest_mexFunction, 2, {model_.get(), empty.get()});
    ASSERT_EQ(e.errorId, "");
    EXPECT_EQ(mxGetM(e.results[0].get()), 0u);
    EXPECT_EQ(mxGetM(e.results[1].get()), 6u);
    EXPECT_EQ(mxGetN(e.results[1].get()), 0u);
}

TEST_F(BestGateway, RejectsBadCallsAndArguments) {
    ExpectError("argumentCount", {model_.get()});
    MxPtr name = Text("Threads");
    ExpectError("argumentCount", {model_.get(), data_.get(), name.get()});
    ExpectError("outputCount", {model_.get(), data_.get()}, 3);
    ExpectError("notModel", {data_.get(), data_.get()});
    MxPtr bogus = Text("Bogus"), one = Scalar(1), zero = Scalar(0), half = Scalar(1.5);
    ExpectError("option", {model_.get(), data_.get(), bogus.get(), one.get()});
    ExpectError("option", {model_.get(), data_.get(), name.get(), zero.get()});
    ExpectError("option", {model_.get(), data_.get(), name.get(), half.get()});
    ExpectError("option", {model_.get(), data_.get(), one.get(), one.get()});
}

TEST_F(BestGateway, MessagesSayWhatToDo) {
    auto expectMessage = [](const Outcome& o, const char* reason, const char* fragment) {
        EXPECT_EQ(o.errorId, std::string("Tavrix:TavrixBest:") + reason);
        EXPECT_NE(o.errorMessage.find(fragment), std::string::npos) << o.errorMessage;
    };
    expectMessage(CallGateway(TavrixBest_mexFunction, 1, {model_.get()}), "argumentCount",
                  "missing the samples: call TavrixBest(model, samples); found 1 argument.");
    expectMessage(CallGateway(TavrixBest_mexFunction, 1, {}), "argumentCount", "missing a model and the samples");

    std::vector<double> values(samples_);
    values[4 * 2 + 1] = std::nan("");
    MxPtr missing = Matrix(4, 5, values), mask = Matrix(4, 5, std::vector<double>(20, 1.0)), maskName = Text("Mask");
    const Outcome nan =
        CallGateway(TavrixBest_mexFunction, 1, {model_.get(), missing.get(), maskName.get(), mask.get()});
    expectMessage(nan, "codeRange", "entry (2, 3)");
    expectMessage(nan, "codeRange", "the mask alone marks missing entries");

    values = samples_;
    values[4] = raw_.ranges[0];  // one past the last code of variable 1: a 1-based code
    MxPtr oneBased = Matrix(4, 5, values);
    expectMessage(CallGateway(TavrixBest_mexFunction, 1, {model_.get(), oneBased.get()}), "codeRange",
                  "Codes are 0-based: subtract 1");
    values[4] = raw_.ranges[0] + 1;
    MxPtr beyond = Matrix(4, 5, values);
    const Outcome o = CallGateway(TavrixBest_mexFunction, 1, {model_.get(), beyond.get()});
    EXPECT_EQ(o.errorMessage.find("0-based"), std::string::npos) << o.errorMessage;

    MxPtr file = Text("vote.arff");
    MxPtr cell(mxCreateCellMatrix(4, 5));
    for (const mxArray* text : {file.get(), cell.get()})
        expectMessage(CallGateway(TavrixBest_mexFunction, 1, {model_.get(), text}), "dataClass", "TavrixRead");
    MxPtr scalar = Scalar(1);
    expectMessage(CallGateway(TavrixBest_mexFunction, 1, {scalar.get(), data_.get()}), "notModel", "TavrixInit");
}

TEST_F(BestGateway, RejectsMalformedModels) {
    for (const char* field : {"Marginal", "Intersect", "Graph", "Pi", "Translate", "Ranges", "NumRowsMap",
                              "NumColsMap", "Dimension", "MaxRange", "NumValues", "RootNode"}) {
        MxPtr without = WithoutField(model_.get(), field);
        ExpectError("missingField", {without.get(), data_.get()});
    }
    // Mutual, NumVictories and Samples are not read here.
    MxPtr noSamples = WithoutField(model_.get(), "Samples");
    EXPECT_EQ(CallGateway(TavrixBest_mexFunction, 1, {noSamples.get(), data_.get()}).errorId, "");

    const double nan = std::nan("");
    struct Case {
        const char* field;
        std::function<MxPtr()> value;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"Pi", [] { return Matrix(1, 5, std::vector<double>(5, 0.2)); }, "fieldSize"},
        {"Pi", [] { return Text("abcdef"); }, "fieldClass"},
        {"Marginal", [] { return Matrix(2, 3); }, "fieldClass"},
        {"Marginal", [] { return MxPtr(mxCreateCellMatrix(1, 5)); }, "fieldSize"},
        {"Marginal", [] { return MxPtr(mxCreateCellMatrix(2, 3)); }, "fieldClass"},
        {"NumRowsMap", [] { return Matrix(1, 2, {2, 2}); }, "fieldClass"},
        {"NumRowsMap", [] { return Scalar(-1); }, "fieldValue"},
        {"NumRowsMap", [nan] { return Scalar(nan); }, "fieldValue"},
        {"NumRowsMap", [] { return Scalar(3); }, "fieldSize"},
        {"Dimension", [] { return Scalar(5e9); }, "fieldValue"},
        {"NumValues", [] { return Scalar(70000); }, "fieldSize"},
        {"Ranges", [] { return Matrix(4, 1, {1, 1, 1, 4}); }, "fieldValue"},
        {"Ranges", [nan] { return Matrix(4, 1, {1, 1, 1, nan}); }, "fieldValue"},
        {"Translate", [nan] { return Matrix(3, 4, std::vector<double>(12, nan)); }, "fieldValue"},
        {"Translate", [] { return Matrix(3, 4, std::vector<double>(12, 0.0)); }, "fieldValue"},
        {"Translate", [] { return Matrix(3, 4, std::vector<double>(12, 1e6)); }, "fieldValue"},
        {"Translate", [] { return Matrix(4, 4); }, "fieldSize"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        MxPtr changed = Changed(c.field, c.value());
        ExpectError(c.reason, {changed.get(), data_.get()});
    }
    // A wrong cell in the middle of a cell array.
    MxPtr changed(mxDuplicateArray(model_.get()));
    mxArray* graph = mxGetField(changed.get(), 0, "Graph");
    mxDestroyArray(mxGetCell(graph, 4));
    mxSetCell(graph, 4, Matrix(3, 3).release());
    ExpectError("fieldSize", {changed.get(), data_.get()});
}

TEST_F(BestGateway, RejectsBadSamples) {
    MxPtr rows = Matrix(3, 5, std::vector<double>(15, 0.0));
    ExpectError("dataSize", {model_.get(), rows.get()});
    MxPtr text = Text("abcd");
    ExpectError("dataClass", {model_.get(), text.get()});
    for (double bad : {-1.0, HUGE_VAL, 3.0}) {
        std::vector<double> values(samples_);
        values[7] = bad;
        MxPtr data = Matrix(4, 5, values);
        ExpectError("codeRange", {model_.get(), data.get()});
    }
    MxPtr maskName = Text("Mask"), wide = Matrix(4, 6, std::vector<double>(24, 1.0)), text2 = Text("mask");
    ExpectError("dataSize", {model_.get(), data_.get(), maskName.get(), wide.get()});
    ExpectError("dataClass", {model_.get(), data_.get(), maskName.get(), text2.get()});
    // -0.9 truncates to code 0 and is valid.
    std::vector<double> values(samples_);
    values[0] = -0.9;
    MxPtr data = Matrix(4, 5, values);
    EXPECT_EQ(CallGateway(TavrixBest_mexFunction, 1, {model_.get(), data.get()}).errorId, "");
}

// NaN entries and a 'Mask' mark the same entries missing; masked entries are
// never read.
TEST_F(BestGateway, MissingEntriesByNaNOrMask) {
    std::vector<double> withNaN(samples_), maskValues(samples_.size(), 1.0), masked(samples_);
    for (const std::size_t e : {1u, 6u, 7u, 12u, 13u}) {
        withNaN[e] = std::nan("");
        maskValues[e] = 0.0;
        masked[e] = e % 2 ? -5.0 : std::nan("");
    }
    std::vector<double> best, scores;
    reference::BestUnits(raw_, withNaN.data(), 5, best, &scores);
    MxPtr nanData = Matrix(4, 5, withNaN), maskedData = Matrix(4, 5, masked), mask = Matrix(4, 5, maskValues);
    MxPtr maskName = Text("Mask");
    for (const Outcome& o : {CallGateway(TavrixBest_mexFunction, 2, {model_.get(), nanData.get()}),
                             CallGateway(TavrixBest_mexFunction, 2,
                                         {model_.get(), maskedData.get(), maskName.get(), mask.get()})}) {
        ASSERT_EQ(o.errorId, "") << o.errorMessage;
        EXPECT_TRUE(SameBits(best, Values(o.results[0].get())));
        EXPECT_TRUE(SameBits(scores, Values(o.results[1].get())));
    }
}

TEST_F(BestGateway, AcceptsWhatIsSafe) {
    // RootNode outside 0..Dimension, NaN and negative priors, a map without units.
    MxPtr root = Changed("RootNode", Scalar(9));
    EXPECT_EQ(CallGateway(TavrixBest_mexFunction, 1, {root.get(), data_.get()}).errorId, "");
    MxPtr pi = Changed("Pi", Matrix(2, 3, {std::nan(""), -1, 0.2, 0.2, 0.2, 0.2}));
    EXPECT_EQ(CallGateway(TavrixBest_mexFunction, 1, {pi.get(), data_.get()}).errorId, "");
    MxPtr noUnits(mxDuplicateArray(model_.get()));
    SetField(noUnits.get(), "NumColsMap", Scalar(0));
    for (const char* f : {"Marginal", "Intersect", "Graph"}) SetField(noUnits.get(), f, MxPtr(mxCreateCellMatrix(0, 0)));
    SetField(noUnits.get(), "Pi", Matrix(0, 0));
    Outcome o = CallGateway(TavrixBest_mexFunction, 2, {noUnits.get(), data_.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_EQ(Values(o.results[0].get()), std::vector<double>(5, 0.0));
}

}  // namespace
}  // namespace tavrix
