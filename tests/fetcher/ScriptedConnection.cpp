#include "ScriptedConnection.h"

namespace sweeplight::fetcher::testing {

void ConnectionRecord::respond(int status, HTTPHeaderFields fields, QString mimeType) {
    if (!connection)
        return;
    delegate->connection(*connection,
                         UrlResponse(request.URL(), mimeType, status, std::move(fields)));
}

void ConnectionRecord::respondWithoutStatus() {
    if (!connection)
        return;
    delegate->connection(*connection, UrlResponse(request.URL(), QStringLiteral("text/plain")));
}

void ConnectionRecord::send(const QByteArray& data) {
    if (!connection)
        return;
    delegate->connection(*connection, data);
}

void ConnectionRecord::finish() {
    if (!connection)
        return;
    delegate->connectionDidFinishLoading(*connection);
}

void ConnectionRecord::fail(long code, const std::string& domain) {
    if (!connection)
        return;
    delegate->connection(*connection, FetchError(domain, code));
}

std::optional<UrlRequest> ConnectionRecord::redirect(const QUrl& to, int status,
                                                     HTTPHeaderFields fields) {
    if (!connection)
        return std::nullopt;
    UrlRequest proposed = request;
    proposed.setURL(to);
    UrlResponse response(request.URL(), QStringLiteral("text/html"), status, std::move(fields));
    auto next = delegate->connection(*connection, proposed, &response);
    if (next)
        request = *next;
    return next;
}

ConnectionRecord::ChallengeOutcome ConnectionRecord::challenge(int previousFailureCount,
                                                               bool isProxy) {
    if (!connection)
        return {};
    auto outcome = std::make_shared<ChallengeOutcome>();
    UrlProtectionSpace space;
    space.host = request.URL().host();
    space.isProxy = isProxy;
    auto challenge = std::make_shared<UrlAuthenticationChallenge>(
        space, previousFailureCount,
        [outcome](const UrlCredential& credential) { outcome->used = credential; },
        [outcome] { outcome->cancelled = true; });
    delegate->connection(*connection, challenge);
    return *outcome;
}

void ConnectionRecord::answer(int status, const QByteArray& body, HTTPHeaderFields fields) {
    respond(status, std::move(fields));
    if (!body.isEmpty())
        send(body);
    finish();
}

} // namespace sweeplight::fetcher::testing
