#pragma once

namespace sweeplight::fixtures {

// The one QCoreApplication of a test program that uses Qt's event loop, made on first use and
// kept until the program ends. Does nothing when an application object already exists.
void ensureCoreApplication();

} // namespace sweeplight::fixtures
