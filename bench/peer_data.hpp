// The data sets that bench_batch trains on and that peer_data writes out as
// CSV files, so that other SOM implementations train on the same samples:
//  - vote: the House votes of data/vote.arff (16 votes, "?" missing);
//  - basket: binary items (code 1: in the basket), each with its own rate,
//    at two numbers of samples.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/map_model.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix::bench {

struct DataSet {
    const char* name;
    int samples;     // 0: every row of the vote file
    int rows, cols;  // the map it is trained on
    bool oneHot;     // how peers see it: one 0/1 column per value, or the code itself
};

// Indexed by bench_batch's `data` argument.
inline const std::vector<DataSet>& DataSets() {
    static const std::vector<DataSet> sets = {
        {"vote", 0, 6, 6, true}, {"basket-4600", 4600, 4, 4, false}, {"basket-100000", 100000, 4, 4, false}};
    return sets;
}

struct Data {
    CodeMatrix codes;            // missing entries kMissingCode
    std::vector<double> ranges;  // values per variable
};

// The nominal attributes and rows of an ARFF file but the last attribute
// (the class); "?" is missing.
inline Data ReadArff(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::vector<std::vector<std::string>> labels;
    Data data;
    CodeMatrix& codes = data.codes;
    bool rows = false;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        if (!rows && line.rfind("@attribute", 0) == 0) {
            std::vector<std::string> values;
            std::stringstream list(line.substr(line.find('{') + 1, line.find('}') - line.find('{') - 1));
            for (std::string v; std::getline(list, v, ',');) values.push_back(v.substr(v.find_first_not_of(' ')));
            labels.push_back(values);
        } else if (line.rfind("@data", 0) == 0) {
            rows = true;
        } else if (rows) {
            std::stringstream fields(line);
            std::size_t i = 0;
            for (std::string f; std::getline(fields, f, ','); ++i) {
                if (i + 1 == labels.size()) break;
                std::int32_t code = kMissingCode;
                for (std::size_t c = 0; c < labels[i].size(); ++c)
                    if (labels[i][c] == f) code = static_cast<std::int32_t>(c);
                codes.codes.push_back(code);
            }
            ++codes.numSamples;
        }
    }
    codes.dimension = static_cast<std::int32_t>(labels.size()) - 1;
    for (std::int32_t i = 0; i < codes.dimension; ++i)
        data.ranges.push_back(static_cast<double>(labels[static_cast<std::size_t>(i)].size()));
    return data;
}

constexpr int kBasketItems = 216;

// Baskets of 216 items, 8% of the entries 1 (in the basket). Each item's rate
// is drawn once, 0.5% + c u^3 for u uniform, c making the rates average 8%:
// most items are rare, a few are in up to about a third of the baskets, and
// absent (0) is every item's most frequent value. Fewer samples are a prefix
// of more.
inline Data Baskets(int samples) {
    testing::Random random(kBasketItems);
    std::vector<double> rates(kBasketItems);
    double sum = 0.0;
    for (double& rate : rates) {
        const double u = random.Uniform();
        sum += rate = u * u * u;
    }
    for (double& rate : rates) rate = 0.005 + 0.075 * rate * kBasketItems / sum;
    Data data;
    data.ranges.assign(kBasketItems, 2.0);
    data.codes.dimension = kBasketItems;
    data.codes.numSamples = samples;
    data.codes.codes.reserve(static_cast<std::size_t>(samples) * kBasketItems);
    for (int j = 0; j < samples; ++j)
        for (double rate : rates) data.codes.codes.push_back(random.Chance(rate) ? 1 : 0);
    return data;
}

inline Data Load(const DataSet& set) {
    return set.samples == 0 ? ReadArff(TAVRIX_SOURCE_DIR "/data/vote.arff") : Baskets(set.samples);
}

}  // namespace tavrix::bench
