// Online training of a map: T iterations, each on one sample drawn from the
// model's Samples, then Pi divided by its sum.
#pragma once

#include <cstdint>
#include <vector>

#include "../core/interrupt.hpp"
#include "../core/map_model.hpp"
#include "../core/random.hpp"
#include "../core/training_views.hpp"

namespace tavrix {

// The source of the sample columns; tests give their own.
class SampleDraws {
public:
    virtual ~SampleDraws() = default;
    // A column in [0, count), count >= 1.
    virtual std::int32_t Draw(std::int32_t count) = 0;
};

class RandomDraws : public SampleDraws {
public:
    explicit RandomDraws(std::uint64_t seed) : generator_(seed) {}
    std::int32_t Draw(std::int32_t count) override {
        return static_cast<std::int32_t>(BoundedDraw(generator_, static_cast<std::uint32_t>(count)));
    }

private:
    Xoshiro256StarStar generator_;
};

// The radius of iteration v of T, from R0 = (NumColsMap + NumRowsMap) x 0.25.
double TrainingRadius(std::int32_t v, std::int32_t iterations, double r0);

// The learning rate of iteration v: 1 / (v x 0.001 + 100).
double LearningRate(std::int32_t v);

struct ScaleFactors {
    double pi;  // the unit's new prior
    double a;   // weight of the old tables
    double b;   // weight of the sample's indicators
};

// A unit's new prior and the factors of its table update; non-finite factors
// become A = 1, B = 0.
ScaleFactors UnitScaleFactors(double rate, double complement, double weight, double oldPi);

// Trains `tables` in place. `model` gives the counts, Translate and Ranges
// (its own unit tables are not read). Requires Dimension >= 1, at least one
// unit, RootNode in 0..Dimension, valid codes in `samples` and at least one
// sample when iterations > 0. Results are the same for every thread count.
// Stops early, `tables` half trained, once `interrupt` (when not null) says so.
void Train(const MapModel& model, const TrainedTables& tables, const CodeMatrix& samples, std::int32_t iterations,
           SampleDraws& draws, int threads, TrainingObserver* observer, Interrupt* interrupt = nullptr);

}  // namespace tavrix
