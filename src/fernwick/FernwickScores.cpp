// Score submission: the signed URL, the score page, and the two background forms.
#include "Fernwick.h"
#include "UrlDelegate.h"
#include "fetcher/HTTPFetcher.h"
#include "fetcher/transport/UrlRequest.h"
#include "foundation/Md5.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

namespace sweeplight::fernwick {

namespace {

QString scoreQuery(const QString& deviceId, const QString& secretKey, std::int32_t score) {
    const QString scoreText = QString::number(score);
    const QString hash = QString::fromStdString(
        foundation::Md5::textDigest((scoreText + deviceId + secretKey).toStdString()));
    return QStringLiteral("&submit_score=1&sig_device_id=") + deviceId + QStringLiteral("&score=") +
           scoreText + QStringLiteral("&hash=") + hash;
}

} // namespace

QString Fernwick::getScoreSubmitUrlForScore(std::int32_t score) const {
    return getUrlForFeature(kFeatureScores) + scoreQuery(deviceId_, secretKey_, score);
}

QString Fernwick::takeScorePageParameters(std::int32_t score) {
    const foundation::PropertyList* record = highScoreRecord();
    const foundation::PropertyList* mark = record ? record->find(kShouldSubmitKey) : nullptr;
    if (mark && mark->integerValue() != 0) {
        setShouldSubmit(false);
        return scoreQuery(deviceId_, secretKey_, score);
    }
    return QStringLiteral("&sig_device_id=") + deviceId_;
}

void Fernwick::submitScore(std::int32_t score, std::function<void()> onSuccess,
                           std::function<void()> onFail) {
    setShouldSubmit(false);
    const QString url = getScoreSubmitUrlForScore(score);
    scoreSubmitSuccess_ = std::move(onSuccess);
    scoreSubmitFailure_ = std::move(onFail);
    pendingScoreSubmit_ = nullptr;

    // One submission at a time: an earlier fetch still running is dropped, so that its outcome
    // cannot be taken for this one's.
    if (scoreFetcher_)
        scoreFetcher_->stopFetching();
    auto fetcher = fetcher::HTTPFetcher::create(fetcher::UrlRequest(QUrl(url, QUrl::StrictMode)),
                                                environment_.fetchers);
    scoreFetcher_ = fetcher;
    std::weak_ptr<bool> alive = alive_;
    fetcher->beginFetchWithDelegate(
        alive_,
        [this, alive](fetcher::HTTPFetcher& fetcher, const QByteArray& data) {
            if (alive.lock())
                submitScoreFetcher(fetcher, data);
        },
        [this, alive](fetcher::HTTPFetcher& fetcher, const fetcher::FetchError& error) {
            if (alive.lock())
                submitScoreFetcher(fetcher, error);
        });
}

void Fernwick::submitScoreFetcher(fetcher::HTTPFetcher& fetcher,
                                  const QByteArray& finishedWithData) {
    if (&fetcher != scoreFetcher_.get())
        return;
    // The service's answer is read as text and not used further.
    (void)QString::fromLatin1(finishedWithData);
    auto success = std::move(scoreSubmitSuccess_);
    scoreSubmitSuccess_ = nullptr;
    scoreSubmitFailure_ = nullptr;
    pendingScoreSubmit_ = nullptr;
    scoreFetcher_.reset();
    if (success)
        success();
    setShouldSubmit(false);
}

void Fernwick::submitScoreFetcher(fetcher::HTTPFetcher& fetcher, const fetcher::FetchError&) {
    if (&fetcher != scoreFetcher_.get())
        return;
    auto failure = std::move(scoreSubmitFailure_);
    scoreSubmitSuccess_ = nullptr;
    scoreSubmitFailure_ = nullptr;
    pendingScoreSubmit_ = nullptr;
    scoreFetcher_.reset();
    if (failure)
        failure();
    setShouldSubmit(true);
}

void Fernwick::submitScore2(std::int32_t score, std::function<void()> onSuccess,
                            std::function<void()> onFail) {
    const QString url = getScoreSubmitUrlForScore(score);
    if (scoreFetcher_) {
        scoreFetcher_->stopFetching();
        scoreFetcher_.reset();
    }
    auto delegate = std::make_unique<UrlDelegate>();
    const UrlDelegate* submission = delegate.get();
    std::weak_ptr<bool> alive = alive_;
    // Any answer, whatever its status, counts as accepted in this form.
    delegate->setCallback([this, alive, submission](const QByteArray&) {
        if (alive.lock())
            endScoreSubmission(submission, true);
    });
    delegate->setOnFailed([this, alive, submission] {
        if (alive.lock())
            endScoreSubmission(submission, false);
    });
    scoreSubmitSuccess_ = std::move(onSuccess);
    scoreSubmitFailure_ = std::move(onFail);
    setShouldSubmit(false);
    if (startConnection(url, std::move(delegate))) {
        pendingScoreSubmit_ = submission;
        return;
    }
    // No connection could be made (a URL that does not parse, say): that is a failure, and
    // the score stays marked, rather than a submission that never reports.
    auto failure = std::move(scoreSubmitFailure_);
    scoreSubmitSuccess_ = nullptr;
    scoreSubmitFailure_ = nullptr;
    if (failure)
        failure();
    setShouldSubmit(true);
}

void Fernwick::endScoreSubmission(const UrlDelegate* delegate, bool accepted) {
    if (delegate != pendingScoreSubmit_)
        return;
    auto success = std::move(scoreSubmitSuccess_);
    auto failure = std::move(scoreSubmitFailure_);
    scoreSubmitSuccess_ = nullptr;
    scoreSubmitFailure_ = nullptr;
    pendingScoreSubmit_ = nullptr;
    if (accepted) {
        if (success)
            success();
        return;
    }
    if (failure)
        failure();
    setShouldSubmit(true);
}

bool Fernwick::isScoreSubmissionPending() const {
    return pendingScoreSubmit_ != nullptr || scoreFetcher_ != nullptr;
}

} // namespace sweeplight::fernwick
