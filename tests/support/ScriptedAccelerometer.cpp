#include "ScriptedAccelerometer.h"

namespace sweeplight::fixtures {

void ScriptedAccelerometer::send(double x, double y, double z) {
    if (delegate_)
        delegate_->accelerometer(*this, motion::Acceleration { 0, x, y, z });
}

} // namespace sweeplight::fixtures
