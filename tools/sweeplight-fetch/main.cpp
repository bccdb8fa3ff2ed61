// sweeplight-fetch: fetches URLs one after another with HTTPFetcher, one fetcher each, sharing
// the process-wide cookie list (and, with --history, one fetch history).

#include "fetcher/FetchHistory.h"
#include "fetcher/HTTPFetcher.h"
#include "foundation/QtRunLoop.h"

#include <QCoreApplication>
#include <QNetworkProxyFactory>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using sweeplight::fetcher::FetchError;
using sweeplight::fetcher::FetchHistory;
using sweeplight::fetcher::HTTPFetcher;
using sweeplight::fetcher::kHTTPFetcherStatusDataKey;
using sweeplight::fetcher::UrlCredential;
using sweeplight::fetcher::UrlRequest;

constexpr char kUsage[] =
    "usage: sweeplight-fetch [options] URL [URL...]\n"
    "  --post DATA          send DATA as the body (the method becomes POST)\n"
    "  --retry              retry transient failures with back-off\n"
    "  --min-retry S        first retry delay in seconds (default: random 1 to 2)\n"
    "  --max-retry S        largest retry delay in seconds (default 600)\n"
    "  --retry-factor F     growth of the delay per retry (default 2)\n"
    "  --history            keep a fetch history across the URLs (conditional requests)\n"
    "  --cache-dated-data   with --history: keep bodies, so 304 answers are served from it\n"
    "  --cookie-method N    0 process-wide list, 1 history, 2 transport, other: platform store\n"
    "  --user NAME:PASSWORD credential for authentication challenges\n"
    "  --timeout S          request timeout in seconds (default 60)\n"
    "  --log-dir DIR        log every exchange as HTML pages in DIR\n"
    "  --body               print the body after each result line\n"
    "  --max-body BYTES     largest body accepted (default 64 MiB; 0: no limit)\n"
    "Prints \"ok STATUS BYTES\" or \"failed DOMAIN CODE\" per URL; exits 0 when all finished.\n";

struct Options {
    std::optional<QByteArray> post;
    bool retry { false };
    std::optional<double> minRetry;
    std::optional<double> maxRetry;
    std::optional<double> retryFactor;
    bool history { false };
    bool cacheDatedData { false };
    std::optional<unsigned long> cookieMethod;
    std::optional<UrlCredential> credential;
    std::optional<double> timeout;
    std::optional<QString> logDirectory;
    bool printBody { false };
    std::optional<double> maxBody;
    std::vector<QString> urls;
};

bool parseNumber(const std::string& text, double& value) {
    try {
        std::size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

// Fills `options`; on a bad command line returns false with a message.
bool parse(const std::vector<std::string>& arguments, Options& options, std::string& message) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) {
                message = argument + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        auto number = [&](std::optional<double>& out) {
            std::string text;
            double parsed = 0;
            if (!value(text))
                return false;
            if (!parseNumber(text, parsed)) {
                message = argument + ": not a number: " + text;
                return false;
            }
            out = parsed;
            return true;
        };
        std::string text;
        if (argument == "--post") {
            if (!value(text))
                return false;
            options.post = QByteArray::fromStdString(text);
        } else if (argument == "--retry") {
            options.retry = true;
        } else if (argument == "--min-retry") {
            if (!number(options.minRetry))
                return false;
        } else if (argument == "--max-retry") {
            if (!number(options.maxRetry))
                return false;
        } else if (argument == "--retry-factor") {
            if (!number(options.retryFactor))
                return false;
        } else if (argument == "--timeout") {
            if (!number(options.timeout))
                return false;
        } else if (argument == "--history") {
            options.history = true;
        } else if (argument == "--cache-dated-data") {
            options.cacheDatedData = true;
        } else if (argument == "--cookie-method") {
            std::optional<double> method;
            if (!number(method))
                return false;
            if (*method < 0 || *method > 4294967295.0 ||
                *method != static_cast<unsigned long>(*method)) {
                message = "--cookie-method needs a whole number from 0";
                return false;
            }
            options.cookieMethod = static_cast<unsigned long>(*method);
        } else if (argument == "--user") {
            if (!value(text))
                return false;
            auto colon = text.find(':');
            if (colon == std::string::npos) {
                message = "--user needs NAME:PASSWORD";
                return false;
            }
            options.credential = UrlCredential { QString::fromStdString(text.substr(0, colon)),
                                                 QString::fromStdString(text.substr(colon + 1)) };
        } else if (argument == "--log-dir") {
            if (!value(text))
                return false;
            options.logDirectory = QString::fromStdString(text);
        } else if (argument == "--max-body") {
            if (!number(options.maxBody))
                return false;
        } else if (argument == "--body") {
            options.printBody = true;
        } else if (argument.starts_with("--")) {
            message = "unknown option " + argument;
            return false;
        } else {
            options.urls.push_back(QString::fromStdString(argument));
        }
    }
    if (options.urls.empty()) {
        message = "no URL given";
        return false;
    }
    if (options.cacheDatedData && !options.history) {
        message = "--cache-dated-data goes with --history";
        return false;
    }
    return true;
}

