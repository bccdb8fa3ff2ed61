#pragma once

#include <QColor>
#include <QString>
#include <string>

class QApplication;

namespace sweeplight::app::test {

// The one QApplication of a widget test binary (offscreen), made on first use.
QApplication& testApplication();

// "r,g,b" with each component rounded to 3 decimals, so colours compare in test output.
std::string rgb(const QColor& color);

} // namespace sweeplight::app::test
