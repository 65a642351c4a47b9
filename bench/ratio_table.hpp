// The comparison every benchmark program prints and `./run bench` sums up:
// items per second of each fast run beside those of the literal reference at
// the same size. Runs are named as Google Benchmark names them with ArgNames,
// Function/samples:2000/dimension:20/side:10/threads:1/real_time. A run named
// FastX is compared with the run named ReferenceX whose size (every key but
// threads) is the same; other functions are not in the table.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace tavrix::bench {

struct Measurement {
    std::string name;  // the run's full name
    std::string item;  // what one item is: the run's label
    double itemsPerSecond = 0.0;
};

struct RunName {
    std::string function;
    std::string size;  // "samples 2000, dimension 20, side 10"
    std::string threads;
};

inline RunName ParseRunName(const std::string& name) {
    RunName run;
    std::size_t begin = 0;
    for (bool first = true; begin <= name.size(); first = false) {
        std::size_t end = name.find('/', begin);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t colon = part.find(':');
        if (first) {
            run.function = part;
            continue;
        }
        if (colon == std::string::npos) continue;  // real_time and the like
        const std::string key = part.substr(0, colon), value = part.substr(colon + 1);
        if (key == "threads") run.threads = value;
        else if (key != "iterations" && key != "min_time" && key != "repeats")
            run.size += (run.size.empty() ? "" : ", ") + key + " " + value;
    }
    return run;
}

struct Comparison {
    std::string benchmark;  // program and function: "best Fast"
    RunName run;
    std::string item;
    double fast = 0.0;
    double reference = 0.0;  // 0 when no reference ran at this size
};

// Every fast run of `program` beside the reference run of its size, in the
// order the fast runs came.
inline std::vector<Comparison> Compare(const std::string& program, const std::vector<Measurement>& runs) {
    std::vector<Comparison> rows;
    for (const Measurement& m : runs) {
        const RunName run = ParseRunName(m.name);
        if (run.function.rfind("Fast", 0) != 0) continue;
        Comparison row{program + " " + run.function, run, m.item, m.itemsPerSecond, 0.0};
        const std::string reference = "Reference" + run.function.substr(4);
        for (const Measurement& r : runs) {
            const RunName candidate = ParseRunName(r.name);
            if (candidate.function == reference && candidate.size == run.size) row.reference = r.itemsPerSecond;
        }
        rows.push_back(row);
    }
    return rows;
}

// 122465 as "122k", 2.88917 as "2.89".
inline std::string ShortRate(double rate) {
    char text[32];
    if (rate >= 1e6) std::snprintf(text, sizeof text, "%.3gM", rate / 1e6);
    else if (rate >= 1e3) std::snprintf(text, sizeof text, "%.3gk", rate / 1e3);
    else std::snprintf(text, sizeof text, "%.3g", rate);
    return text;
}

// The comparisons as a Markdown table.
inline void PrintTable(std::ostream& out, const std::vector<Comparison>& rows) {
    if (rows.empty()) return;
    out << "| benchmark | size | threads | item | fast items/s | reference items/s | fast / reference |\n"
        << "|---|---|---:|---|---:|---:|---:|\n";
    for (const Comparison& row : rows) {
        std::string ratio = "-", reference = "-";
        if (row.reference > 0.0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", row.fast / row.reference);
            ratio = text;
            reference = ShortRate(row.reference);
        }
        out << "| " << row.benchmark << " | " << row.run.size << " | " << row.run.threads << " | " << row.item
            << " | " << ShortRate(row.fast) << " | " << reference << " | " << ratio << " |\n";
    }
}

}  // namespace tavrix::bench
