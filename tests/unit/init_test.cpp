// TavrixInit: the first model of both methods against the literal rule, bit
// for bit, for every thread count; proper, consistent tables; the warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/reference/reference_init.hpp"
#include "tests/support/bits.hpp"
#include "tests/support/gateway_test.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

class InitGateway : public GatewayTest {
protected:
    InitGateway() : GatewayTest("TavrixInit", TavrixInit_mexFunction) {}
};

struct Data {
    std::vector<std::int32_t> ranges;
    std::int32_t n;
    std::vector<double> codes;  // NaN where missing
};

// Codes of skewed frequencies and a dependence between variables 0 and 1,
// with a share of them missing.
Data MakeData(std::uint64_t seed, std::vector<std::int32_t> ranges, std::int32_t n, double missing) {
    Random random(seed);
    Data data{std::move(ranges), n, {}};
    const auto d = data.ranges.size();
    for (std::int32_t j = 0; j < n; ++j)
        for (std::size_t i = 0, previous = 0; i < d; ++i) {
            const int r = data.ranges[i];
            int code = random.Chance(0.6) ? 0 : random.Below(r);
            if (i == 1 && random.Chance(0.7)) code = static_cast<int>(previous) % r;
            previous = static_cast<std::size_t>(code);
            data.codes.push_back(random.Chance(missing) ? std::numeric_limits<double>::quiet_NaN() : code);
        }
    return data;
}

MxPtr Call(const Data& data, const reference::InitSettings& s, int threads) {
    MxPtr codes = Matrix(data.ranges.size(), static_cast<std::size_t>(data.n), data.codes);
    std::vector<double> r(data.ranges.begin(), data.ranges.end());
    MxPtr ranges = Matrix(r.size(), 1, r);
    MxPtr rows = Scalar(s.rows), cols = Scalar(s.columns), root = Scalar(s.rootNode), spread = Scalar(s.spread),
          seed = Scalar(static_cast<double>(s.seed)), count = Scalar(threads);
    MxPtr method = Text(s.random ? "random" : "linear"), lattice = Text(s.hexagonal ? "hexagonal" : "rectangular");
    MxPtr names[] = {Text("Ranges"),  Text("RootNode"), Text("Spread"), Text("Seed"),
                     Text("Threads"), Text("Method"),   Text("Lattice")};
    Outcome o = CallGateway(TavrixInit_mexFunction, 1,
                            {codes.get(), rows.get(), cols.get(), names[0].get(), ranges.get(), names[1].get(),
                             root.get(), names[2].get(), spread.get(), names[3].get(), seed.get(), names[4].get(),
                             count.get(), names[5].get(), method.get(), names[6].get(), lattice.get()});
    EXPECT_EQ(o.errorId, "") << o.errorMessage;
    return o.results.empty() ? nullptr : std::move(o.results[0]);
}

std::vector<double> Field(const mxArray* model, const char* name) { return Values(mxGetField(model, 0, name)); }
std::vector<double> Cell(const mxArray* model, const char* name, std::size_t k) {
    return Values(mxGetCell(mxGetField(model, 0, name), static_cast<mwIndex>(k)));
}

void ExpectSameModel(const reference::RawModel& expected, const mxArray* model) {
    ASSERT_NE(model, nullptr);
    for (std::size_t k = 0; k < expected.marginal.size(); ++k) {
        EXPECT_TRUE(SameBits(expected.marginal[k], Cell(model, "Marginal", k))) << "unit " << k;
        EXPECT_TRUE(SameBits(expected.intersect[k], Cell(model, "Intersect", k))) << "unit " << k;
        EXPECT_TRUE(SameBits(expected.mutual[k], Cell(model, "Mutual", k))) << "unit " << k;
        EXPECT_TRUE(SameBits(expected.graph[k], Cell(model, "Graph", k))) << "unit " << k;
    }
    EXPECT_TRUE(SameBits(expected.pi, Field(model, "Pi")));
    EXPECT_TRUE(SameBits(expected.numVictories, Field(model, "NumVictories")));
    EXPECT_TRUE(SameBits(expected.translate, Field(model, "Translate")));
    EXPECT_TRUE(SameBits(expected.ranges, Field(model, "Ranges")));
    EXPECT_TRUE(SameBits(expected.samples, Field(model, "Samples")));
}

// Each variable's marginal sums to 1, each pair block to 1 with the row sums
// of the first variable's marginal, and Intersect is symmetric with the
// marginals on its diagonal.
void ExpectProper(const mxArray* model, const std::vector<std::int32_t>& ranges) {
    const std::size_t units = mxGetNumberOfElements(mxGetField(model, 0, "Marginal"));
    std::vector<std::size_t> start{0};
    for (std::int32_t r : ranges) start.push_back(start.back() + static_cast<std::size_t>(r));
    const std::size_t v = start.back();
    for (std::size_t k = 0; k < units; ++k) {
        const std::vector<double> m = Cell(model, "Marginal", k), t = Cell(model, "Intersect", k);
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            double sum = 0.0;
            for (std::size_t a = start[i]; a < start[i + 1]; ++a) sum += m[a];
            EXPECT_NEAR(sum, 1.0, 1e-12);
            for (std::size_t j = 0; j < ranges.size(); ++j) {
                double block = 0.0;
                for (std::size_t a = start[i]; a < start[i + 1]; ++a) {
                    double row = 0.0;
                    for (std::size_t b = start[j]; b < start[j + 1]; ++b) {
                        row += t[a + b * v];
                        EXPECT_EQ(t[a + b * v], t[b + a * v]);
                        if (i == j) {
                            EXPECT_EQ(t[a + b * v], a == b ? m[a] : 0.0);
                        }
                    }
                    EXPECT_NEAR(row, m[a], 1e-12);
                    block += row;
                }
                EXPECT_NEAR(block, 1.0, 1e-12);
            }
        }
    }
}

