// Exact inference enumerates the completions of a cycle of a unit's graph
// through missing variables; their count must stay within 32 bits.
#pragma once

#include <cstdint>
#include <string>

#include "../impute/imputation.hpp"
#include "errors.hpp"

namespace tavrix::host {

constexpr std::int64_t kCompletionLimit = std::int64_t{1} << 31;

// Fails with tooManyCompletions, ending the message with `advice`, when some
// sample of `codes` needs kCompletionLimit completions or more under `plan`.
inline void RequireCountableCompletions(const ImputePlan& plan, const CodeMatrix& codes, int threads,
                                        const char* advice, Interrupt* interrupt = nullptr) {
    if (LargestCompletionCount(plan, codes, threads, kCompletionLimit, interrupt) >= kCompletionLimit)
        Fail(Reason::kTooManyCompletions,
             std::string("a unit's graph has a cycle through missing variables whose completions number 2^31 or "
                         "more; ") + advice);
}

}  // namespace tavrix::host
