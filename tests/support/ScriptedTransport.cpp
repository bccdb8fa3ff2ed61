#include "ScriptedTransport.h"

namespace sweeplight::fixtures {

using namespace fetcher;

void ConnectionRecord::finish() {
    if (connection)
        delegate->connectionDidFinishLoading(*connection);
}

void ConnectionRecord::answer(int status, const QByteArray& body, HTTPHeaderFields fields) {
    if (!cancelled)
        respond(status, std::move(fields));
    if (!body.isEmpty() && !cancelled)
        send(body);
    if (!cancelled)
        finish();
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

std::unique_ptr<UrlConnection> ScriptedTransport::initWithRequest(const UrlRequest& request,
                                                                  UrlConnectionDelegate& delegate,
                                                                  bool) {
    if (refuse)
        return nullptr;
    auto record = std::make_shared<ConnectionRecord>();
    record->request = request;
    record->delegate = &delegate;
    records.push_back(record);
    return std::make_unique<ScriptedConnection>(record);
}

ConnectionRecord* ScriptedTransport::at(std::size_t index) const {
    if (index >= records.size() || !records[index]->connection)
        return nullptr;
    return records[index].get();
}

} // namespace sweeplight::fixtures
