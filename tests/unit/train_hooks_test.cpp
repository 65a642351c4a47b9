// TavrixTrain's OutputFcn and checkpoints through the mx layer's host
// functions: the OutputFcn sees each epoch (the model only when it asks)
// and stops the run where it says; a run resumed from any checkpoint gives
// the uninterrupted run's arrays, byte for byte; a foreign or damaged
// checkpoint and a failing host function are refused by identifier.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/mx_helpers.hpp"
#include "tests/support/random_model.hpp"

namespace tavrix {
namespace {

using namespace tavrix::testing;

// The same class, shape and bytes, fields and cells compared in depth.
bool SameArray(const mxArray* a, const mxArray* b) {
    if (!a || !b) return a == b;
    if (mxGetClassID(a) != mxGetClassID(b) || mxGetM(a) != mxGetM(b) || mxGetN(a) != mxGetN(b)) return false;
    const std::size_t n = mxGetNumberOfElements(a);
    if (mxIsStruct(a)) {
        if (mxGetNumberOfFields(a) != mxGetNumberOfFields(b)) return false;
        for (int f = 0; f < mxGetNumberOfFields(a); ++f) {
            const char* name = mxGetFieldNameByNumber(a, f);
            for (std::size_t e = 0; e < n; ++e)
                if (!SameArray(mxGetField(a, e, name), mxGetField(b, e, name))) return false;
        }
        return true;
    }
    if (mxIsCell(a)) {
        for (std::size_t e = 0; e < n; ++e)
            if (!SameArray(mxGetCell(a, e), mxGetCell(b, e))) return false;
        return true;
    }
    return n == 0 || std::memcmp(mxGetData(a), mxGetData(b), n * mxGetElementSize(a)) == 0;
}

// The toolbox's two host functions, played in memory.
class FakeHost {
public:
    FakeHost() {
        mxlite::SetHostFunctions([this](int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name) {
            return Call(nlhs, plhs, nrhs, prhs, name);
        });
    }
    ~FakeHost() { mxlite::SetHostFunctions(nullptr); }

    bool takesModel = false;
    int stopAt = 0;  // 0: never
    std::vector<int> epochs;
    std::vector<bool> gotModel;
    std::map<std::string, MxPtr> files;
    std::vector<int> savedEpochs;

private:
    static std::string Text(const mxArray* a) {
        std::vector<char> text(mxGetNumberOfElements(a) + 1);
        mxGetString(a, text.data(), static_cast<mwSize>(text.size()));
        return text.data();
    }

    int Call(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const std::string& name) {
        for (int r = 0; r < nlhs; ++r) plhs[r] = mxCreateString("");
        if (name == "tavrix_call_output_fcn") {
            mxDestroyArray(plhs[0]);
            if (nrhs == 1) {
                plhs[0] = mxCreateDoubleScalar(takesModel ? 1 : 0);
                return 0;
            }
            const int epoch = static_cast<int>(mxGetScalar(mxGetField(prhs[1], 0, "Epoch")));
            epochs.push_back(epoch);
            gotModel.push_back(nrhs == 3);
            plhs[0] = mxCreateDoubleScalar(epoch == stopAt ? 1 : 0);
            return 0;
        }
        if (name != "tavrix_checkpoint_file") return 1;
        const std::string file = Text(prhs[1]);
        if (Text(prhs[0]) == "save") {
            files[file].reset(mxDuplicateArray(prhs[2]));
            savedEpochs.push_back(static_cast<int>(mxGetScalar(mxGetField(prhs[2], 0, "EpochsDone"))));
            return 0;
        }
        const auto found = files.find(file);
        if (found == files.end()) {
            mxDestroyArray(plhs[1]);
            plhs[1] = mxCreateString("no such file");
        } else {
            mxDestroyArray(plhs[0]);
            plhs[0] = mxDuplicateArray(found->second.get());
        }
        return 0;
    }
};

class TrainHooks : public ::testing::Test {
protected:
    void SetUp() override {
        Random random(17);
        ModelShape shape;
        shape.dimension = 5;
        shape.zeroShare = 0;
        raw_ = RandomModel(random, shape);
        raw_.samples = RandomSamples(random, raw_, 120, false);
        model_ = ToMx(raw_);
        data_ = Matrix(5, 120, raw_.samples);
        epochs_ = Scalar(5);
    }

    // TavrixTrain(model, data, 5, 'Radius', [2 1], 'Threads', 2, extra...).
    Outcome Train(std::vector<const mxArray*> extra, const mxArray* data = nullptr) {
        std::vector<const mxArray*> args = {model_.get(), data ? data : data_.get(), epochs_.get(),
                                            radiusName_.get(), radius_.get(), threadsName_.get(), threads_.get()};
        args.insert(args.end(), extra.begin(), extra.end());
        return CallGateway(TavrixTrain_mexFunction, 2, args);
    }

