#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

namespace sweeplight::fetcher {

class CookieList;

inline constexpr char kHTTPFetcherHistoryLastModifiedKey[] = "FetchHistoryLastModified";
inline constexpr char kHTTPFetcherHistoryDatedDataKey[] = "FetchHistoryDatedDataCache";
inline constexpr char kHTTPFetcherHistoryCookiesKey[] = "FetchHistoryCookies";

// What fetchers remember between fetches, shared by every fetcher given the same history (a
// std::shared_ptr). Three entries, each absent until first needed: per absolute URL string the
// "Last-Modified" value and the body of the last full answer, and a cookie list.
class FetchHistory final {
public:
    using LastModifiedDictionary = std::map<QString, QString>;
    using DatedDataDictionary = std::map<QString, QByteArray>;

    FetchHistory();
    ~FetchHistory();

    // Null while the entry is absent.
    LastModifiedDictionary* lastModified() { return lastModified_ ? &*lastModified_ : nullptr; }
    DatedDataDictionary* datedData() { return datedData_ ? &*datedData_ : nullptr; }
    const std::shared_ptr<CookieList>& cookies() const { return cookies_; }

    // The entry, created empty when absent.
    LastModifiedDictionary& lastModifiedCreatingIfNeeded();
    DatedDataDictionary& datedDataCreatingIfNeeded();
    const std::shared_ptr<CookieList>& cookiesCreatingIfNeeded();

    // Entries by their key names (kHTTPFetcherHistory...Key).
    bool contains(std::string_view key) const;
    void remove(std::string_view key);

private:
    std::optional<LastModifiedDictionary> lastModified_;
    std::optional<DatedDataDictionary> datedData_;
    std::shared_ptr<CookieList> cookies_;
};

} // namespace sweeplight::fetcher
