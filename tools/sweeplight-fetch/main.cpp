// sweeplight-fetch: fetches URLs one after another with HTTPFetcher, one fetcher each, sharing
// the process-wide cookie list (and, with --history, one fetch history).

#include "ToolCommandLine.h"
#include "fetcher/FetchHistory.h"
#include "fetcher/HTTPFetcher.h"
#include "foundation/QtRunLoop.h"

#include <QCoreApplication>
#include <QNetworkProxyFactory>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

using sweeplight::fetcher::FetcherEnvironment;
using sweeplight::fetcher::FetchError;
using sweeplight::fetcher::FetchHistory;
using sweeplight::fetcher::HTTPFetcher;
using sweeplight::fetcher::kHTTPFetcherStatusDataKey;
using sweeplight::fetcher::UrlCredential;
using sweeplight::fetcher::UrlRequest;
namespace tools = sweeplight::tools;

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
    std::optional<qint64> maxBody;
    QStringList urls;
};

QList<QCommandLineOption> commandLineOptions() {
    auto valued = [](const char* name, const char* help, const char* valueName) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                  QString::fromLatin1(valueName));
    };
    auto flag = [](const char* name, const char* help) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help));
    };
    return {
        valued("post", "Send DATA as the body (the method becomes POST).", "data"),
        flag("retry", "Retry transient failures with back-off."),
        valued("min-retry", "First retry delay in seconds (default: random 1 to 2).", "S"),
        valued("max-retry", "Largest retry delay in seconds (default 600).", "S"),
        valued("retry-factor", "Growth of the delay per retry (default 2).", "F"),
        flag("history", "Keep a fetch history across the URLs (conditional requests)."),
        flag("cache-dated-data", "With --history: keep bodies, so 304 answers are served from it."),
        valued("cookie-method",
               "0 process-wide list, 1 history, 2 transport, other: platform store.", "N"),
        valued("user", "Credential for authentication challenges.", "name:password"),
        valued("timeout", "Request timeout in seconds (default 60).", "S"),
        valued("log-dir", "Log every exchange as HTML pages in DIR.", "dir"),
        flag("body", "Print the body after each result line."),
        valued("max-body", "Largest body accepted in bytes (default 64 MiB; 0: no limit).",
               "bytes"),
    };
}

Options readOptions(const tools::ToolCommandLine& commandLine) {
    Options options;
    auto number = [&](const char* name, std::optional<double>& target) {
        if (commandLine.isSet(QLatin1String(name)))
            target = commandLine.number(QLatin1String(name));
    };
    if (commandLine.isSet(QStringLiteral("post")))
        options.post = commandLine.value(QStringLiteral("post")).toUtf8();
    options.retry = commandLine.isSet(QStringLiteral("retry"));
    number("min-retry", options.minRetry);
    number("max-retry", options.maxRetry);
    number("retry-factor", options.retryFactor);
    number("timeout", options.timeout);
    options.history = commandLine.isSet(QStringLiteral("history"));
    options.cacheDatedData = commandLine.isSet(QStringLiteral("cache-dated-data"));
    if (options.cacheDatedData && !options.history)
        throw tools::UsageError { QStringLiteral("--cache-dated-data goes with --history") };
    if (commandLine.isSet(QStringLiteral("cookie-method")))
        options.cookieMethod = static_cast<unsigned long>(
            commandLine.wholeNumber(QStringLiteral("cookie-method"), 0, 4294967295LL));
    if (commandLine.isSet(QStringLiteral("user"))) {
        const QString user = commandLine.value(QStringLiteral("user"));
        const qsizetype colon = user.indexOf(u':');
        if (colon < 0)
            throw tools::UsageError { QStringLiteral("--user needs NAME:PASSWORD") };
        options.credential = UrlCredential { user.left(colon), user.mid(colon + 1) };
    }
    if (commandLine.isSet(QStringLiteral("log-dir")))
        options.logDirectory = commandLine.value(QStringLiteral("log-dir"));
    options.printBody = commandLine.isSet(QStringLiteral("body"));
    if (commandLine.isSet(QStringLiteral("max-body")))
        options.maxBody = commandLine.wholeNumber(QStringLiteral("max-body"), 0,
                                                  std::numeric_limits<qint64>::max());
    options.urls = commandLine.positionalArguments();
    if (options.urls.isEmpty())
        throw tools::UsageError { QStringLiteral("no URL given") };
    return options;
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
        fetcher.setMaxBodySize(*options.maxBody);
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

int run(const QCoreApplication& application) {
    tools::ToolCommandLine commandLine(
        QStringLiteral("Fetches URLs one after another with HTTPFetcher. Prints \"ok STATUS "
                       "BYTES\" or \"failed DOMAIN CODE: DESCRIPTION\" per URL; exits 0 when "
                       "all finished."),
        commandLineOptions());
    commandLine.parser().addPositionalArgument(QStringLiteral("urls"), QStringLiteral("The URLs."),
                                               QStringLiteral("URL [URL...]"));
    commandLine.process(application);
    const Options options = readOptions(commandLine);

    // Like other command-line clients, go through the proxy that http_proxy and no_proxy name.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    sweeplight::foundation::QtRunLoop runLoop;
    auto environment = std::make_shared<FetcherEnvironment>();
    environment->setRunLoop(&runLoop);
    if (options.logDirectory) {
        environment->log().setDirectory(*options.logDirectory);
        environment->log().setEnabled(true);
    }
    auto history = options.history ? std::make_shared<FetchHistory>() : nullptr;

    bool allFinished = true;
    for (const QString& url : options.urls) {
        UrlRequest request { QUrl(url) };
        if (options.timeout)
            request.setTimeoutInterval(*options.timeout);
        auto fetcher = HTTPFetcher::create(request, environment);
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
                std::printf("failed %s %ld: %s\n", error.domain().c_str(), error.code(),
                            error.localizedDescription().c_str());
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
    return allFinished ? 0 : tools::kExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return tools::runTool([&] { return run(application); });
}
