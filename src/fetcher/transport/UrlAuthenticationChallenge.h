#pragma once

#include "UrlCredential.h"

#include <QString>
#include <functional>

namespace sweeplight::fetcher {

// Where credentials are asked for.
struct UrlProtectionSpace {
    QString host;
    int port { -1 };
    QString realm;
    bool isProxy { false };
};

// A server's or proxy's request for credentials. The transport decides what answering means;
// a challenge is answered at most once (later answers are ignored).
class UrlAuthenticationChallenge final {
public:
    using UseCredential = std::function<void(const UrlCredential&)>;
    using Cancel = std::function<void()>;

    UrlAuthenticationChallenge(UrlProtectionSpace space, int previousFailureCount,
                               UseCredential useCredential, Cancel cancel);

    const UrlProtectionSpace& protectionSpace() const { return protectionSpace_; }
    // How many times credentials for this space have already been refused in this connection.
    int previousFailureCount() const { return previousFailureCount_; }

    void useCredential(const UrlCredential& credential);
    void cancelAuthenticationChallenge();
    bool isAnswered() const { return answered_; }

private:
    UrlProtectionSpace protectionSpace_;
    int previousFailureCount_ { 0 };
    UseCredential useCredential_;
    Cancel cancel_;
    bool answered_ { false };
};

} // namespace sweeplight::fetcher
