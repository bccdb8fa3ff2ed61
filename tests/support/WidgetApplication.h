#pragma once

class QApplication;

namespace sweeplight::fixtures {

// The one QApplication of a widget test program, made on first use and kept until the program
// ends: on the offscreen platform unless the environment names another, and ready for a web
// view (shared OpenGL contexts, and Chromium's sandbox off, as it refuses to run as root in CI).
QApplication& widgetApplication();

} // namespace sweeplight::fixtures
