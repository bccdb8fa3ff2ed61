#pragma once

#include "LogCapture.h"
#include "ScriptedTransport.h"
#include "fetcher/CookieList.h"
#include "fetcher/HTTPFetcher.h"
#include "foundation/ManualRunLoop.h"

#include <QNetworkCookie>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// Readable texts and bodies in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace sweeplight::fetcher::testing {

using fixtures::ConnectionRecord;

// Outcome of one fetch as the callbacks saw it.
struct Outcome {
    int finishedCalls { 0 }, failedCalls { 0 };
    QByteArray data;
    std::optional<FetchError> error;
    bool done() const { return finishedCalls + failedCalls > 0; }
    bool failedWith(const std::string& domain, long code) const {
        return failedCalls == 1 && finishedCalls == 0 && error->is(domain, code);
    }
};

inline bool begin(HTTPFetcher& fetcher, Outcome& outcome,
                  HTTPFetcher::Delegate delegate = nullptr) {
    return fetcher.beginFetchWithDelegate(
        std::move(delegate),
        [&outcome](HTTPFetcher&, const QByteArray& data) {
            ++outcome.finishedCalls;
            outcome.data = data;
        },
        [&outcome](HTTPFetcher&, const FetchError& error) {
            ++outcome.failedCalls;
            outcome.error = error;
        });
}

// Every fetcher of a test runs in the test's own environment, on a virtual clock over scripted
// connections, with cookies of its own and the console log captured.
class FetcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment->setRunLoop(&runLoop);
        environment->setConnectionFactory(factory);
    }

    // A fetcher still fetching keeps itself alive; one a test leaves running is stopped here.
    void TearDown() override {
        for (const auto& weak : begunFetchers_)
            if (auto fetcher = weak.lock())
                fetcher->stopFetching();
        runLoop.runPending();
    }

    static UrlRequest get(const QString& url) { return UrlRequest(QUrl(url)); }

    std::shared_ptr<HTTPFetcher> create(std::optional<UrlRequest> request = std::nullopt) {
        return HTTPFetcher::create(std::move(request), environment);
    }

    // A fetcher of `url`, set up by `configure`, that has begun, reporting to `outcome`.
    std::shared_ptr<HTTPFetcher> begun(const QString& url, Outcome& outcome,
                                       const std::function<void(HTTPFetcher&)>& configure = {},
                                       HTTPFetcher::Delegate delegate = nullptr) {
        auto fetcher = create(get(url));
        if (configure)
            configure(*fetcher);
        EXPECT_TRUE(begin(*fetcher, outcome, std::move(delegate)));
        begunFetchers_.push_back(fetcher);
        return fetcher;
    }

    // The latest connection, and a header field of the request it was made with.
    ConnectionRecord& last() { return factory->lastRecord(); }
    QString sent(const char* field) {
        return last().request.valueForHTTPHeaderField(QString::fromLatin1(field));
    }

    foundation::ManualRunLoop runLoop;
    std::shared_ptr<fixtures::ScriptedTransport> factory {
        std::make_shared<fixtures::ScriptedTransport>()
    };
    fixtures::LogCapture log;
    std::shared_ptr<FetcherEnvironment> environment { std::make_shared<FetcherEnvironment>() };

private:
    std::vector<std::weak_ptr<HTTPFetcher>> begunFetchers_;
};

inline std::function<void(HTTPFetcher&)> credential(const char* user, const char* password) {
    return [=](HTTPFetcher& f) { f.setCredential(UrlCredential { user, password }); };
}

inline HTTPHeaderFields fields(std::initializer_list<std::pair<const char*, const char*>> list) {
    HTTPHeaderFields result;
    for (const auto& [name, value] : list)
        result.setValue(QString::fromUtf8(value), QString::fromUtf8(name));
    return result;
}

// Stores a cookie "name=value" for `domain`, path "/", in `list`.
inline void addCookie(CookieList& list, const char* name, const char* value, const char* domain) {
    QNetworkCookie cookie(name, value);
    cookie.setDomain(QString::fromLatin1(domain));
    cookie.setPath(QStringLiteral("/"));
    std::lock_guard guard(list.lock);
    list.cookies.push_back(cookie);
}

} // namespace sweeplight::fetcher::testing
