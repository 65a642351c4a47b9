#include "lattice_reader.hpp"

#include <cctype>
#include <optional>
#include <string>

#include "errors.hpp"

namespace tavrix::host {
namespace {

constexpr const char* kExpected = "'rectangular' or 'hexagonal'";

// The text of a char row vector of up to 31 characters, none otherwise.
std::optional<std::string> ShortText(const mxArray* value) {
    char buffer[32] = {0};
    if (!mxIsChar(value) || mxGetM(value) != 1 || mxGetString(value, buffer, sizeof buffer) != 0) return std::nullopt;
    return std::string(buffer);
}

std::optional<Lattice> LatticeOf(const std::string& name) {
    if (name == LatticeName(Lattice::kRectangular)) return Lattice::kRectangular;
    if (name == LatticeName(Lattice::kHexagonal)) return Lattice::kHexagonal;
    return std::nullopt;
}

std::string Found(const std::optional<std::string>& text) {
    return text ? "'" + *text + "'" : std::string("a value that is not a short char row");
}

}  // namespace

const char* LatticeName(Lattice lattice) { return lattice == Lattice::kHexagonal ? "hexagonal" : "rectangular"; }

Lattice ReadLatticeField(const mxArray* model) {
    const mxArray* field = mxGetField(model, 0, "Lattice");
    if (!field) return Lattice::kRectangular;
    const std::optional<std::string> text = ShortText(field);
    const std::optional<Lattice> lattice = text ? LatticeOf(*text) : std::nullopt;
    if (!lattice)
        Fail(Reason::kFieldValue, std::string("model field 'Lattice' must be ") + kExpected + " (or absent, for " +
                                      "rectangular); found " + Found(text) + ".");
    return *lattice;
}

Lattice ReadLatticeOption(const mxArray* value) {
    std::optional<std::string> text = ShortText(value);
    std::optional<Lattice> lattice;
    if (text) {
        std::string lower = *text;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        lattice = LatticeOf(lower);
    }
    if (!lattice)
        Fail(Reason::kOption, std::string("option 'Lattice' must be ") + kExpected + "; found " + Found(text) + ".");
    return *lattice;
}

}  // namespace tavrix::host
