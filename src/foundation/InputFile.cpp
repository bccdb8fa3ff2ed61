#include "foundation/InputFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sweeplight::foundation {

namespace {

QString sizeText(qint64 bytes) {
    if (bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor final {
public:
    explicit Descriptor(int descriptor)
        : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ > 0)
            ::close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

} // namespace

InputFile::Contents InputFile::read(const QString& path, qint64 maxBytes) {
    const bool standardInput = path == QLatin1String("-");
    Contents contents;
    // `shown` words the reason for a person where the system's word is terse.
    auto failed = [&](const QString& reason, const QString& shown = {}) {
        contents.bytes.clear();
        contents.reason = reason;
        contents.error = (standardInput ? QStringLiteral("standard input") : path) +
                         QStringLiteral(": ") + (shown.isEmpty() ? reason : shown);
        return contents;
    };
    const QString tooLarge = QStringLiteral("larger than the limit of ") + sizeText(maxBytes);

    // Opened without waiting, so that a FIFO in the file's place cannot block the caller
    // before it is seen not to be a regular file.
    const Descriptor descriptor(standardInput ? STDIN_FILENO
                                              : ::open(QFile::encodeName(path).constData(),
                                                       O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (descriptor.get() < 0) {
        const int error = errno;
        return failed(systemReason(error),
                      error == ENOENT ? QStringLiteral("no such file") : QString());
    }
    if (!standardInput) {
        struct stat status {};
        if (::fstat(descriptor.get(), &status) != 0)
            return failed(systemReason(errno));
        if (!S_ISREG(status.st_mode))
            return failed(QStringLiteral("not a regular file"));
        if (status.st_size > maxBytes)
            return failed(tooLarge);
        contents.bytes.reserve(qsizetype(status.st_size));
    }
    for (;;) {
        // The file may grow while it is read; one byte past the limit tells that it did.
        const qsizetype filled = contents.bytes.size();
        if (filled > maxBytes)
            return failed(tooLarge);
        const qsizetype room = qsizetype(std::min<qint64>(65536, maxBytes + 1 - filled));
        contents.bytes.resize(filled + room);
        const ssize_t count =
            ::read(descriptor.get(), contents.bytes.data() + filled, std::size_t(room));
        if (count < 0 && errno == EINTR) {
            contents.bytes.resize(filled);
            continue;
        }
        if (count < 0)
            return failed(systemReason(errno));
        contents.bytes.resize(filled + count);
        if (count == 0)
            return contents;
    }
}

} // namespace sweeplight::foundation
