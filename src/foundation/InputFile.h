#pragma once

#include <QByteArray>
#include <QString>

namespace sweeplight::foundation {

// Reads a whole input that a user or another program hands over. Only regular files (and
// standard input, named "-") are read, and never more than a stated size: a FIFO or a device
// could block forever or never end, and an unbounded read lets one input take all memory.
class InputFile final {
public:
    struct Contents {
        QByteArray bytes;
        // Empty when the read succeeded; otherwise a sentence naming the path and the reason.
        QString error;
        // The reason alone ("not a regular file", the system's word for a failed open or read).
        QString reason;
        bool ok() const { return error.isEmpty(); }
    };

    static constexpr qint64 kDefaultMaxBytes = qint64(64) << 20;

    static Contents read(const QString& path, qint64 maxBytes = kDefaultMaxBytes);
};

} // namespace sweeplight::foundation
