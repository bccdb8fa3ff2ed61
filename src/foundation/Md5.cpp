#include "Md5.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <algorithm>

namespace sweeplight::foundation {

Md5::Digest Md5::digest(std::string_view bytes) {
    const QByteArray hash = QCryptographicHash::hash(
        QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Md5);
    Digest result {};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(hash.constData()),
                std::min<std::size_t>(result.size(), std::size_t(hash.size())), result.begin());
    return result;
}

std::string Md5::upperHexDigest(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (std::uint8_t byte : digest(bytes)) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string Md5::textDigest(std::string_view text) {
    // The digest stops at the first zero byte, as a C string would.
    return upperHexDigest(text.substr(0, text.find('\0')));
}

} // namespace sweeplight::foundation