void configure(HTTPFetcher& fetcher, const Options& options,
               const std::shared_ptr<FetchHistory>& history) {
    if (options.post)
        fetcher.setPostData(*options.post);
    if (history) {
        fetcher.setFetchHistory(history);
        // Switching the cache off empties the shared history's dates, so it is only ever
        // switched on: the history the earlier URLs filled must reach the later ones.
        if (options.cacheDatedData)
            fetcher.setShouldCacheDatedData(true);
    }
    if (options.cookieMethod)
        fetcher.setCookieStorageMethod(static_cast<std::uint32_t>(*options.cookieMethod));
    if (options.credential)
        fetcher.setCredential(options.credential);
    if (options.maxBody)
        fetcher.setMaxBodySize(static_cast<qint64>(*options.maxBody));
    if (options.retry) {
        fetcher.setIsRetryEnabled(true);
        if (options.minRetry)
            fetcher.setMinRetryInterval(*options.minRetry);
        if (options.maxRetry)
            fetcher.setMaxRetryInterval(*options.maxRetry);
        if (options.retryFactor)
            fetcher.setRetryFactor(*options.retryFactor);
    }
}

void printBody(const QByteArray& body) {
    std::fwrite(body.constData(), 1, static_cast<std::size_t>(body.size()), stdout);
    if (!body.endsWith('\n'))
        std::fputc('\n', stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments.front() == "--help" || arguments.front() == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    Options options;
    std::string message;
    if (!parse(arguments, options, message)) {
        std::cerr << "sweeplight-fetch: " << message << "\n" << kUsage;
        return 2;
    }

    // Like other command-line clients, go through the proxy that http_proxy and no_proxy name.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    sweeplight::foundation::QtRunLoop runLoop;
    HTTPFetcher::setRunLoop(&runLoop);
    if (options.logDirectory) {
        HTTPFetcher::setLoggingDirectory(*options.logDirectory);
        HTTPFetcher::setIsLoggingEnabled(true);
    }
    auto history = options.history ? std::make_shared<FetchHistory>() : nullptr;

    bool allFinished = true;
    for (const QString& url : options.urls) {
        UrlRequest request { QUrl(url) };
        if (options.timeout)
            request.setTimeoutInterval(*options.timeout);
        auto fetcher = HTTPFetcher::create(request);
        configure(*fetcher, options, history);
        bool done = false;
        fetcher->beginFetchWithDelegate(
            nullptr,
            [&](HTTPFetcher& finished, const QByteArray& data) {
                std::printf("ok %d %lld\n", finished.statusCode(),
                            static_cast<long long>(data.size()));
                if (options.printBody)
                    printBody(data);
                done = true;
            },
            [&](HTTPFetcher&, const FetchError& error) {
                std::printf("failed %s %ld\n", error.domain().c_str(), error.code());
                std::fflush(stdout); // the result line comes first
                std::fprintf(stderr, "%s\n", error.localizedDescription().c_str());
                const QByteArray* data = error.userInfoValue<QByteArray>(kHTTPFetcherStatusDataKey);
                if (options.printBody && data)
                    printBody(*data);
                allFinished = false;
                done = true;
            });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        std::fflush(stdout);
    }
    HTTPFetcher::setRunLoop(nullptr);
    return allFinished ? 0 : 1;
}
