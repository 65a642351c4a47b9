// Sums up the JSON files that the benchmark programs write with
// --benchmark_out_format=json: one Markdown table of every fast run beside
// the literal reference at the same size (ratio_table.hpp).
//   summarise build/bench/results/bench_best.json ...
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "ratio_table.hpp"

namespace {

using tavrix::bench::Measurement;

// The text of `"key": "text"` or `"key": number` on a line of the writer's
// output, which puts every field of a run on its own line.
bool Field(const std::string& line, const std::string& key, std::string& value) {
    const std::string opening = "\"" + key + "\": ";
    const std::size_t at = line.find(opening);
    if (at == std::string::npos) return false;
    value = line.substr(at + opening.size());
    if (!value.empty() && value.back() == ',') value.pop_back();
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    return true;
}

std::vector<Measurement> ReadRuns(std::istream& in) {
    std::vector<Measurement> runs;
    std::string line, value;
    bool inRuns = false, aggregate = false;
    while (std::getline(in, line)) {
        if (!inRuns) {
            inRuns = line.find("\"benchmarks\": [") != std::string::npos;
            continue;
        }
        if (Field(line, "name", value)) {
            runs.push_back({value, "", 0.0});
            aggregate = false;
        } else if (runs.empty()) {
            continue;
        } else if (Field(line, "run_type", value)) {
            aggregate = value == "aggregate";
        } else if (Field(line, "label", value)) {
            runs.back().item = value;
        } else if (Field(line, "items_per_second", value) && !aggregate) {
            runs.back().itemsPerSecond = std::stod(value);
        }
    }
    return runs;
}

// "build/bench/results/bench_best.json" -> "best".
std::string ProgramOf(std::string path) {
    path = path.substr(path.rfind('/') + 1);
    if (path.rfind("bench_", 0) == 0) path = path.substr(6);
    return path.substr(0, path.rfind(".json"));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<tavrix::bench::Comparison> rows;
    for (int a = 1; a < argc; ++a) {
        std::ifstream in(argv[a]);
        if (!in) {
            std::cerr << "summarise: cannot read " << argv[a] << "\n";
            return 1;
        }
        for (const auto& row : tavrix::bench::Compare(ProgramOf(argv[a]), ReadRuns(in))) rows.push_back(row);
    }
    std::cout << "# Benchmarks: fast code against the literal reference\n\n"
              << "Items per second at each size (side: a side x side map); fast / reference compares the two at "
                 "the same size.\n\n";
    tavrix::bench::PrintTable(std::cout, rows);
    return 0;
}
