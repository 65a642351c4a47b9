// The TavrixHoles gateway through our mx layer: mask classes, output slots,
// checks of every code and of the completion count, leaks.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "tests/reference/reference_holes.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

class HolesGateway : public GatewayTest {
protected:
    HolesGateway() : GatewayTest("TavrixHoles", TavrixHoles_mexFunction) {}

    void SetUp() override {
        Random random(17);
        ModelShape shape;
        shape.dimension = 5;
        raw_ = RandomModel(random, shape);
        data_ = RandomSamples(random, raw_, 6, true);
        // 0.0, -0.0 hide; NaN, 1 and other values observe.
        const double pattern[] = {1.0, 0.0, kNaN, -0.0, 2.5, 1.0, 1.0};
        for (std::size_t e = 0; e < data_.size(); ++e) mask_.push_back(pattern[e % 7]);
        model_ = ToMx(raw_);
        dataMx_ = Matrix(5, 6, data_);
        maskMx_ = Matrix(5, 6, mask_);
    }
    // The reference with the mask as the gateway reads it: hidden where the value is 0.
    void Expected(const std::vector<double>& mask, double& mean, std::vector<double>& perSample) const {
        reference::HeldOut(raw_, data_.data(), mask.data(), 6, mean, perSample);
    }

    reference::RawModel raw_;
    std::vector<double> data_, mask_;
    MxPtr model_, dataMx_, maskMx_;
};

TEST_F(HolesGateway, MatchesReferenceWithOneAndTwoResults) {
    double mean = 0.0;
    std::vector<double> perSample;
    Expected(mask_, mean, perSample);
    const long arrays = mxlite::LiveArrays();
    {
        Outcome one = CallGateway(TavrixHoles_mexFunction, 1, {model_.get(), dataMx_.get(), maskMx_.get()});
        ASSERT_EQ(one.errorId, "") << one.errorMessage;
        ASSERT_EQ(one.results.size(), 1u);
        EXPECT_TRUE(SameBits(mean, Values(one.results[0].get())[0]));
        EXPECT_EQ(mxlite::LiveArrays(), arrays + 1) << "only the requested result is created";

        MxPtr threads = Text("Threads"), eight = Scalar(8);
        Outcome both = CallGateway(TavrixHoles_mexFunction, 2,
                                   {model_.get(), dataMx_.get(), maskMx_.get(), threads.get(), eight.get()});
        ASSERT_EQ(both.errorId, "") << both.errorMessage;
        EXPECT_TRUE(SameBits(mean, Values(both.results[0].get())[0]));
        EXPECT_TRUE(SameBits(perSample, Values(both.results[1].get())));
        EXPECT_EQ(mxGetM(both.results[1].get()), 6u);
    }
    EXPECT_EQ(mxlite::LiveArrays(), arrays);
    EXPECT_TRUE(SameBits(data_, Values(dataMx_.get())));
    EXPECT_TRUE(SameBits(mask_, Values(maskMx_.get())));
}

TEST_F(HolesGateway, LogicalAndIntegerMasks) {
    std::vector<double> asDouble;
    for (double m : mask_) asDouble.push_back(m == 0.0 ? 0.0 : 1.0);
    double mean = 0.0;
    std::vector<double> perSample;
    Expected(asDouble, mean, perSample);

    MxPtr logical(mxCreateLogicalMatrix(5, 6));
    MxPtr int8(mxCreateNumericMatrix(5, 6, mxINT8_CLASS, mxREAL));
    MxPtr uint64(mxCreateNumericMatrix(5, 6, mxUINT64_CLASS, mxREAL));
    MxPtr single(mxCreateNumericMatrix(5, 6, mxSINGLE_CLASS, mxREAL));
    for (std::size_t e = 0; e < mask_.size(); ++e) {
        const bool observed = mask_[e] != 0.0;
        static_cast<mxLogical*>(mxGetData(logical.get()))[e] = observed;
        static_cast<signed char*>(mxGetData(int8.get()))[e] = observed ? -3 : 0;
        static_cast<std::uint64_t*>(mxGetData(uint64.get()))[e] = observed ? 7 : 0;
        static_cast<float*>(mxGetData(single.get()))[e] = static_cast<float>(mask_[e]);
    }
    for (const mxArray* mask : {logical.get(), int8.get(), uint64.get(), single.get()}) {
        Outcome o = CallGateway(TavrixHoles_mexFunction, 2, {model_.get(), dataMx_.get(), mask});
        ASSERT_EQ(o.errorId, "") << o.errorMessage;
        EXPECT_TRUE(SameBits(perSample, Values(o.results[1].get())));
    }
}

