// tavrix-train: batch training of a map over the ranks of an MPI job; see
// kUsage in arguments.cpp and docs/scaling.md. Every rank reads the model and
// its own block of samples, checks them as TavrixTrain does, and trains the
// same model from the summed statistics; rank 0 writes it.
#include <mpi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "../batch/batch_defaults.hpp"
#include "../batch/held_out.hpp"
#include "../batch/pass_training.hpp"
#include "../batch/run_fingerprint.hpp"
#include "../host/checkpoint.hpp"
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
#include "run_control.hpp"

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
    double heldOutShare = 0.0;
    std::uint64_t dataPrint = 0;  // this rank's share of the data fingerprint
    std::unique_ptr<cli::MpiStatisticsPass> pass;
};

// Reads and checks this rank's part: the model, its block of samples, and on
// rank 0 the output's folder. `file` names the file at hand for messages.
void Prepare(Job& job, std::string& file) {
    const cli::Arguments& a = job.args;
    file = a.modelFile;
    job.modelArray = cli::ReadVariable(a.modelFile, a.modelVariable);
    job.model = host::ReadModel(job.modelArray.get(), 1);
    if (a.hasLattice) job.model.lattice = a.lattice;
    host::RequireBatchFields(job.modelArray.get(), job.model);
    file = a.dataFile;
    cli::RankBlock block = cli::ReadRankBlock(a.dataFile, a.dataVariable, job.rank, job.ranks, job.model);
    const double share = a.validationFile.empty()
                             ? UsableShare(a.hasHeldOut ? a.heldOut : kDefaultHeldOut, block.totalSamples)
                             : 0.0;
    job.countedSamples = CountedSamples(share, block.totalSamples);
    job.heldOutShare = share;
    job.dataPrint = DataFingerprint(block.codes, block.firstColumn);
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
    if (job.rank == 0) {
        file = a.outFile;
        cli::RequireWritableFolder(a.outFile);
        if (!a.checkpointFile.empty()) {
            file = a.checkpointFile;
            cli::RequireWritableFolder(a.checkpointFile);
            cli::RemoveLeftTemporaries(a.checkpointFile);
        }
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
    settings.assignment = a.hasAssignment ? a.assignment : DefaultAssignment(settings.radiusEnd);
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

// What ties a checkpoint to this run: the data over every rank, the first
// model, the validation samples and the settings.
host::RunIdentity IdentityOf(const Job& job, const BatchSettings& settings) {
    host::RunIdentity run;
    run.data = job.dataPrint;
    MPI_Allreduce(MPI_IN_PLACE, &run.data, 1, MPI_UINT64_T, MPI_SUM, MPI_COMM_WORLD);  // wraps, as the sum is meant to
    run.model = ModelFingerprint(job.model);
    run.validation = job.validation.numSamples > 0 ? DataFingerprint(job.validation, 0) : 0;
    run.epochs = job.args.epochs;
    run.radiusStart = settings.radiusStart;
    run.radiusEnd = settings.radiusEnd;
    run.prior = settings.prior;
    run.heldOut = job.heldOutShare;
    run.assignment = static_cast<double>(settings.assignment);
    run.lattice = static_cast<double>(job.model.lattice);
    return run;
}

// A message about `file`, named once.
std::string AboutFile(const std::string& file, const std::string& what) {
    return what.compare(0, file.size() + 1, file + ":") == 0 ? what : file + ": " + what;
}

// Runs `read`, turning what it throws into the failure message of this rank
// (`file` names the file at hand); true when every rank succeeded.
template <class Read>
bool EveryRankReads(const Job& job, std::string& file, Read&& read) {
    std::string failure;
    try {
        read();
    } catch (const host::Failure& f) {
        failure = AboutFile(file, f.what());
    } catch (const cli::FileError& e) {
        failure = AboutFile(file, e.what());
    } catch (const std::bad_alloc&) {
        failure = AboutFile(file, "not enough memory to read this rank's part");
    }
    return AllRanksAgree(job, failure);
}

int Run(Job& job) {
    std::string file;
    if (!EveryRankReads(job, file, [&]() { Prepare(job, file); })) return 1;
    // Collective (the ranks share their held-back counts): only once every rank has its part.
    if (!EveryRankReads(job, file, [&]() {
            job.pass = std::make_unique<cli::MpiStatisticsPass>(job.model, job.codes, job.held,
                                                                static_cast<std::int64_t>(job.countedSamples),
                                                                job.args.threads, MPI_COMM_WORLD);
        }))
        return 1;
    const BatchSettings settings = SettingsOf(job.args, job.model, job.countedSamples);
    cli::CheckpointPlan plan{job.args.checkpointFile, job.args.every, IdentityOf(job, settings)};
    host::Checkpoint resumed;
    if (!job.args.resumeFile.empty() && !EveryRankReads(job, file, [&]() {
            file = job.args.resumeFile;
            const host::OwnedArray saved = cli::ReadVariable(file, "checkpoint");
            resumed = host::ReadCheckpoint(saved.get(), file, plan.run, job.model);
        }))
        return 1;

    const auto start = MPI_Wtime();
    const mxArray* from = resumed.model ? resumed.model.get() : job.modelArray.get();
    host::TrainableCopy out(from, resumed.model ? host::ReadModel(from, 1) : job.model,
                            job.args.hasLattice ? &job.args.lattice : nullptr);
    std::vector<EpochReport> reports(static_cast<std::size_t>(job.args.epochs));
    std::copy(resumed.reports.begin(), resumed.reports.end(), reports.begin());
    BatchRunState run = std::move(resumed.state);
    const std::int32_t firstEpoch = run.epochsDone;
    cli::EpochPrinter printer;
    cli::RunControl control(job.rank, MPI_COMM_WORLD, plan, run, Span<const EpochReport>(reports.data(), reports.size()),
                            out.Array(), job.rank == 0 && job.args.verbose ? &printer : nullptr);
    cli::CatchStopSignals();
    TrainBatchWithPass(job.model, out.Tables(), *job.pass, job.args.epochs, settings,
                       Span<EpochReport>(reports.data(), reports.size()), &control, control.StopFlag(),
                       job.args.validationFile.empty() ? nullptr : &job.validation, &run);
    if (control.StoppedBy() != 0) {
        if (job.rank == 0) std::printf("%s\n", control.StoppedLine(job.args.epochs).c_str());
        return cli::kStoppedStatus;
    }
    if (job.rank == 0 && job.args.verbose) printer.Chosen(run);

    if (job.args.verbose) ReportTimes(job, std::max(job.args.epochs - firstEpoch, 1));

    int written = 1;
    if (job.rank == 0) {
        try {
            cli::WriteWhole(job.args.outFile, "model", out.Array());
            std::printf("tavrix-train: %d epochs on %d ranks in %.2f s; wrote %s (variable 'model')\n",
                        job.args.epochs - firstEpoch, job.ranks, MPI_Wtime() - start, job.args.outFile.c_str());
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
