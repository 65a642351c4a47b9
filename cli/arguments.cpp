#include "arguments.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tavrix::cli {

const char* const kUsage =
    "usage: mpirun -n K tavrix-train --data DATA.mat --model FIRST.mat --epochs E --out TRAINED.mat\n"
    "                                [--data-var NAME] [--model-var NAME] [--radius R0 [R1]] [--prior A]\n"
    "                                [--held-out H | --validation FILE] [--assignment MODE] [--lattice L]\n"
    "                                [--threads N] [--verbose] [--checkpoint FILE [--every K]] [--resume FILE]\n"
    "Trains the map of FIRST.mat for E epochs of batch training on DATA.mat, as TavrixTrain does,\n"
    "each of the K ranks counting its own contiguous block of sample columns.\n"
    "  --data DATA.mat      a Dimension x N matrix of 0-based value codes, NaN where missing: the\n"
    "                       variable --data-var, or else the file's first variable\n"
    "  --model FIRST.mat    a MapModel struct (from TavrixInit): --model-var, or else the first variable\n"
    "  --epochs E           epochs, a positive integer\n"
    "  --out TRAINED.mat    the trained model, saved as the variable 'model' (MAT v5); written to a\n"
    "                       temporary file in the same folder and renamed, so it appears only when whole\n"
    "  --radius R0 [R1]     the first and the last epoch's radius [max(rows, columns)/2, at least 1.5; 0.3]\n"
    "  --prior A            virtual samples added to every unit [mean cells of a two-variable table,\n"
    "                       at most twice the mean range and at most the samples per unit]\n"
    "  --held-out H         share of the samples held back to choose the best epoch, 0 <= H < 1 [0.1];\n"
    "                       the best then gets one last epoch on every sample\n"
    "  --validation FILE    choose the best epoch on the first variable of FILE instead (codes, NaN\n"
    "                       where missing), counting every sample\n"
    "  --assignment MODE    hard: each sample to its best unit; soft: spread over the units by its\n"
    "                       posterior; hard-then-soft: hard for the first half of the epochs\n"
    "                       [hard-then-soft when R1 < 0.5, else hard]\n"
    "  --lattice L          rectangular or hexagonal: the trained model's lattice [FIRST.mat's Lattice,\n"
    "                       rectangular when it has none]\n"
    "  --threads N          threads per rank, 1..1024 [1]\n"
    "  --verbose            one line per epoch, from rank 0\n"
    "  --checkpoint FILE    rank 0 saves the run every K epochs [1], after the last, and when stopped, to\n"
    "                       FILE (variable 'checkpoint'; written whole, by a temporary file and rename)\n"
    "  --resume FILE        carries on the run FILE holds (same data, first model and settings): the\n"
    "                       model of the run not stopped, bit for bit, on any number of ranks\n"
    "SIGTERM or SIGINT to a rank stops every rank after its current epoch, saved to --checkpoint.\n"
    "Every rank needs at least one sample (K <= N). Exit status: 0 done, 1 a fault, 2 bad arguments,\n"
    "75 stopped by a signal (see docs/scaling.md).\n";

namespace {

double Number(const char* option, const char* text) {
    char* end = nullptr;
    errno = 0;
    const double x = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(x))
        throw UsageError(std::string(option) + " needs a number; found '" + text + "'");
    return x;
}

double Positive(const char* option, const char* text) {
    const double x = Number(option, text);
    if (!(x > 0.0)) throw UsageError(std::string(option) + " must be positive; found '" + text + "'");
    return x;
}

long Integer(const char* option, const char* text, long low, long high) {
    const double x = Number(option, text);
    if (x != std::floor(x) || x < static_cast<double>(low) || x > static_cast<double>(high))
        throw UsageError(std::string(option) + " must be an integer within " + std::to_string(low) + ".." +
                         std::to_string(high) + "; found '" + text + "'");
    return static_cast<long>(x);
}

bool IsNumber(const char* text) {
    char* end = nullptr;
    std::strtod(text, &end);
    return end != text && *end == '\0';
}

}  // namespace

Arguments ParseArguments(int argc, const char* const argv[]) {
    Arguments a;
    bool hasEpochs = false;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) throw UsageError(std::string(option) + " needs a value");
            return argv[++i];
        };
        if (!std::strcmp(option, "--data")) a.dataFile = value();
        else if (!std::strcmp(option, "--model")) a.modelFile = value();
        else if (!std::strcmp(option, "--out")) a.outFile = value();
        else if (!std::strcmp(option, "--data-var")) a.dataVariable = value();
        else if (!std::strcmp(option, "--model-var")) a.modelVariable = value();
        else if (!std::strcmp(option, "--epochs")) {
            a.epochs = static_cast<std::int32_t>(Integer(option, value(), 1, 2147483647L));
            hasEpochs = true;
        } else if (!std::strcmp(option, "--radius")) {
            a.radius[0] = a.radius[1] = Positive(option, value());
            if (i + 1 < argc && IsNumber(argv[i + 1])) a.radius[1] = Positive(option, argv[++i]);
            a.hasRadius = true;
        } else if (!std::strcmp(option, "--prior")) {
            a.prior = Positive(option, value());
            a.hasPrior = true;
        } else if (!std::strcmp(option, "--held-out")) {
            a.heldOut = Number(option, value());
            if (!(a.heldOut >= 0.0 && a.heldOut < 1.0))
                throw UsageError(std::string(option) + " must be within [0, 1); found '" + argv[i] + "'");
            a.hasHeldOut = true;
        } else if (!std::strcmp(option, "--validation")) a.validationFile = value();
        else if (!std::strcmp(option, "--assignment")) {
            const char* mode = value();
            if (!std::strcmp(mode, "hard")) a.assignment = AssignmentMode::kHard;
            else if (!std::strcmp(mode, "soft")) a.assignment = AssignmentMode::kSoft;
            else if (!std::strcmp(mode, "hard-then-soft")) a.assignment = AssignmentMode::kHardThenSoft;
            else
                throw UsageError(std::string(option) + " must be hard, soft or hard-then-soft; found '" + mode + "'");
            a.hasAssignment = true;
        } else if (!std::strcmp(option, "--threads")) a.threads = static_cast<int>(Integer(option, value(), 1, 1024));
        else if (!std::strcmp(option, "--verbose")) a.verbose = true;
        else if (!std::strcmp(option, "--lattice")) {
            const std::string name = value();
            if (name != "rectangular" && name != "hexagonal")
                throw UsageError("--lattice must be rectangular or hexagonal; found '" + name + "'");
            a.lattice = name == "hexagonal" ? Lattice::kHexagonal : Lattice::kRectangular;
            a.hasLattice = true;
        }
        else if (!std::strcmp(option, "--checkpoint")) a.checkpointFile = value();
        else if (!std::strcmp(option, "--every"))
            a.every = static_cast<std::int32_t>(Integer(option, value(), 1, 2147483647L));
        else if (!std::strcmp(option, "--resume")) a.resumeFile = value();
        else throw UsageError(std::string("unknown argument '") + option + "'");
    }
    if (a.dataFile.empty() || a.modelFile.empty() || a.outFile.empty() || !hasEpochs)
        throw UsageError("--data, --model, --epochs and --out are required");
    if (!a.validationFile.empty() && a.heldOut > 0.0)
        throw UsageError("--held-out and --validation both choose the samples to score; give one");
    return a;
}

}  // namespace tavrix::cli
