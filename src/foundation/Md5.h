#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sweeplight::foundation {

// MD5 (RFC 1321) of a byte string. Only ever used to sign requests, never for security.
class Md5 final {
public:
    using Digest = std::array<std::uint8_t, 16>;

    static Digest digest(std::string_view bytes);
    // The digest's 16 bytes in order, two upper-case hexadecimal digits each.
    static std::string upperHexDigest(std::string_view bytes);
    // How service requests are signed: the upper-case digest of a text's bytes up to its first
    // zero byte.
    static std::string textDigest(std::string_view text);
};

} // namespace sweeplight::foundation
