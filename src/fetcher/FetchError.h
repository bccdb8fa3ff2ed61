#pragma once

#include <any>
#include <map>
#include <string>

namespace sweeplight::fetcher {

// Error domains. The fetcher's two domains are distinct reverse-DNS names; transport failures
// keep the URL-loading numbering (-1001 timed out, -1005 connection lost...) in their own domain.
inline constexpr char kHTTPFetcherErrorDomain[] = "org.sweeplight.HTTPFetcher";
inline constexpr char kHTTPFetcherStatusDomain[] = "org.sweeplight.HTTPStatus";
inline constexpr char kURLErrorDomain[] = "NSURLErrorDomain";

// Keys of the details an error may carry.
inline constexpr char kHTTPFetcherErrorChallengeKey[] =
    "challenge"; // shared_ptr<UrlAuthenticationChallenge>
inline constexpr char kHTTPFetcherStatusDataKey[] = "data"; // QByteArray: the response body
inline constexpr char kErrorLocalizedDescriptionKey[] = "localizedDescription"; // std::string
inline constexpr char kErrorFailingURLStringKey[] = "failingURLString";         // std::string

// Codes of the fetch-error domain.
enum HTTPFetcherErrorCode : long {
    kHTTPFetcherErrorDownloadFailed = -1,
    kHTTPFetcherErrorAuthenticationChallengeFailed = -2,
};

// Codes of the URL error domain, numbered as the URL-loading system numbers them.
enum URLErrorCode : long {
    kURLErrorUnknown = -1,
    kURLErrorCancelled = -999,
    kURLErrorBadURL = -1000,
    kURLErrorTimedOut = -1001,
    kURLErrorUnsupportedURL = -1002,
    kURLErrorCannotFindHost = -1003,
    kURLErrorCannotConnectToHost = -1004,
    kURLErrorNetworkConnectionLost = -1005,
    kURLErrorDNSLookupFailed = -1006,
    kURLErrorHTTPTooManyRedirects = -1007,
    kURLErrorResourceUnavailable = -1008,
    kURLErrorNotConnectedToInternet = -1009,
    kURLErrorBadServerResponse = -1011,
    kURLErrorUserCancelledAuthentication = -1012,
    kURLErrorUserAuthenticationRequired = -1013,
    kURLErrorCannotDecodeRawData = -1015,
    kURLErrorCannotDecodeContentData = -1016,
    kURLErrorDataLengthExceedsMaximum = -1103,
    kURLErrorSecureConnectionFailed = -1200,
    kURLErrorServerCertificateUntrusted = -1202,
};

// An error as the fetcher reports it: a domain, an integer code and optional details.
class FetchError final {
public:
    using UserInfo = std::map<std::string, std::any>;

    FetchError(std::string domain, long code, UserInfo userInfo = {});

    const std::string& domain() const { return domain_; }
    long code() const { return code_; }
    const UserInfo& userInfo() const { return userInfo_; }

    // The detail stored under `key` when it has type T, else null.
    template <typename T> const T* userInfoValue(const std::string& key) const {
        auto it = userInfo_.find(key);
        return it == userInfo_.end() ? nullptr : std::any_cast<T>(&it->second);
    }

    // The localized description when one was given, else "<domain> error <code>".
    std::string localizedDescription() const;

    bool is(const std::string& domain, long code) const {
        return domain_ == domain && code_ == code;
    }

private:
    std::string domain_;
    long code_ { 0 };
    UserInfo userInfo_;
};

} // namespace sweeplight::fetcher
