// The cases every build of the runner calls, built in code from fixed seeds so
// that each platform sees the very same arguments.
#pragma once

#include <string>
#include <vector>

#include "tests/support/mx_helpers.hpp"

namespace tavrix::runner {

// How a result is written: integer results (unit numbers, Graph, NumVictories)
// must agree exactly across platforms, real ones to a few units in the last place.
enum class Kind { kReal, kInteger };

// The kind of a model field in a struct result.
Kind FieldKind(const char* field);

struct Case {
    std::string name;
    std::string gateway;
    int nlhs = 1;
    std::vector<const mxArray*> args;
    std::vector<Kind> kinds;  // per result slot; missing ones are real
    bool keepResult = false;  // result 1 stays alive for later cases
    std::string modelFrom;    // argument 1 is the kept result of this case
};

struct CaseSet {
    std::vector<testing::MxPtr> arrays;  // owns every argument
    std::vector<Case> cases;
};

CaseSet MakeCases();

}  // namespace tavrix::runner
