#include "UrlAuthenticationChallenge.h"

namespace sweeplight::fetcher {

UrlAuthenticationChallenge::UrlAuthenticationChallenge(UrlProtectionSpace space,
                                                       int previousFailureCount,
                                                       UseCredential useCredential, Cancel cancel)
    : protectionSpace_(std::move(space))
    , previousFailureCount_(previousFailureCount)
    , useCredential_(std::move(useCredential))
    , cancel_(std::move(cancel)) {}

void UrlAuthenticationChallenge::useCredential(const UrlCredential& credential) {
    if (answered_)
        return;
    answered_ = true;
    if (useCredential_)
        useCredential_(credential);
}

void UrlAuthenticationChallenge::cancelAuthenticationChallenge() {
    if (answered_)
        return;
    answered_ = true;
    if (cancel_)
        cancel_();
}

} // namespace sweeplight::fetcher
