// The TavrixImpute gateway through our mx layer: results against the brute
// force, output slots, mask and data classes, checks, leaks.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "tests/reference/reference_impute.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

class ImputeGateway : public GatewayTest {
protected:
    ImputeGateway() : GatewayTest("TavrixImpute", TavrixImpute_mexFunction) {}

    void SetUp() override {
        Random random(11);
        ModelShape shape;
        shape.dimension = 5;
        shape.treeGraphs = false;  // cycles too
        shape.zeroShare = 0.05;
        raw_ = RandomModel(random, shape);
        samples_ = RandomSamples(random, raw_, 9, true);
        hidden_.resize(samples_.size());
        for (std::size_t e = 0; e < hidden_.size(); ++e) hidden_[e] = random.Chance(0.4) ? 1 : 0;
        std::vector<double> mask(samples_.size()), data(samples_);
        for (std::size_t e = 0; e < hidden_.size(); ++e) {
            mask[e] = hidden_[e] ? (e % 2 ? -0.0 : 0.0) : (e % 3 ? 1.0 : std::nan(""));
            if (hidden_[e]) data[e] = std::nan("");  // never read
        }
        model_ = ToMx(raw_);
        data_ = Matrix(5, 9, data);
        mask_ = Matrix(5, 9, mask);
    }
    reference::RawModel raw_;
    std::vector<double> samples_;
    std::vector<std::uint8_t> hidden_;
    MxPtr model_, data_, mask_;
};

