// The TavrixScore gateway through our mx layer: results, output slots, checks, leaks.
#include <cmath>

#include <gtest/gtest.h>

#include "tests/reference/reference_score.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

class ScoreGateway : public GatewayTest {
protected:
    ScoreGateway() : GatewayTest("TavrixScore", TavrixScore_mexFunction) {}

    void SetUp() override {
        Random random(13);
        ModelShape shape;
        shape.dimension = 4;
        shape.directed = true;
        raw_ = RandomModel(random, shape);
        samples_ = RandomSamples(random, raw_, 7, true);
        model_ = ToMx(raw_);
        data_ = Matrix(4, 7, samples_);
    }
    reference::RawModel raw_;
    std::vector<double> samples_;
    MxPtr model_, data_;
};

TEST_F(ScoreGateway, MatchesReferenceWithOneAndTwoResults) {
    double average = 0.0;
    std::vector<double> perSample;
    reference::MixtureScores(raw_, samples_.data(), 7, average, perSample);
    const long arrays = mxlite::LiveArrays();
    {
        Outcome one = CallGateway(TavrixScore_mexFunction, 1, {model_.get(), data_.get()});
        ASSERT_EQ(one.errorId, "") << one.errorMessage;
        ASSERT_EQ(one.results.size(), 1u);
        EXPECT_TRUE(SameBits(average, Values(one.results[0].get())[0]));
        EXPECT_EQ(mxlite::LiveArrays(), arrays + 1) << "only the requested result is created";

        MxPtr threads = Text("THREADS"), three = Scalar(3);
        Outcome both = CallGateway(TavrixScore_mexFunction, 2, {model_.get(), data_.get(), threads.get(), three.get()});
        ASSERT_EQ(both.errorId, "") << both.errorMessage;
        EXPECT_TRUE(SameBits(average, Values(both.results[0].get())[0]));
        EXPECT_TRUE(SameBits(perSample, Values(both.results[1].get())));
        EXPECT_EQ(mxGetM(both.results[1].get()), 7u);
        EXPECT_EQ(mxGetN(both.results[1].get()), 1u);

        Outcome none = CallGateway(TavrixScore_mexFunction, 0, {model_.get(), data_.get()});
        ASSERT_NE(none.results[0], nullptr);
    }
    EXPECT_EQ(mxlite::LiveArrays(), arrays);
    // The caller's samples are untouched.
    EXPECT_TRUE(SameBits(samples_, Values(data_.get())));
}

TEST_F(ScoreGateway, EmptySetsAndIntegerCodes) {
    MxPtr empty = Matrix(4, 0);
    Outcome e = CallGateway(TavrixScore_mexFunction, 2, {model_.get(), empty.get()});
    ASSERT_EQ(e.errorId, "") << e.errorMessage;
    EXPECT_TRUE(std::isnan(Values(e.results[0].get())[0]));
    EXPECT_EQ(mxGetM(e.results[1].get()), 0u);
    EXPECT_EQ(mxGetN(e.results[1].get()), 1u);

    MxPtr ints(mxCreateNumericMatrix(4, 7, mxUINT8_CLASS, mxREAL));
    auto* p = static_cast<unsigned char*>(mxGetData(ints.get()));
    std::vector<double> truncated;
    for (double x : samples_) truncated.push_back(*p++ = static_cast<unsigned char>(x));
    double average = 0.0;
    std::vector<double> perSample;
    reference::MixtureScores(raw_, truncated.data(), 7, average, perSample);
    Outcome o = CallGateway(TavrixScore_mexFunction, 2, {model_.get(), ints.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_TRUE(SameBits(perSample, Values(o.results[1].get())));
}

TEST_F(ScoreGateway, RejectsMalformedCalls) {
    ExpectError("argumentCount", {model_.get()});
    ExpectError("outputCount", {model_.get(), data_.get()}, 3);
    ExpectError("notModel", {data_.get(), data_.get()});
    MxPtr noPi = WithoutField(model_.get(), "Pi");
    ExpectError("missingField", {noPi.get(), data_.get()});
    MxPtr shortPi(mxDuplicateArray(model_.get()));
    SetField(shortPi.get(), "Pi", Matrix(1, 5, std::vector<double>(5, 0.2)));
    ExpectError("fieldSize", {shortPi.get(), data_.get()});
    MxPtr rows = Matrix(5, 7, std::vector<double>(35, 0.0));
    ExpectError("dataSize", {model_.get(), rows.get()});
    MxPtr text = Text("abcd");
    ExpectError("dataClass", {model_.get(), text.get()});
    for (double bad : {-1.0, 3.0, 1e300}) {
        std::vector<double> values(samples_);
        values[9] = bad;
        MxPtr data = Matrix(4, 7, values);
        ExpectError("codeRange", {model_.get(), data.get()});
    }
    // With a 'Mask', NaN is a code like any other, and wrong.
    std::vector<double> values(samples_);
    values[9] = std::nan("");
    MxPtr nan = Matrix(4, 7, values), mask = Matrix(4, 7, std::vector<double>(28, 1.0)), maskName = Text("Mask");
    ExpectError("codeRange", {model_.get(), nan.get(), maskName.get(), mask.get()});
    MxPtr seed = Text("Seed"), one = Scalar(1), name = Text("Threads"), zero = Scalar(0);
    ExpectError("option", {model_.get(), data_.get(), seed.get(), one.get()});
    ExpectError("option", {model_.get(), data_.get(), name.get(), zero.get()});
}

}  // namespace
}  // namespace tavrix
