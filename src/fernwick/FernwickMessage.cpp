// The remote message: fetching it, deciding whether it is new, showing it once and carrying
// out the button the user picks.
#include "Fernwick.h"
#include "FernwickScreens.h"
#include "UrlDelegate.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

#include "json/JSONDeserializer.h"
#include "json/JSONDictionary.h"
#include "json/JSONError.h"
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimeZone>
#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcFernwick)

namespace sweeplight::fernwick {

using foundation::PropertyList;

namespace {

constexpr char kMessageListPath[] = "/message/list?app_key=";
constexpr char kMessageTitleKey[] = "message_title";
constexpr char kMessageDateKey[] = "message_date";
constexpr char kMessageDetailKey[] = "message_detail";
constexpr char kCancelButtonTitle[] = "Cancel";
constexpr int kLinkSlots = 3;

enum LinkType { kLinkNothing = 0, kLinkBackgroundRequest = 1 };

std::string linkKey(int slot, const char* what) {
    return "link_" + std::to_string(slot) + "_" + what;
}

// The platform's date text: "2009-03-01 10:00:00 +0000".
std::optional<QDateTime> parseMessageDate(const std::string& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) ([+-])(\d{2}):?(\d{2})\s*$)"));
    const auto match = pattern.match(QString::fromStdString(text));
    if (!match.hasMatch())
        return std::nullopt;
    auto number = [&](int group) { return match.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    const int offsetMinutes = number(8) * 60 + number(9);
    if (!date.isValid() || !time.isValid() || number(8) > 23 || number(9) > 59)
        return std::nullopt;
    const int sign = match.captured(7) == QLatin1String("-") ? -1 : 1;
    const QDateTime result(date, time, QTimeZone(sign * offsetMinutes * 60));
    if (!result.isValid())
        return std::nullopt;
    return result.toUTC();
}

// The integer a link type stands for: numbers truncated, numeric texts by their leading
// number, anything else (or nothing) 0.
long long linkTypeValue(const json::JSONValue* value) {
    if (!value)
        return 0;
    if (const double* number = value->number())
        return std::isfinite(*number) && std::fabs(*number) < 9e18 ? (long long)(*number) : 0;
    if (const bool* flag = value->boolean())
        return *flag ? 1 : 0;
    if (const json::JSONString* text = value->string())
        return PropertyList::string(*text).integerValue();
    return 0;
}

} // namespace

void Fernwick::checkForRemoteMessage() {
    const QString url = baseUrl_ + QLatin1String(kMessageListPath) + appId_;
    std::weak_ptr<bool> alive = alive_;
    auto delegate = std::make_unique<UrlDelegate>([this, alive](const QByteArray& data) {
        if (alive.lock())
            doneMessageCheck(data);
    });
    startConnection(url, std::move(delegate));
}

void Fernwick::doneMessageCheck(const QByteArray& data) {
    remoteMsgDict_.reset();
    json::JSONError error;
    remoteMsgDict_ = json::JSONDeserializer::deserializer().deserializeAsDictionary(
        std::string_view(data.constData(), std::size_t(data.size())), &error);
    if (!remoteMsgDict_)
        return;
    const json::JSONDictionary& message = *remoteMsgDict_;
    const json::JSONString* title = message.findString(kMessageTitleKey);
    if (!title)
        return;

    const json::JSONString* dateText = message.findString(kMessageDateKey);
    const auto newDate = dateText ? parseMessageDate(*dateText) : std::nullopt;
    // Without a date the message could never be told apart from the next one; a date the data
    // file cannot hold would be as bad, and would stop every later save of that file too.
    if (!newDate || !PropertyList::canHoldDate(*newDate)) {
        foundation::logLine(lcFernwick(),
                            "Fernwick: the remote message has no usable date; not shown");
        return;
    }

    if (dataDictionary_) {
        const PropertyList* stored = dataDictionary_->find(kLastMessageDateKey);
        // An empty text (as a fresh data file carries) or a value of another type means no
        // message has been shown yet.
        if (stored) {
            if (auto lastDate = stored->asDate(); lastDate && !(*lastDate < *newDate))
                return;
        }
        // Stored before the user sees the alert, so that the message is never shown twice.
        dataDictionary_->set(kLastMessageDateKey, PropertyList::date(*newDate));
        saveData();
    }

    RemoteMessageAlert alert;
    alert.title = QString::fromStdString(*title);
    if (const json::JSONString* detail = message.findString(kMessageDetailKey))
        alert.message = QString::fromStdString(*detail);
    for (int slot = 1; slot <= kLinkSlots; ++slot) {
        const json::JSONString* caption = message.findString(linkKey(slot, "title"));
        if (caption && !caption->empty())
            alert.buttonTitles.push_back(QString::fromStdString(*caption));
    }
    if (alert.buttonTitles.size() <= 1)
        alert.buttonTitles.push_back(QString(kCancelButtonTitle));

    std::weak_ptr<bool> alive = alive_;
    auto dismissed = [this, alive](int buttonIndex) {
        if (alive.lock())
            modalView(buttonIndex);
    };
    if (environment_.presentAlert)
        environment_.presentAlert(alert, dismissed);
    else if (environment_.screens)
        environment_.screens->presentAlert(alert, dismissed);
    else
        foundation::logLine("Fernwick: no screens to show the remote message on");
}

void Fernwick::modalView(int didDismissWithButtonIndex) {
    if (didDismissWithButtonIndex < 0 || didDismissWithButtonIndex >= kLinkSlots)
        return;
    if (!remoteMsgDict_)
        return;
    const int slot = didDismissWithButtonIndex + 1;
    const long long type = linkTypeValue(remoteMsgDict_->find(linkKey(slot, "type")));
    if (type == kLinkNothing)
        return;
    const json::JSONString* url = remoteMsgDict_->findString(linkKey(slot, "url"));
    if (!url)
        return;
    if (type == kLinkBackgroundRequest) {
        // Only web links are requested, as only web links are opened.
        const QUrl link(QString::fromStdString(*url), QUrl::StrictMode);
        const QString scheme = link.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return;
        std::weak_ptr<bool> alive = alive_;
        auto delegate = std::make_unique<UrlDelegate>([this, alive](const QByteArray& data) {
            if (alive.lock())
                remoteMessageComplete(data);
        });
        startConnection(QString::fromStdString(*url), std::move(delegate));
        return;
    }
    openExternalUrl(QUrl(QString::fromStdString(*url), QUrl::StrictMode), LinkSchemes::WebOnly);
}

void Fernwick::remoteMessageComplete(const QByteArray&) {}

} // namespace sweeplight::fernwick
