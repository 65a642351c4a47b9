// Writes the benchmark data sets (peer_data.hpp) as CSV files for other SOM
// implementations to train on:
//   peer_data <folder>
// <folder>/datasets.csv lists them: index (bench_batch's `data` argument),
// name, samples, map rows and columns, file. <folder>/<name>.csv holds one
// row per sample under a header of column names: a one-hot data set has one
// 0/1 column per value of each variable, all NA where the variable is
// missing; any other has its codes as they are.
#include <fstream>
#include <iostream>
#include <string>

#include "bench/peer_data.hpp"

namespace {

using tavrix::bench::Data;
using tavrix::bench::DataSet;

// The columns of variable i: one per value, or one.
int Columns(const Data& data, std::int32_t i, bool oneHot) {
    return oneHot ? static_cast<int>(data.ranges[static_cast<std::size_t>(i)]) : 1;
}

void WriteHeader(std::ostream& out, const Data& data, bool oneHot) {
    std::string line;
    for (std::int32_t i = 0; i < data.codes.dimension; ++i) {
        const int values = Columns(data, i, oneHot);
        for (int v = 0; v < values; ++v)
            line += (line.empty() ? "v" : ",v") + std::to_string(i + 1) + (oneHot ? "_" + std::to_string(v + 1) : "");
    }
    out << line << '\n';
}

void WriteRows(std::ostream& out, const Data& data, bool oneHot) {
    std::string line;
    for (std::int32_t j = 0; j < data.codes.numSamples; ++j) {
        line.clear();
        const std::int32_t* column = data.codes.Column(j);
        for (std::int32_t i = 0; i < data.codes.dimension; ++i) {
            const int values = Columns(data, i, oneHot);
            for (int v = 0; v < values; ++v) {
                if (!line.empty()) line += ',';
                if (column[i] == tavrix::kMissingCode) line += "NA";
                else if (oneHot) line += column[i] == v ? '1' : '0';
                else line += std::to_string(column[i]);
            }
        }
        out << line << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: peer_data <folder>\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::ofstream list(folder + "/datasets.csv");
    list << "index,name,samples,rows,cols,file\n";
    for (std::size_t k = 0; k < tavrix::bench::DataSets().size(); ++k) {
        const DataSet& set = tavrix::bench::DataSets()[k];
        const Data data = tavrix::bench::Load(set);
        const std::string file = std::string(set.name) + ".csv";
        std::ofstream out(folder + "/" + file);
        WriteHeader(out, data, set.oneHot);
        WriteRows(out, data, set.oneHot);
        if (!out) {
            std::cerr << "peer_data: cannot write " << folder << "/" << file << "\n";
            return 1;
        }
        list << k << ',' << set.name << ',' << data.codes.numSamples << ',' << set.rows << ',' << set.cols << ','
             << file << '\n';
    }
    return list ? 0 : 1;
}
