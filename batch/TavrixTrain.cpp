// [model, info] = TavrixTrain(model, data, epochs, 'Radius', [r0 r1], 'Prior', alpha, 'HeldOut', h,
//                             'Validation', v, 'Mask', m, 'Threads', n, 'Verbose', tf, 'UseParallel', tf,
//                             'Assignment', a, 'Lattice', name, 'OutputFcn', f, 'Checkpoint', file,
//                             'CheckpointEvery', k, 'Resume', file, 'Compact', tf)
#include <vector>

#include "../host/batch_fields.hpp"
#include "../host/block_statistics_pass.hpp"
#include "../host/data_reader.hpp"
#include "../host/epoch_hooks.hpp"
#include "../host/errors.hpp"
#include "../host/gateway.hpp"
#include "../host/model_reader.hpp"
#include "../host/model_writer.hpp"
#include "../host/options.hpp"
#include "../host/progress_line.hpp"
#include "../host/training_reader.hpp"
#include "batch_defaults.hpp"
#include "batch_training.hpp"
#include "held_out.hpp"
#include "pass_training.hpp"
#include "run_fingerprint.hpp"

namespace {
enum { kInModel = 0, kInData, kInEpochs, kInEnd };
enum { kOutModel = 0, kOutInfo, kOutEnd };
}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixTrain", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::CheckCounts(call,
                          {{"model", "a model"},
                           {"data", "the data"},
                           {"epochs", "the number of epochs"}},
                          kOutEnd);
        const mxArray* in = call.prhs[kInModel];
        MapModel model = host::ReadModel(in, kInModel + 1);
        host::RequireBatchFields(in, model);
        const std::int32_t epochs = host::ReadEpochCount(call.prhs[kInEpochs], "argument 3 (epochs)");
        const host::Options options = host::ParseOptions(
            call, kInEnd,
            host::kThreadsOption | host::kVerboseOption | host::kRadiusOption | host::kPriorOption | host::kMaskOption |
                host::kUseParallelOption | host::kHeldOutOption | host::kValidationOption |
                host::kAssignmentOption | host::kLatticeOption | host::kCheckpointOption |
                host::kCheckpointEveryOption | host::kResumeOption | host::kOutputFcnOption | host::kCompactOption);
        if (options.hasLattice) model.lattice = options.lattice;
        const bool compact = options.hasCompact ? options.compact : host::IsCompact(in) || host::LargeWhenWhole(model);
        if (!compact && host::IsCompact(in))
            host::Fail(host::Reason::kCompact,
                       "argument 1 (model) is a compact model, and option 'Compact' false trains whole tables; "
                       "expand it with TavrixFull(model) first, or leave 'Compact' out.");
        if (compact && (options.useParallel || options.outputFcn || !options.checkpoint.empty() ||
                        !options.resume.empty()))
            host::Fail(host::Reason::kOption,
                       "compact training runs in this process and hands out its model at the end only, so it takes "
                       "none of 'UseParallel', 'OutputFcn', 'Checkpoint' and 'Resume'; leave them out, or train the "
                       "whole model ('Compact', false, TavrixFull for a compact one).");
        if (options.validation && options.heldOut > 0.0)
            host::Fail(host::Reason::kOption, "options 'HeldOut' and 'Validation' both choose the samples to score; "
                                              "give 'HeldOut' 0 with 'Validation', or leave one out.");
        CodeMatrix codes = host::ReadDataWithMissing(call.prhs[kInData], "argument 2 (data)", options.mask, model);
        const CodeMatrix validation =
            options.validation ? host::ReadDataWithMissing(options.validation, "option 'Validation'", nullptr, model)
                               : CodeMatrix{};
        BatchSettings settings;
        settings.radiusStart =
            options.hasRadius ? options.radius[0] : DefaultRadiusStart(model.numRowsMap, model.numColsMap);
        settings.radiusEnd = options.hasRadius ? options.radius[1] : kDefaultRadiusEnd;
        settings.threads = options.threads;
        const double share = options.validation ? 0.0
                                                : UsableShare(options.hasHeldOut ? options.heldOut : kDefaultHeldOut,
                                                              codes.numSamples);
        settings.prior = options.hasPrior ? options.prior : DefaultPrior(model, CountedSamples(share, codes.numSamples));
        settings.assignment = options.hasAssignment ? options.assignment : DefaultAssignment(settings.radiusEnd);
        // A model handed out or saved between epochs is whole.
        settings.wholeTables = options.outputFcn || !options.checkpoint.empty();
        host::EpochLine lines("TavrixTrain");
        host::EpochHookSettings hooks;
        hooks.lines = options.verbose ? &lines : nullptr;
        hooks.checkpoint = options.checkpoint;
        hooks.every = options.checkpointEvery;
        hooks.outputFcn = options.outputFcn;
        hooks.run = {DataFingerprint(codes, 0),
                     ModelFingerprint(model),
                     validation.numSamples > 0 ? DataFingerprint(validation, 0) : 0,
                     epochs,
                     settings.radiusStart,
                     settings.radiusEnd,
                     settings.prior,
                     share,
                     static_cast<double>(settings.assignment),
                     static_cast<double>(model.lattice)};
        const host::Checkpoint resumed =
            options.resume.empty() ? host::Checkpoint{} : host::LoadCheckpoint(options.resume, hooks.run, model);

        // Do the job, on a copy whose trained arrays are its own.
        host::TrainableCopy out(resumed.model ? resumed.model.get() : in, model,
                                options.hasLattice ? &options.lattice : nullptr, compact);
        std::vector<EpochReport> reports(static_cast<std::size_t>(codes.numSamples > 0 ? epochs : 0));
        const auto epochsRun = static_cast<std::int32_t>(reports.size());
        const Span<EpochReport> reportSpan(reports.data(), reports.size());
        BatchRunState run = resumed.state;
        if (epochsRun > 0) std::copy(resumed.reports.begin(), resumed.reports.end(), reports.begin());
        host::EpochHooks observer(hooks, run, Span<const EpochReport>(reports.data(), reports.size()), out.Array());
        const bool observed = options.verbose || options.outputFcn || !options.checkpoint.empty();
        if (options.useParallel) {
            host::BlockStatisticsPass pass(out.Array(), call.prhs[kInData], options.mask, options.threads, share,
                                           host::ShapeOfStatistics(model));
            TrainBatchWithPass(model, out.Tables(), pass, epochsRun, settings, reportSpan,
                               observed ? &observer : nullptr, call.interrupt, &validation, &run);
        } else {
            HeldOutSplit split;
            if (share > 0.0) {
                split = SplitHeldOut(codes, MakeHeldOutRule(share, 0));
                codes = CodeMatrix{};
            }
            TrainBatch(model, out.Tables(), share > 0.0 ? split.counted : codes, epochsRun, settings, reportSpan,
                       observed ? &observer : nullptr, call.interrupt, share > 0.0 ? &split.held : &validation,
                       share == 0.0, &run);
        }
        if (options.verbose) lines.Chosen(run);

        // Write the results; the info first, as making it may fail.
        if (host::Wants(call, kOutInfo)) {
            std::vector<double> radius, logLikelihood, changed, heldOut;
            // An OutputFcn that stopped the run leaves the later epochs out.
            const std::size_t done = observer.StoppedAfter() > 0 ? static_cast<std::size_t>(run.epochsDone)
                                                                  : reports.size();
            for (const EpochReport& r : Span<const EpochReport>(reports.data(), done)) {
                radius.push_back(r.radius);
                logLikelihood.push_back(r.logLikelihood);
                changed.push_back(r.changed);
                heldOut.push_back(r.heldOutLogLikelihood);
            }
            const double chosen = run.selecting ? run.bestEpoch : static_cast<double>(done);
            host::SetOutput(call, kOutInfo,
                            host::DoublesStruct({{"Radius", radius},
                                                 {"LogLikelihood", logLikelihood},
                                                 {"Changed", changed},
                                                 {"HeldOutLogLikelihood", heldOut},
                                                 {"StartHeldOutLogLikelihood", {run.startScore}},
                                                 {"ChosenEpoch", {chosen}}}));
        }
        out.MoveTo(call, kOutModel);
    });
}
