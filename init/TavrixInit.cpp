// model = TavrixInit(codes, [rows, cols], 'RootNode', r, 'Seed', s, 'Spread', f, 'Mask', m, 'Ranges', v,
//                    'Threads', n, 'Method', 'linear' | 'random', 'Lattice', 'rectangular' | 'hexagonal')
#include "../host/gateway.hpp"
#include "../host/init_arguments.hpp"
#include "../host/model_writer.hpp"
#include "../host/new_model.hpp"
#include "first_model.hpp"
#include "map_size.hpp"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    using namespace tavrix;
    host::RunGateway("TavrixInit", nlhs, plhs, nrhs, prhs, [](const host::Call& call) {
        // Check the arguments.
        host::InitArguments args = host::ReadInitArguments(call);
        FirstModelSettings settings;
        settings.method = args.random ? InitMethod::kRandom : InitMethod::kLinear;
        settings.lattice = args.hexagonal ? Lattice::kHexagonal : Lattice::kRectangular;
        settings.rootNode = args.rootNode;
        settings.spread = args.spread;
        settings.seed = args.hasSeed || !args.random ? args.seed : host::HostRandomSeed();
        settings.threads = args.threads;

        // Do the job: the data's counts, the size, then every unit.
        const FirstModelData data(std::move(args.codes), std::move(args.ranges), settings.threads, call.interrupt);
        const MapSize size =
            args.sizeGiven ? MapSize{args.rows, args.columns} : DefaultMapSize(data.Samples().numSamples, data.Plane());
        settings.rows = size.rows;
        settings.columns = size.columns;
        const ValueArrays values = ValueArraysOf(data.Ranges());
        host::NewModelShape shape;
        shape.rows = size.rows;
        shape.columns = size.columns;
        shape.dimension = data.Samples().dimension;
        shape.maxRange = values.maxRange;
        shape.numValues = values.numValues;
        shape.rootNode = settings.rootNode;
        shape.translate = &values.translate;
        shape.ranges = &values.ranges;
        shape.samples = &data.Samples();
        shape.hexagonal = args.hexagonal;
        {
            MapModel whole;
            whole.numRowsMap = size.rows;
            whole.numColsMap = size.columns;
            whole.numValues = values.numValues;
            shape.compact = args.hasCompact ? args.compact : !args.random && host::LargeWhenWhole(whole);
        }
        host::NewModel model(shape);
        BuildFirstModel(data, settings, model.Tables(), call.interrupt);

        // Write the result.
        model.MoveTo(call, 0);
    });
}
