#include "Md5.h"

#include "Log.h"

#include <cstdlib>
#include <openssl/evp.h>

namespace sweeplight::foundation {

Md5::Digest Md5::digest(std::string_view bytes) {
    Digest result {};
    unsigned int length = 0;
    // EVP_Digest is a one-shot over the default provider; it only fails when the library has
    // no MD5 at all, which is a broken installation rather than anything input can cause.
    if (EVP_Digest(bytes.data(), bytes.size(), result.data(), &length, EVP_md5(), nullptr) != 1 ||
        length != result.size()) {
        logLine("Md5: this OpenSSL offers no MD5 digest");
        std::abort();
    }
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

} // namespace sweeplight::foundation