TEST_F(InitGateway, MatchesLiteralForEveryThreadCount) {
    const Data data = MakeData(3, {2, 3, 1, 4, 2, 3}, 90, 0.08);
    reference::InitSettings s;
    s.rows = 3;
    s.columns = 4;
    s.rootNode = 2;
    s.seed = 11;
    for (bool random : {false, true})
        for (bool hexagonal : {false, true}) {
            s.random = random;
            s.hexagonal = hexagonal;
            s.spread = random ? 0.7 : 0.5;
            const reference::RawModel expected = reference::FirstModel(data.codes, data.ranges, data.n, s);
            for (int threads = 1; threads <= 3; ++threads) {
                SCOPED_TRACE((random ? "random, " : "linear, ") + std::string(hexagonal ? "hexagonal, " : "") +
                             std::to_string(threads) + " threads");
                MxPtr model = Call(data, s, threads);
                ExpectSameModel(expected, model.get());
                EXPECT_EQ(mxGetField(model.get(), 0, "Lattice") != nullptr, hexagonal);
            }
        }
}

// Long maps (rows > columns turn the layout), one-unit and one-row maps, and
// data on a line: the edges of the layout, still the literal rule.
TEST_F(InitGateway, MatchesLiteralAtTheEdgesOfTheLayout) {
    const Data spread = MakeData(5, {3, 2, 4}, 40, 0.0);
    Data line = MakeData(6, {2, 2}, 30, 0.0);
    for (std::size_t e = 1; e < line.codes.size(); e += 2) line.codes[e] = 1.0 - line.codes[e - 1];
    reference::InitSettings s;
    for (const Data* d : {&spread, static_cast<const Data*>(&line)})
        for (auto [rows, cols] : {std::pair{5, 2}, std::pair{1, 1}, std::pair{1, 6}}) {
            s.rows = rows;
            s.columns = cols;
            SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(cols));
            MxPtr model = Call(*d, s, 2);
            ExpectSameModel(reference::FirstModel(d->codes, d->ranges, d->n, s), model.get());
        }
}

TEST_F(InitGateway, TablesAreProperAndConsistent) {
    const Data complete = MakeData(7, {2, 3, 1, 4}, 60, 0.0);
    reference::InitSettings s;
    s.rows = 2;
    s.columns = 3;
    for (bool random : {false, true}) {
        s.random = random;
        MxPtr model = Call(complete, s, 2);
        ExpectProper(model.get(), complete.ranges);
    }
    // With missing entries the linear tables count the completed samples, so they stay consistent.
    s.random = false;
    const Data holes = MakeData(8, {2, 3, 3}, 60, 0.2);
    MxPtr model = Call(holes, s, 1);
    ExpectProper(model.get(), holes.ranges);
}

TEST_F(InitGateway, WarnsAboutTransposedAndOneBasedCodes) {
    mxlite::TakeWarnings();
    MxPtr wide = Matrix(3, 2, {1, 2, 1, 2, 2, 1});
    MxPtr size = Scalar(1);
    Outcome o = CallGateway(TavrixInit_mexFunction, 1, {wide.get(), size.get(), size.get()});
    EXPECT_EQ(o.errorId, "");
    EXPECT_EQ(mxlite::TakeWarnings(), "Tavrix:TavrixInit:transposed\nTavrix:TavrixInit:oneBased\n");
    MxPtr fine = Matrix(1, 3, {0, 1, 1});
    o = CallGateway(TavrixInit_mexFunction, 1, {fine.get(), size.get(), size.get()});
    EXPECT_EQ(mxlite::TakeWarnings(), "");
}

TEST_F(InitGateway, RejectsBadArgumentsBeforeAllocating) {
    MxPtr codes = Matrix(2, 3, {0, 1, 1, 0, 0, 1});
    MxPtr two = Scalar(2), zero = Scalar(0), bad = Matrix(1, 2, {0, -1});
    MxPtr method = Text("Method"), pca = Text("pca"), threads = Text("Threads");
    MxPtr cell(mxCreateCellMatrix(1, 1));
    ExpectError("argumentCount", {});
    ExpectError("argumentCount", {codes.get(), two.get()});
    ExpectError("dataClass", {cell.get()});
    ExpectError("dataSize", {codes.get(), zero.get(), two.get()});
    ExpectError("codeRange", {bad.get(), two.get(), two.get()});
    ExpectError("option", {codes.get(), two.get(), two.get(), method.get(), pca.get()});
    ExpectError("option", {codes.get(), threads.get(), zero.get()});
    ExpectError("outputCount", {codes.get()}, 2);
}

}  // namespace
}  // namespace tavrix
