#include "errors.hpp"

#include <cstdio>

namespace tavrix::host {

const char* ReasonName(Reason reason) {
    switch (reason) {
        case Reason::kArgumentCount: return "argumentCount";
        case Reason::kOutputCount: return "outputCount";
        case Reason::kNotModel: return "notModel";
        case Reason::kMissingField: return "missingField";
        case Reason::kFieldClass: return "fieldClass";
        case Reason::kFieldSize: return "fieldSize";
        case Reason::kFieldValue: return "fieldValue";
        case Reason::kDataClass: return "dataClass";
        case Reason::kDataSize: return "dataSize";
        case Reason::kCodeRange: return "codeRange";
        case Reason::kOption: return "option";
        case Reason::kTooManyCompletions: return "tooManyCompletions";
        case Reason::kOutOfMemory: return "outOfMemory";
        case Reason::kInterrupted: return "interrupted";
        case Reason::kParallelPass: return "parallelPass";
        case Reason::kLattice: return "lattice";
        case Reason::kCheckpoint: return "checkpoint";
        case Reason::kOutputFcn: return "outputFcn";
        case Reason::kCompact: return "compact";
    }
    return "unknown";
}

void Fail(Reason reason, const std::string& message) { throw Failure(reason, message); }

std::string Show(double value) {
    char text[32];
    if (value != value) return "NaN";
    if (value - value != 0.0) return value > 0 ? "Inf" : "-Inf";
    // Whole numbers as integers: "%.1g" would write -10 as "-1e+01".
    if (value == static_cast<double>(static_cast<long long>(value)) && value > -1e15 && value < 1e15) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
        return text;
    }
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        double back = 0.0;
        if (std::sscanf(text, "%lf", &back) == 1 && (back == value || value != value)) break;
    }
    return text;
}

}  // namespace tavrix::host