    reference::RawModel raw_;
    MxPtr model_, data_, epochs_;
    MxPtr radiusName_ = Text("Radius"), radius_ = Matrix(1, 2, {2, 1});
    MxPtr threadsName_ = Text("Threads"), threads_ = Scalar(2);
    MxPtr outputFcn_ = Text("OutputFcn"), handle_{mxCreateNumericMatrix(1, 1, mxFUNCTION_CLASS, mxREAL)};
    MxPtr checkpoint_ = Text("Checkpoint"), every_ = Text("CheckpointEvery"), resume_ = Text("Resume");
    MxPtr file_ = Text("run.mat"), two_ = Scalar(2);
};

TEST_F(TrainHooks, OutputFcnSeesEveryEpochAndStopsWhereItSays) {
    FakeHost host;
    host.stopAt = 3;
    Outcome stopped = Train({outputFcn_.get(), handle_.get()});
    ASSERT_EQ(stopped.errorId, "") << stopped.errorMessage;
    EXPECT_EQ(host.epochs, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(host.gotModel, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(mxGetNumberOfElements(mxGetField(stopped.results[1].get(), 0, "Radius")), 3u);

    host.takesModel = true;
    host.stopAt = 0;
    host.epochs.clear();
    host.gotModel.clear();
    Outcome all = Train({outputFcn_.get(), handle_.get()});
    ASSERT_EQ(all.errorId, "") << all.errorMessage;
    EXPECT_EQ(host.epochs, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(host.gotModel, std::vector<bool>(5, true));
    Outcome plain = Train({});
    EXPECT_TRUE(SameArray(all.results[0].get(), plain.results[0].get())) << "an OutputFcn changed the model";
}

TEST_F(TrainHooks, ResumedRunsGiveTheUninterruptedModel) {
    FakeHost host;
    Outcome full = Train({});
    ASSERT_EQ(full.errorId, "") << full.errorMessage;
    for (int stop = 1; stop <= 5; ++stop) {
        SCOPED_TRACE(stop);
        host.stopAt = stop;
        host.savedEpochs.clear();
        Outcome part = Train({outputFcn_.get(), handle_.get(), checkpoint_.get(), file_.get(), every_.get(), two_.get()});
        ASSERT_EQ(part.errorId, "") << part.errorMessage;
        std::vector<int> expected;
        for (int e = 2; e <= stop; e += 2) expected.push_back(e);
        if (stop % 2 != 0) expected.push_back(stop);
        EXPECT_EQ(host.savedEpochs, expected);
        host.stopAt = 0;
        Outcome resumed = Train({resume_.get(), file_.get()});
        ASSERT_EQ(resumed.errorId, "") << resumed.errorMessage;
        EXPECT_TRUE(SameArray(resumed.results[0].get(), full.results[0].get()));
        EXPECT_TRUE(SameArray(mxGetField(resumed.results[1].get(), 0, "Radius"),
                              mxGetField(full.results[1].get(), 0, "Radius")));
    }
}

TEST_F(TrainHooks, ForeignOrDamagedCheckpointsAndFailingHostsAreRefused) {
    FakeHost host;
    host.stopAt = 2;
    ASSERT_EQ(Train({outputFcn_.get(), handle_.get(), checkpoint_.get(), file_.get()}).errorId, "");
    const auto refused = [&](const Outcome& o, const std::string& reason, const std::string& text) {
        EXPECT_EQ(o.errorId, "Tavrix:TavrixTrain:" + reason) << o.errorMessage;
        EXPECT_NE(o.errorMessage.find(text), std::string::npos) << o.errorMessage;
        for (const MxPtr& r : o.results) EXPECT_EQ(r, nullptr);
    };
    MxPtr other = Matrix(5, 119, std::vector<double>(raw_.samples.begin(), raw_.samples.end() - 5));
    refused(Train({resume_.get(), file_.get()}, other.get()), "checkpoint", "run.mat: holds a run trained from other data");
    refused(Train({radiusName_.get(), two_.get(), resume_.get(), file_.get()}), "checkpoint", "RadiusEnd");
    MxPtr none = Text("none.mat");
    refused(Train({resume_.get(), none.get()}), "checkpoint", "none.mat: no such file");
    for (const char* field : {"Format", "Model", "BestPairs", "Reports", "EpochsDone"}) {
        SCOPED_TRACE(field);
        host.files["bad.mat"] = WithoutField(host.files["run.mat"].get(), field);
        MxPtr bad = Text("bad.mat");
        refused(Train({resume_.get(), bad.get()}), "checkpoint", "bad.mat: ");
    }
    SetField(host.files["run.mat"].get(), "EpochsDone", Scalar(2.5));
    refused(Train({resume_.get(), file_.get()}), "checkpoint", "EpochsDone");

    mxlite::SetHostFunctions(nullptr);
    refused(Train({outputFcn_.get(), handle_.get()}), "outputFcn", "tavrix_call_output_fcn");
    refused(Train({checkpoint_.get(), file_.get()}), "checkpoint", "tavrix_checkpoint_file");
    refused(Train({outputFcn_.get(), file_.get()}), "option", "function handle");
}

}  // namespace
}  // namespace tavrix
