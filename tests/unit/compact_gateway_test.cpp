// Compact models through the gateways and our mx layer: made, trained and
// read as sparse cells, the very cells of the full model; refused where every
// cell is read.
#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/bits.hpp"
#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

const mxArray* FieldOf(const mxArray* model, const char* name) { return mxGetField(model, 0, name); }

// Every cell of a compact model's `name` cells equals the full model's at
// that place, and the full model holds zeros off the stored cells of the
// diagonal and tree-edge blocks only where the compact one stores nothing.
void ExpectKeptCells(const mxArray* compact, const mxArray* full, const char* name) {
    const mxArray* c = FieldOf(compact, name);
    const mxArray* f = FieldOf(full, name);
    ASSERT_EQ(mxGetNumberOfElements(c), mxGetNumberOfElements(f));
    for (std::size_t k = 0; k < mxGetNumberOfElements(c); ++k) {
        const mxArray* sparse = mxGetCell(c, static_cast<mwIndex>(k));
        const mxArray* whole = mxGetCell(f, static_cast<mwIndex>(k));
        ASSERT_TRUE(mxIsSparse(sparse)) << name << " cell " << k;
        ASSERT_FALSE(mxIsSparse(whole)) << name << " cell " << k;
        const std::size_t n = mxGetM(whole);
        ASSERT_EQ(mxGetM(sparse), n);
        const mwIndex* rows = mxGetIr(sparse);
        const mwIndex* starts = mxGetJc(sparse);
        for (std::size_t col = 0; col < mxGetN(sparse); ++col)
            for (std::size_t e = starts[col]; e < starts[col + 1]; ++e)
                ASSERT_TRUE(SameBits(mxGetPr(sparse)[e], mxGetPr(whole)[rows[e] + col * n]))
                    << name << " cell " << k << " at (" << rows[e] << ", " << col << ")";
    }
}

class CompactGateway : public ::testing::Test {
protected:
    void SetUp() override {
        Random random(17);
        ModelShape shape;
        shape.rows = 2;
        shape.cols = 3;
        shape.dimension = 8;
        reference::RawModel raw = RandomModel(random, shape);
        MakeProper(random, raw);
        std::vector<double> samples = RandomSamples(random, raw, 120, false);
        codes_ = Matrix(8, 120, samples);
        for (std::size_t e = 0; e < samples.size(); e += 7) samples[e] = std::nan("");
        missing_ = Matrix(8, 120, samples);
    }

    MxPtr Made(bool compact) {
        MxPtr three = Scalar(3), two = Scalar(2), name = Text("Compact"), flag = Scalar(compact ? 1.0 : 0.0);
        Outcome made =
            CallGateway(TavrixInit_mexFunction, 1, {codes_.get(), three.get(), two.get(), name.get(), flag.get()});
        EXPECT_EQ(made.errorId, "");
        return std::move(made.results[0]);
    }

    MxPtr codes_, missing_;
};

TEST_F(CompactGateway, MakesTrainsAndReadsTheCellsOfTheFullModel) {
    const MxPtr compact = Made(true), full = Made(false);
    for (const char* name : {"Intersect", "Graph", "Mutual"}) ExpectKeptCells(compact.get(), full.get(), name);
    EXPECT_TRUE(SameBits(Values(FieldOf(compact.get(), "Pi")), Values(FieldOf(full.get(), "Pi"))));

    MxPtr epochs = Scalar(3), name = Text("Compact"), off = Scalar(0.0), threads = Text("Threads"), two = Scalar(2);
    Outcome compactTrained = CallGateway(TavrixTrain_mexFunction, 1,
                                         {compact.get(), missing_.get(), epochs.get(), threads.get(), two.get()});
    Outcome fullTrained =
        CallGateway(TavrixTrain_mexFunction, 1, {full.get(), missing_.get(), epochs.get(), name.get(), off.get()});
    ASSERT_EQ(compactTrained.errorId, "");
    ASSERT_EQ(fullTrained.errorId, "");
    const mxArray* trained = compactTrained.results[0].get();
    for (const char* table : {"Intersect", "Graph", "Mutual"})
        ExpectKeptCells(trained, fullTrained.results[0].get(), table);
    for (const char* field : {"Pi", "NumVictories"})
        EXPECT_TRUE(SameBits(Values(FieldOf(trained, field)), Values(FieldOf(fullTrained.results[0].get(), field))));

    for (const Gateway reader : {TavrixBest_mexFunction, TavrixScore_mexFunction}) {
        Outcome a = CallGateway(reader, 2, {trained, missing_.get()});
        Outcome b = CallGateway(reader, 2, {fullTrained.results[0].get(), missing_.get()});
        ASSERT_EQ(a.errorId, "");
        for (std::size_t r = 0; r < a.results.size(); ++r)
            EXPECT_TRUE(SameBits(Values(a.results[r].get()), Values(b.results[r].get())));
    }

    MxPtr one = Scalar(1);
    EXPECT_EQ(CallGateway(TavrixFit_mexFunction, 1, {trained, one.get()}).errorId, "Tavrix:TavrixFit:compact");
    EXPECT_EQ(CallGateway(TavrixTrain_mexFunction, 1, {trained, missing_.get(), one.get(), name.get(), off.get()})
                  .errorId,
              "Tavrix:TavrixTrain:compact");
}

}  // namespace
}  // namespace tavrix
