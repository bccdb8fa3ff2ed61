#pragma once

#include <QString>
#include <QUrl>

// Helpers shared by the fetcher's source files; not part of the public interface.
namespace sweeplight::fetcher::detail {

// Programming errors (a reused fetcher, an incomplete cookie) go to the console log with their
// fixed message; the operation then fails or skips as a normal result.
void reportProgrammingError(const QString& message);

// The URL as one string, the key of the fetch history's dictionaries.
QString absoluteString(const QUrl& url);

} // namespace sweeplight::fetcher::detail
