#pragma once

#include <QString>

namespace sweeplight::fetcher {

// A user name and password offered to an authentication challenge.
struct UrlCredential {
    QString user;
    QString password;

    friend bool operator==(const UrlCredential&, const UrlCredential&) = default;
};

} // namespace sweeplight::fetcher
