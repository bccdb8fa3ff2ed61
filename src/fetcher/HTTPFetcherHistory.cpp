// HTTPFetcher: conditional GET from the fetch history.

#include "FetchHistory.h"
#include "HTTPFetcher.h"
#include "HTTPFetcherDetail.h"

namespace sweeplight::fetcher {

void HTTPFetcher::setShouldCacheDatedData(bool cache) {
    shouldCacheDatedData_ = cache;
    if (!cache)
        clearDatedDataHistory();
}

void HTTPFetcher::clearDatedDataHistory() {
    if (!fetchHistory_)
        return;
    fetchHistory_->remove(kHTTPFetcherHistoryLastModifiedKey);
    fetchHistory_->remove(kHTTPFetcherHistoryDatedDataKey);
}

void HTTPFetcher::updateFetchHistory() {
    if (!fetchHistory_ || !request_)
        return;
    const QString urlKey = detail::absoluteString(request_->URL());
    if (!response_ || !response_->allHeaderFields())
        return;
    const QString lastModified =
        response_->allHeaderFields()->value(QString::fromLatin1(kLastModifiedHeader));

    auto& lastModifiedDictionary = fetchHistory_->lastModifiedCreatingIfNeeded();
    FetchHistory::DatedDataDictionary* datedData =
        shouldCacheDatedData_ ? &fetchHistory_->datedDataCreatingIfNeeded() : nullptr;
    const int status = statusCode();
    if (status == 304)
        return;
    if (!lastModified.isNull() && status < 300) {
        lastModifiedDictionary[urlKey] = lastModified;
        if (datedData)
            (*datedData)[urlKey] = downloadedData_;
        return;
    }
    lastModifiedDictionary.erase(urlKey);
    if (datedData)
        datedData->erase(urlKey);
}

int HTTPFetcher::statusAfterHandlingNotModifiedError() {
    const int status = statusCode();
    if (status != 304 || !shouldCacheDatedData_ || !fetchHistory_ || !request_)
        return status;
    auto* datedData = fetchHistory_->datedData();
    if (!datedData)
        return status;
    auto found = datedData->find(detail::absoluteString(request_->URL()));
    if (found == datedData->end())
        return status;
    downloadedData_ = found->second;
    return 200;
}

} // namespace sweeplight::fetcher