TEST_F(ImputeGateway, MatchesTheBruteForceWithNaNAtMissingEntries) {
    const reference::ImputeResult ref = reference::Impute(raw_, samples_, hidden_, 9);
    MxPtr threads = Text("Threads"), two = Scalar(2);
    Outcome o = CallGateway(TavrixImpute_mexFunction, 3, {model_.get(), data_.get(), mask_.get(), threads.get(), two.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    ASSERT_EQ(o.results.size(), 3u);
    EXPECT_EQ(mxGetM(o.results[0].get()), 5u);
    EXPECT_EQ(mxGetN(o.results[0].get()), 9u);
    EXPECT_EQ(mxGetM(o.results[1].get()), static_cast<std::size_t>(raw_.numValues));
    EXPECT_EQ(mxGetM(o.results[2].get()), 9u);
    EXPECT_EQ(mxGetN(o.results[2].get()), 1u);
    const std::vector<double> filled = Values(o.results[0].get()), post = Values(o.results[1].get()),
                              logp = Values(o.results[2].get());
    for (std::size_t j = 0; j < 9; ++j) {
        if (std::isinf(ref.logp[j])) EXPECT_EQ(ref.logp[j], logp[j]);
        else EXPECT_NEAR(ref.logp[j], logp[j], 1e-12);
    }
    for (std::size_t e = 0; e < post.size(); ++e) {
        if (std::isnan(ref.post[e])) EXPECT_TRUE(std::isnan(post[e]));
        else EXPECT_NEAR(ref.post[e], post[e], 1e-12 * ref.post[e]);
    }
    // Observed entries come back as given, fractions included.
    for (std::size_t e = 0; e < filled.size(); ++e)
        if (!hidden_[e]) EXPECT_TRUE(SameBits(samples_[e], filled[e]));
        else EXPECT_TRUE(std::isnan(filled[e]) || (filled[e] >= 0 && filled[e] == std::floor(filled[e])));

    // One result only, and nlhs = 0: the same filled matrix.
    for (int nlhs : {0, 1}) {
        Outcome one = CallGateway(TavrixImpute_mexFunction, nlhs, {model_.get(), data_.get(), mask_.get()});
        ASSERT_EQ(one.errorId, "");
        EXPECT_TRUE(SameBits(filled, Values(one.results[0].get())));
    }
}

TEST_F(ImputeGateway, AcceptsMasksAndDataOfEveryClass) {
    Outcome base = CallGateway(TavrixImpute_mexFunction, 3, {model_.get(), data_.get(), mask_.get()});
    ASSERT_EQ(base.errorId, "");
    MxPtr logical(mxCreateLogicalMatrix(5, 9));
    MxPtr bytes(mxCreateNumericMatrix(5, 9, mxINT8_CLASS, mxREAL));
    MxPtr codes(mxCreateNumericMatrix(5, 9, mxUINT16_CLASS, mxREAL));
    std::vector<double> truncated(samples_);
    for (std::size_t e = 0; e < hidden_.size(); ++e) {
        static_cast<mxLogical*>(mxGetData(logical.get()))[e] = !hidden_[e];
        static_cast<signed char*>(mxGetData(bytes.get()))[e] = hidden_[e] ? 0 : -3;
        static_cast<unsigned short*>(mxGetData(codes.get()))[e] = static_cast<unsigned short>(samples_[e]);
        truncated[e] = std::trunc(samples_[e]);
    }
    for (const mxArray* mask : {logical.get(), bytes.get()}) {
        Outcome o = CallGateway(TavrixImpute_mexFunction, 3, {model_.get(), data_.get(), mask});
        ASSERT_EQ(o.errorId, "") << o.errorMessage;
        for (int r = 0; r < 3; ++r) EXPECT_TRUE(SameBits(Values(base.results[r].get()), Values(o.results[r].get())));
    }
    // Integer data: the same posteriors; filled holds the integers as doubles.
    Outcome o = CallGateway(TavrixImpute_mexFunction, 3, {model_.get(), codes.get(), mask_.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_TRUE(SameBits(Values(base.results[1].get()), Values(o.results[1].get())));
    const std::vector<double> filled = Values(o.results[0].get()), baseFilled = Values(base.results[0].get());
    for (std::size_t e = 0; e < filled.size(); ++e)
        EXPECT_TRUE(SameBits(hidden_[e] ? baseFilled[e] : truncated[e], filled[e]));

    MxPtr empty = Matrix(5, 0), emptyMask = Matrix(5, 0);
    Outcome e = CallGateway(TavrixImpute_mexFunction, 3, {model_.get(), empty.get(), emptyMask.get()});
    ASSERT_EQ(e.errorId, "");
    EXPECT_EQ(mxGetN(e.results[0].get()), 0u);
    EXPECT_EQ(mxGetM(e.results[2].get()), 0u);
}

TEST_F(ImputeGateway, RejectsBadCallsAndArguments) {
    ExpectError("argumentCount", {model_.get(), data_.get()});
    MxPtr name = Text("Threads"), zero = Scalar(0);
    ExpectError("argumentCount", {model_.get(), data_.get(), mask_.get(), name.get()});
    ExpectError("outputCount", {model_.get(), data_.get(), mask_.get()}, 4);
    ExpectError("notModel", {data_.get(), data_.get(), mask_.get()});
    ExpectError("option", {model_.get(), data_.get(), mask_.get(), name.get(), zero.get()});
    MxPtr noPi = WithoutField(model_.get(), "Pi");
    ExpectError("missingField", {noPi.get(), data_.get(), mask_.get()});
    MxPtr rows = Matrix(4, 9), small = Matrix(5, 8), text = Text("abcde");
    ExpectError("dataSize", {model_.get(), rows.get(), mask_.get()});
    ExpectError("dataSize", {model_.get(), data_.get(), small.get()});
    ExpectError("dataClass", {model_.get(), data_.get(), text.get()});
    ExpectError("dataClass", {model_.get(), text.get(), mask_.get()});
    MxPtr cells(mxCreateCellMatrix(5, 9));
    ExpectError("dataClass", {model_.get(), data_.get(), cells.get()});
    // An observed NaN or out-of-range code; NaN is accepted only where missing.
    std::vector<double> data = Values(data_.get()), mask = Values(mask_.get());
    for (double bad : {std::nan(""), 3.0, -1.0}) {
        std::size_t e = 0;
        while (hidden_[e]) ++e;
        std::vector<double> changed(data);
        changed[e] = bad;
        MxPtr d = Matrix(5, 9, changed);
        ExpectError("codeRange", {model_.get(), d.get(), mask_.get()});
        if (std::isnan(bad)) {
            const Outcome o = CallGateway(TavrixImpute_mexFunction, 1, {model_.get(), d.get(), mask_.get()});
            EXPECT_NE(o.errorMessage.find("the mask (argument 3) marks the entries to fill in"), std::string::npos)
                << o.errorMessage;
        }
    }
    MxPtr allObserved = Matrix(5, 9, std::vector<double>(45, 1.0));
    ExpectError("codeRange", {model_.get(), data_.get(), allObserved.get()});
}

// A missing variable without values has no completion; a map without units
// gives no mass; both are valid and come back as -Inf and NaN.
TEST_F(ImputeGateway, AcceptsWhatIsSafe) {
    MxPtr model(mxDuplicateArray(model_.get()));
    std::vector<double> ranges(raw_.ranges);
    ranges[0] = 0;
    SetField(model.get(), "Ranges", Matrix(5, 1, ranges));
    std::vector<double> mask = Values(mask_.get());
    for (int j = 0; j < 9; ++j) mask[static_cast<std::size_t>(j) * 5] = 0.0;
    MxPtr maskArray = Matrix(5, 9, mask);
    Outcome o = CallGateway(TavrixImpute_mexFunction, 3, {model.get(), data_.get(), maskArray.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    for (double l : Values(o.results[2].get())) EXPECT_EQ(l, -INFINITY);
    const std::vector<double> filled = Values(o.results[0].get());
    for (std::size_t e = 0; e < filled.size(); ++e) {
        if (mask[e] == 0.0) {
            EXPECT_TRUE(std::isnan(filled[e]));
        }
    }

    MxPtr noUnits(mxDuplicateArray(model_.get()));
    SetField(noUnits.get(), "NumColsMap", Scalar(0));
    for (const char* f : {"Marginal", "Intersect", "Graph"}) SetField(noUnits.get(), f, MxPtr(mxCreateCellMatrix(0, 0)));
    SetField(noUnits.get(), "Pi", Matrix(0, 0));
    Outcome none = CallGateway(TavrixImpute_mexFunction, 3, {noUnits.get(), data_.get(), mask_.get()});
    ASSERT_EQ(none.errorId, "") << none.errorMessage;
    for (double l : Values(none.results[2].get())) EXPECT_EQ(l, -INFINITY);
}

// 32 binary variables on a complete graph, all missing: 2^32 completions.
TEST_F(ImputeGateway, RefusesTooManyCompletionsOnCycles) {
    Random random(5);
    ModelShape shape;
    shape.rows = shape.cols = 1;
    shape.dimension = 32;
    shape.maxRange = 2;
    reference::RawModel raw = RandomModel(random, shape);
    for (double& r : raw.ranges) r = 2;
    raw.numValues = 64;
    for (int i = 0; i < 32; ++i)
        for (int v = 0; v < 2; ++v) raw.translate[v + i * 2] = i * 2 + v + 1;
    raw.marginal[0].assign(64, 0.5);
    raw.intersect[0].assign(64 * 64, 0.25);
    raw.graph[0].assign(32 * 32, 1.0);
    MxPtr model = ToMx(raw);
    MxPtr data = Matrix(32, 2, std::vector<double>(64, 0.0));
    std::vector<double> mask(64, 1.0);
    for (int i = 0; i < 32; ++i) mask[32 + i] = 0.0;  // the second sample wholly missing
    MxPtr maskArray = Matrix(32, 2, mask);
    ExpectError("tooManyCompletions", {model.get(), data.get(), maskArray.get()}, 3);
    // With a tree instead, the same hiding is message passing and cheap.
    std::vector<double>& g = raw.graph[0];
    std::fill(g.begin(), g.end(), 0.0);
    for (int c = 1; c < 32; ++c) g[(c - 1) + c * 32] = 1.0;
    MxPtr tree = ToMx(raw);
    Outcome o = CallGateway(TavrixImpute_mexFunction, 3, {tree.get(), data.get(), maskArray.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_NEAR(Values(o.results[2].get())[1], std::log(raw.pi[0]), 1e-12);
}

}  // namespace
}  // namespace tavrix
