// tavrix-train: batch training of a map over the ranks of an MPI job; see
// kUsage in arguments.cpp and docs/scaling.md. Every rank reads the model and
// its own block of samples, checks them as TavrixTrain does, and trains the
// same model from the summed statistics; rank 0 writes it.
#include <mpi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "../batch/batch_defaults.hpp"
#include "../batch/held_out.hpp"
#include "../batch/pass_training.hpp"
#include "../host/batch_fields.hpp"
#include "../host/data_reader.hpp"
#include "../host/model_reader.hpp"
#include "../host/model_writer.hpp"
#include "arguments.hpp"
#include "epoch_printer.hpp"
#include "../host/matio/mat_file.hpp"
#include "rank_block.hpp"
#include "mpi_statistics_pass.hpp"
#include "output_file.hpp"

namespace {

using namespace tavrix;

struct Job {
    int rank = 0, ranks = 1;
    cli::Arguments args;
    host::OwnedArray modelArray;
    MapModel model;
    CodeMatrix codes, held;  // this rank's samples, counted and held back
    CodeMatrix validation;
    double countedSamples = 0.0;  // over every rank
    std::unique_ptr<cli::MpiStatisticsPass> pass;
};

// Reads and checks this rank's part: the model, its block of samples, and on
// rank 0 the output's folder. `file` names the file at hand for messages.
void Prepare(Job& job, std::string& file) {
    const cli::Arguments& a = job.args;
    file = a.modelFile;
    job.modelArray = cli::ReadVariable(a.modelFile, a.modelVariable);
    job.model = host::ReadModel(job.modelArray.get(), 1);
    host::RequireBatchFields(job.modelArray.get(), job.model);
    file = a.dataFile;
    cli::RankBlock block = cli::ReadRankBlock(a.dataFile, a.dataVariable, job.rank, job.ranks, job.model);
    const double share = a.validationFile.empty()
                             ? UsableShare(a.hasHeldOut ? a.heldOut : kDefaultHeldOut, block.totalSamples)
                             : 0.0;
    job.countedSamples = CountedSamples(share, block.totalSamples);
    if (share > 0.0) {
        HeldOutSplit split = SplitHeldOut(block.codes, MakeHeldOutRule(share, block.firstColumn));
        job.codes = std::move(split.counted);
        job.held = std::move(split.held);
    } else {
        job.codes = std::move(block.codes);
    }
    if (!a.validationFile.empty()) {
        file = a.validationFile;
        const host::OwnedArray v = cli::ReadVariable(a.validationFile, "");
        job.validation = host::ReadDataWithMissing(v.get(), "the validation samples", nullptr, job.model);
    }
    job.pass = std::make_unique<cli::MpiStatisticsPass>(job.model, job.codes, job.held,
                                                        static_cast<std::int64_t>(job.countedSamples), a.threads,
                                                        MPI_COMM_WORLD);
    if (job.rank == 0) {
        file = a.outFile;
        cli::RequireWritableFolder(a.outFile);
    }
}

// True when every rank is fine; otherwise each failing rank says why.
bool AllRanksAgree(const Job& job, const std::string& failure) {
    int failed = failure.empty() ? 0 : 1;
    MPI_Allreduce(MPI_IN_PLACE, &failed, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    if (!failure.empty()) std::fprintf(stderr, "tavrix-train: rank %d: %s\n", job.rank, failure.c_str());
    return failed == 0;
}

BatchSettings SettingsOf(const cli::Arguments& a, const MapModel& model, double countedSamples) {
    BatchSettings settings;
    settings.radiusStart = a.hasRadius ? a.radius[0] : DefaultRadiusStart(model.numRowsMap, model.numColsMap);
    settings.radiusEnd = a.hasRadius ? a.radius[1] : kDefaultRadiusEnd;
    settings.prior = a.hasPrior ? a.prior : DefaultPrior(model, countedSamples);
    settings.threads = a.threads;
    return settings;
}

// With --verbose, rank 0 prints every rank's time per epoch counting and
// waiting in the reduction, and its samples counted per second.
void ReportTimes(const Job& job, int epochs) {
    const double mine[3] = {job.pass->CountSeconds() / epochs, job.pass->ReduceSeconds() / epochs,
                            static_cast<double>(job.codes.numSamples)};
    std::vector<double> all(static_cast<std::size_t>(3 * job.ranks));
    MPI_Gather(mine, 3, MPI_DOUBLE, all.data(), 3, MPI_DOUBLE, 0, MPI_COMM_WORLD);
    if (job.rank != 0) return;
    std::printf("tavrix-train: statistics of %zu doubles reduced per epoch\n", job.pass->ReducedDoubles());
    for (int r = 0; r < job.ranks; ++r) {
        const double* t = all.data() + 3 * r;
        std::printf("tavrix-train: rank %d: %.0f samples, counted in %.3f s per epoch (%.0f samples per second), "
                    "%.3f s per epoch in the reduction\n", r, t[2], t[0], t[0] > 0.0 ? t[2] / t[0] : 0.0, t[1]);
    }
}

int Run(Job& job) {
    std::string failure, file;
    try {
        Prepare(job, file);
    } catch (const host::Failure& f) {
        failure = file + ": " + f.what();
    } catch (const cli::FileError& e) {
        failure = file + ": " + e.what();
    } catch (const std::bad_alloc&) {
        failure = file + ": not enough memory to read this rank's part";
    }
    if (!AllRanksAgree(job, failure)) return 1;

    const auto start = MPI_Wtime();
    host::TrainableCopy out(job.modelArray.get(), job.model);
    std::vector<EpochReport> reports(static_cast<std::size_t>(job.args.epochs));
    cli::EpochPrinter printer;
    BatchRunState run;
    TrainBatchWithPass(job.model, out.Tables(), *job.pass, job.args.epochs,
                       SettingsOf(job.args, job.model, job.countedSamples),
                       Span<EpochReport>(reports.data(), reports.size()),
                       job.rank == 0 && job.args.verbose ? &printer : nullptr, nullptr,
                       job.args.validationFile.empty() ? nullptr : &job.validation, &run);
    if (job.rank == 0 && job.args.verbose) printer.Chosen(run);

    if (job.args.verbose) ReportTimes(job, job.args.epochs > 0 ? job.args.epochs : 1);

    int written = 1;
    if (job.rank == 0) {
        try {
            cli::WriteWhole(job.args.outFile, "model", out.Array());
            std::printf("tavrix-train: %d epochs on %d ranks in %.2f s; wrote %s (variable 'model')\n",
                        job.args.epochs, job.ranks, MPI_Wtime() - start, job.args.outFile.c_str());
        } catch (const cli::FileError& e) {
            std::fprintf(stderr, "tavrix-train: rank 0: %s: %s\n", job.args.outFile.c_str(), e.what());
            written = 0;
        }
    }
    MPI_Bcast(&written, 1, MPI_INT, 0, MPI_COMM_WORLD);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    Job job;
    MPI_Comm_rank(MPI_COMM_WORLD, &job.rank);
    MPI_Comm_size(MPI_COMM_WORLD, &job.ranks);
    int status = 0;
    try {
        for (int i = 1; i < argc; ++i)
            if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
                if (job.rank == 0) std::fputs(cli::kUsage, stdout);
                MPI_Finalize();
                return 0;
            }
        job.args = cli::ParseArguments(argc, argv);
        status = Run(job);
    } catch (const cli::UsageError& e) {
        if (job.rank == 0) std::fprintf(stderr, "tavrix-train: %s\n%s", e.what(), cli::kUsage);
        status = 2;
    } catch (const std::exception& e) {
        // A rank failing alone while the others wait in a reduction: end the whole job.
        std::fprintf(stderr, "tavrix-train: rank %d: %s\n", job.rank, e.what());
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    MPI_Finalize();
    return status;
}