TEST_F(HolesGateway, EmptyData) {
    MxPtr empty = Matrix(5, 0), emptyMask = Matrix(5, 0);
    Outcome o = CallGateway(TavrixHoles_mexFunction, 2, {model_.get(), empty.get(), emptyMask.get()});
    ASSERT_EQ(o.errorId, "") << o.errorMessage;
    EXPECT_TRUE(std::isnan(Values(o.results[0].get())[0]));
    EXPECT_EQ(mxGetM(o.results[1].get()), 0u);
    EXPECT_EQ(mxGetN(o.results[1].get()), 1u);
}

TEST_F(HolesGateway, RejectsMalformedCalls) {
    ExpectError("argumentCount", {model_.get(), dataMx_.get()});
    ExpectError("outputCount", {model_.get(), dataMx_.get(), maskMx_.get()}, 3);
    ExpectError("notModel", {maskMx_.get(), dataMx_.get(), maskMx_.get()});
    MxPtr noGraph = WithoutField(model_.get(), "Graph");
    ExpectError("missingField", {noGraph.get(), dataMx_.get(), maskMx_.get()});
    MxPtr narrow = Matrix(5, 5, std::vector<double>(25, 1.0)), tall = Matrix(6, 6, std::vector<double>(36, 1.0));
    ExpectError("dataSize", {model_.get(), dataMx_.get(), narrow.get()});
    ExpectError("dataSize", {model_.get(), dataMx_.get(), tall.get()});
    MxPtr text = Text("mask");
    ExpectError("dataClass", {model_.get(), dataMx_.get(), text.get()});
    MxPtr cell(mxCreateCellMatrix(5, 6));
    ExpectError("dataClass", {model_.get(), dataMx_.get(), cell.get()});
    // Codes at hidden positions are scored, so they are checked too, and a
    // NaN there is told apart from a wrong code.
    for (double bad : {kNaN, -1.0, 3.0}) {
        std::vector<double> values(data_);
        values[1] = bad;  // mask entry 1 is 0.0: hidden
        MxPtr data = Matrix(5, 6, values);
        ExpectError("codeRange", {model_.get(), data.get(), maskMx_.get()});
        const Outcome o = CallGateway(TavrixHoles_mexFunction, 1, {model_.get(), data.get(), maskMx_.get()});
        EXPECT_NE(o.errorMessage.find("entry (2, 1)"), std::string::npos) << o.errorMessage;
        EXPECT_EQ(o.errorMessage.find("scores the true codes of the hidden entries") != std::string::npos,
                  std::isnan(bad))
            << o.errorMessage;
    }
    const Outcome oneArgument = CallGateway(TavrixHoles_mexFunction, 1, {model_.get()});
    EXPECT_NE(oneArgument.errorMessage.find("missing the data and the mask of hidden entries: call TavrixHoles(model, data, mask)"),
              std::string::npos)
        << oneArgument.errorMessage;
    MxPtr name = Text("Threads"), zero = Scalar(0);
    ExpectError("option", {model_.get(), dataMx_.get(), maskMx_.get(), name.get(), zero.get()});
}

TEST_F(HolesGateway, RejectsMasksWithTooManyCompletions) {
    // 32 hidden variables of two values: 2^32 completions in the one sample.
    Random random(4);
    ModelShape shape;
    shape.rows = shape.cols = 1;
    shape.dimension = 32;
    shape.maxRange = 2;
    shape.zeroShare = 0.0;
    reference::RawModel raw = RandomModel(random, shape);
    raw.numValues = 64;
    for (int i = 0; i < 32; ++i) {
        raw.ranges[i] = 2;
        raw.translate[2 * i] = 2 * i + 1;
        raw.translate[2 * i + 1] = 2 * i + 2;
    }
    raw.marginal[0].assign(64, 0.5);
    raw.intersect[0].assign(64 * 64, 0.25);
    MxPtr model = ToMx(raw);
    MxPtr data = Matrix(32, 2, std::vector<double>(64, 1.0));
    std::vector<double> mask(64, 1.0);
    for (int i = 0; i < 32; ++i) mask[32 + i] = 0.0;
    MxPtr hidden = Matrix(32, 2, mask);
    ExpectError("tooManyCompletions", {model.get(), data.get(), hidden.get()});
    // 2^31 exactly is also too many.
    mask[32] = 1.0;
    MxPtr limit = Matrix(32, 2, mask);
    ExpectError("tooManyCompletions", {model.get(), data.get(), limit.get()});
}

}  // namespace
}  // namespace tavrix
