#include "run_control.hpp"

#include <csignal>
#include <cstdio>

#include "output_file.hpp"
#include "../host/matio/mat_file.hpp"

namespace tavrix::cli {
namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void Mark(int signal) { caught = signal; }

const char* SignalName(int signal) { return signal == SIGINT ? "SIGINT" : "SIGTERM"; }

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = Mark;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the rank carries on to the end of its epoch
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

RunControl::RunControl(int rank, MPI_Comm comm, const CheckpointPlan& plan, const BatchRunState& state,
                       Span<const EpochReport> reports, const mxArray* model, EpochPrinter* printer)
    : rank_(rank), comm_(comm), plan_(plan), state_(state), reports_(reports), model_(model), printer_(printer) {
    if (state.epochsDone > 0) saved_ = state.epochsDone;
}

bool RunControl::EpochDone(std::int32_t done, std::int32_t total, const EpochReport& report) {
    if (printer_) printer_->EpochDone(done, total, report);
    int signal = caught;
    MPI_Allreduce(MPI_IN_PLACE, &signal, 1, MPI_INT, MPI_MAX, comm_);
    if (!plan_.file.empty() && (done % plan_.every == 0 || done == total || signal != 0)) Save(done);
    stoppedBy_ = signal;
    if (signal != 0) stop_.Stop();
    return signal != 0;
}

void RunControl::Save(std::int32_t done) {
    if (rank_ != 0) return;
    try {
        const host::OwnedArray checkpoint = host::CheckpointArray(
            plan_.run, state_, Span<const EpochReport>(reports_.data(), static_cast<std::size_t>(done)), model_);
        WriteWhole(plan_.file, "checkpoint", checkpoint.get());
        saved_ = done;
    } catch (const FileError& e) {
        // Training goes on: the file keeps the checkpoint it had.
        std::fprintf(stderr, "tavrix-train: rank 0: %s: cannot save epoch %d: %s\n", plan_.file.c_str(), done,
                     e.what());
    }
}

std::string RunControl::StoppedLine(std::int32_t total) const {
    std::string line = std::string("tavrix-train: stopped by ") + SignalName(stoppedBy_) + " after epoch " +
                       std::to_string(state_.epochsDone) + " of " + std::to_string(total) + "; ";
    if (plan_.file.empty()) return line + "no --checkpoint was given, so nothing was saved";
    if (saved_ < 0) return line + plan_.file + " holds no checkpoint of this run";
    return line + plan_.file + " holds epoch " + std::to_string(saved_) + "; carry on with --resume " + plan_.file;
}

}  // namespace tavrix::cli
