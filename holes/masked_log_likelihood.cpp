#include "masked_log_likelihood.hpp"

namespace tavrix {

double MaskedLogLikelihood(const CompiledUnit& unit, const std::int32_t* codes, const std::uint8_t* hidden) {
    const double* values = unit.values.data();
    double s = 0.0;
    for (const LogTerm& t : unit.terms) {
        if (!(hidden[t.maskA] && hidden[t.maskB])) continue;
        s += values[t.offset + static_cast<std::size_t>(codes[t.varA]) +
                    static_cast<std::size_t>(codes[t.varB]) * static_cast<std::size_t>(t.strideB)];
    }
    return s;
}

}  // namespace tavrix
