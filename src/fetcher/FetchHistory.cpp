#include "FetchHistory.h"

#include "CookieList.h"

namespace sweeplight::fetcher {

FetchHistory::FetchHistory() = default;
FetchHistory::~FetchHistory() = default;

FetchHistory::LastModifiedDictionary& FetchHistory::lastModifiedCreatingIfNeeded() {
    if (!lastModified_)
        lastModified_.emplace();
    return *lastModified_;
}

FetchHistory::DatedDataDictionary& FetchHistory::datedDataCreatingIfNeeded() {
    if (!datedData_)
        datedData_.emplace();
    return *datedData_;
}

const std::shared_ptr<CookieList>& FetchHistory::cookiesCreatingIfNeeded() {
    if (!cookies_)
        cookies_ = std::make_shared<CookieList>();
    return cookies_;
}

bool FetchHistory::contains(std::string_view key) const {
    if (key == kHTTPFetcherHistoryLastModifiedKey)
        return lastModified_.has_value();
    if (key == kHTTPFetcherHistoryDatedDataKey)
        return datedData_.has_value();
    if (key == kHTTPFetcherHistoryCookiesKey)
        return cookies_ != nullptr;
    return false;
}

void FetchHistory::remove(std::string_view key) {
    if (key == kHTTPFetcherHistoryLastModifiedKey)
        lastModified_.reset();
    else if (key == kHTTPFetcherHistoryDatedDataKey)
        datedData_.reset();
    else if (key == kHTTPFetcherHistoryCookiesKey)
        cookies_.reset();
}

} // namespace sweeplight::fetcher
