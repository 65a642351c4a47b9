#include "compiled_map.hpp"

#include <cmath>

namespace tavrix {

CompiledMap::CompiledMap(const MapModel& model, int threads, Interrupt* interrupt)
    : table(BuildValueIndexTable(model)),
      units(CompileUnits(model, table, threads, interrupt)),
      slots(BuildPairSlots(units)) {
    logPi.resize(units.size());
    for (std::size_t k = 0; k < logPi.size(); ++k) logPi[k] = std::log(model.pi[k]);
}

SampleBlockScratch::SampleBlockScratch(const CompiledMap& map)
    : pairCodes(map.slots.Count() * kSampleBlock), logs(map.NumUnits() * kSampleBlock) {
    for (int b = 0; b < kSampleBlock; ++b) lanes[b] = pairCodes.data() + static_cast<std::size_t>(b) * map.slots.Count();
}

}  // namespace tavrix
