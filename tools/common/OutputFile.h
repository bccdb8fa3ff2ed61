#pragma once

#include <QString>

class QByteArray;

namespace sweeplight::tools {

// Writes a whole file and checks every step, the final flush included: a full disk or
// /dev/full is a failure, never a silent success. Returns an empty text on success, else a
// sentence naming the path and the reason.
QString writeOutputFile(const QString& path, const QByteArray& bytes);

} // namespace sweeplight::tools
