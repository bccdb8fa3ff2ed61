#pragma once

#include "foundation/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QWidget;
class QWidgetAction;

namespace sweeplight::foundation {
class NotificationCenter;
class RunLoop;
} // namespace sweeplight::foundation

namespace sweeplight::fetcher {
class FetchError;
class FetcherEnvironment;
class HTTPFetcher;
class UrlConnection;
class UrlConnectionFactory;
} // namespace sweeplight::fetcher

namespace sweeplight::reachability {
class Reachability;
}

namespace sweeplight::json {
class JSONDictionary;
}

namespace sweeplight::fernwick {

class FernwickScreens;
class UrlDelegate;

// Posted when the user closes a feature page.
inline constexpr char kFernwickClosedNotification[] = "fernwickclosed";

inline constexpr char kSettingsFileName[] = "FernwickSettings.plist";
inline constexpr char kDataFileName[] = "FernwickData.plist";
inline constexpr char kPoweredByImageName[] = "powered_by.png";

// Settings keys.
inline constexpr char kBaseUrlKey[] = "baseurl";
inline constexpr char kFernwickKeyKey[] = "fernwickkey";
inline constexpr char kGameKeyKey[] = "gamekey";
inline constexpr char kSecretKeyKey[] = "secretkey";
// Data keys.
inline constexpr char kAppOpenedKey[] = "appopened";
inline constexpr char kLastMessageDateKey[] = "lastmessagedate";
inline constexpr char kHighScoreKey[] = "highscore";
inline constexpr char kScoreKey[] = "score";
inline constexpr char kShouldSubmitKey[] = "shouldsubmit";

// Feature names understood by getUrlForFeature.
inline constexpr char kFeatureHelp[] = "help";
inline constexpr char kFeatureUsage[] = "usage";
inline constexpr char kFeatureSms[] = "sms";
inline constexpr char kFeatureSite[] = "site";
inline constexpr char kFeatureScores[] = "scores";
inline constexpr char kFeatureLogLocation[] = "loglocation";
inline constexpr char kFeatureGetLocations[] = "getlocations";

// The built-in service endpoints, used when the settings name none.
inline constexpr char kDefaultBaseUrl[] = "https://fernwick.example.com";
inline constexpr char kFernwickSiteUrl[] = "https://www.fernwick.example.com/";
// The public host whose reachability tells whether "the Internet" is there.
inline constexpr char kDefaultProbeHostName[] = "www.wikipedia.org";

// Where a settings file given from outside comes from (besides Environment::settingsFile and
// the "--settings FILE" option).
inline constexpr char kSettingsFileVariable[] = "SWEEPLIGHT_FERNWICK_SETTINGS";
inline constexpr char kSettingsFileOption[] = "--settings";
// Replaces the probed public host (tests and offline setups point it at "localhost").
inline constexpr char kProbeHostVariable[] = "SWEEPLIGHT_FERNWICK_PROBE_HOST";

// What a remote message shows: a title, a text and the captions of its buttons, in order.
struct RemoteMessageAlert {
    QString title;
    QString message;
    std::vector<QString> buttonTitles;
};

// The client of the promotion and feedback service: one per process, made by the first
// instance() call and never destroyed. It keeps the service settings and the local data file,
// counts launches, watches the network, builds every service URL, sends usage and location
// reports, shows the service's remote message, submits scores and hands out the service's web
// pages. Main thread only, except instance() itself, which is locked.
class Fernwick final {
public:
    // How the client reaches the platform. Empty members take the app's defaults, noted
    // beside each.
    struct Environment {
        // What the score fetcher works with; default: the process's fetcher environment.
        std::shared_ptr<fetcher::FetcherEnvironment> fetchers;
        // The main run loop; default: the fetchers' run loop.
        foundation::RunLoop* runLoop { nullptr };
        // Makes the plain connections; default: the fetchers' transport.
        std::shared_ptr<fetcher::UrlConnectionFactory> connectionFactory;
        // Default: reachability::Reachability::sharedReachability().
        reachability::Reachability* reachability { nullptr };
        // What the client shows: alerts, feature pages, branding buttons, links opened outside.
        // Without screens (a headless host) none of them is shown.
        std::shared_ptr<FernwickScreens> screens;
        // Opens a URL outside the app; default: the screens'.
        std::function<void(const QUrl& url)> openUrl;
        // Shows a remote message; `dismissed` gets the index of the button pressed. Default:
        // the screens' alert.
        std::function<void(const RemoteMessageAlert& alert, std::function<void(int)> dismissed)>
            presentAlert;
        // Called for the store's fatal packaging errors (a missing data template); default:
        // abort with the message. A data folder that cannot be written is not fatal.
        std::function<void(const std::string& message)> fatalError;
        // Default: foundation::Paths::dataDirectory().
        QString dataDirectory;
        // Default: $SWEEPLIGHT_FERNWICK_SETTINGS, else the settings shipped as a resource.
        QString settingsFile;
        // Default: foundation::DeviceId::identifier().
        QString deviceId;
        // Default: $SWEEPLIGHT_FERNWICK_PROBE_HOST, else kDefaultProbeHostName.
        std::string probeHostName;
    };

    // --- The single instance -----------------------------------------------------------------
    // What the shared client is made with. False (and nothing changes) once it exists.
    static bool setEnvironment(Environment environment);
    // Takes "--settings FILE" and "--data-dir DIR" out of `arguments` (program name excluded)
    // for the shared client; they win over setEnvironment, whichever is called first. False,
    // with a reason, on an option that lacks its value, or once the shared client exists.
    static bool takeCommandLineOptions(std::vector<std::string>& arguments,
                                       std::string* error = nullptr);
    // The shared client, made and set up by the first call.
    static Fernwick& instance();
    // The creation hook: makes and sets up the shared client while there is none and returns
    // it; once it exists, returns null.
    static Fernwick* allocWithZone();
    // A client of its own, for tools and tests that need several independent starts. It is
    // set up exactly as the shared one.
    static std::unique_ptr<Fernwick> createUnshared(Environment environment);

    ~Fernwick();
    Fernwick(const Fernwick&) = delete;
    Fernwick& operator=(const Fernwick&) = delete;

    // --- Fields --------------------------------------------------------------------------------
    const QString& baseUrl() const { return baseUrl_; }
    const QString& appId() const { return appId_; }
    const QString& contentUrl() const { return contentUrl_; }
    const QString& usageUrl() const { return usageUrl_; }
    const QString& appName() const { return appName_; }
    const QString& deviceId() const { return deviceId_; }
    const QString& gameKey() const { return gameKey_; }
    const QString& secretKey() const { return secretKey_; }
    std::int32_t appOpened() const { return appOpened_; }
    void setAppOpened(std::int32_t count) { appOpened_ = count; }
    bool hasInternet() const { return hasInternet_; }
    void setHasInternet(bool value) { hasInternet_ = value; }
    bool hasHost() const { return hasHost_; }
    void setHasHost(bool value) { hasHost_ = value; }
    bool hasWifi() const { return hasWifi_; }
    void setHasWifi(bool value) { hasWifi_ = value; }
    // Null when the file could not be read.
    const foundation::PropertyList* settingsDictionary() const;
    const foundation::PropertyList* dataDictionary() const;
    // The last remote message received; null before the first or after an unreadable one.
    const json::JSONDictionary* remoteMsgDict() const { return remoteMsgDict_.get(); }

    // Where the data file and a saved settings file live.
    QString dataFilePath() const;
    QString savedSettingsFilePath() const;
    QString settingsFilePath() const { return settingsFile_; }
    // Whether the settings file was named from outside (environment, variable or option)
    // rather than the one shipped with the app.
    bool isSettingsFileNamed() const;
    foundation::RunLoop& runLoop() const { return *runLoop_; }
    // True while a save is scheduled but has not run.
    bool isSavePending() const;

    // --- Core ----------------------------------------------------------------------------------
    QString getUrlForFeature(const QString& feature) const;
    void logAppUsage();
    void logLocationWithLat(float latitude, float andLong);
    // A branding button of 112 x 17 with no action; whoever adds it to a view owns it. Null
    // without screens.
    std::unique_ptr<QAbstractButton> getPoweredByButton() const;
    // A toolbar item holding a branding button that calls `action` on touch-down; null without
    // screens.
    std::unique_ptr<QWidgetAction>
    getPoweredByBarButtonWithTarget(std::function<void()> action) const;
    void launchFernwickSite();
    void updateNetworkStatus();
    void reachabilityChanged();

    // --- Local store ---------------------------------------------------------------------------
    void createCopyOfData();
    void loadData();
    // False when there is no data to save or the file could not be written.
    bool saveData();
    void loadSettings();
    void saveSettings2();
    std::int32_t getHighScore() const;
    // Whether the score reached the data file: false without a readable data file, without a
    // "highscore" record in it (nothing is stored then) or when the file could not be written.
    bool saveHighScore(std::int32_t score);
    bool hasLastScoreSubmitted() const;

    // --- Remote message ------------------------------------------------------------------------
    void checkForRemoteMessage();
    void doneMessageCheck(const QByteArray& data);
    // The alert's dismissal: button index counted from 0.
    void modalView(int didDismissWithButtonIndex);
    void remoteMessageComplete(const QByteArray& data);

    // --- Score submission ----------------------------------------------------------------------
    QString getScoreSubmitUrlForScore(std::int32_t score) const;
    // A page that submits the score (when it still has to be) and shows the score list. Null
    // without screens, and the score stays marked as it was.
    std::unique_ptr<QWidget> submitScoreAndGetScoreView(std::int32_t score);
    // The score page's query text: the signed submission while the stored score is marked
    // (which clears the mark), else the device id alone.
    QString takeScorePageParameters(std::int32_t score);
    // Through the HTTP fetcher: success for a status below 300.
    void submitScore(std::int32_t score, std::function<void()> onSuccess,
                     std::function<void()> onFail);
    // Through a plain connection: any answer counts as success.
    void submitScore2(std::int32_t score, std::function<void()> onSuccess,
                      std::function<void()> onFail);
    void submitScoreFetcher(fetcher::HTTPFetcher& fetcher, const QByteArray& finishedWithData);
    void submitScoreFetcher(fetcher::HTTPFetcher& fetcher,
                            const fetcher::FetchError& failedWithError);
    bool isScoreSubmissionPending() const;

    // --- Pages ---------------------------------------------------------------------------------
    // A navigation container with a FernwickFeatureController for `feature`; the caller owns
    // it and shows it. Null when `client` has no screens.
    static std::unique_ptr<QWidget> getFeatureViewController(const QString& feature,
                                                             Fernwick& client = instance());
    static void closeClicked() {}

    // Which links openExternalUrl opens. A remote message arrives unseen from the network, so
    // only its web links are opened; a link the user taps on a feature page may also be meant to
    // write a mail (the feedback link of the help page), call or send a text (a share page).
    enum class LinkSchemes { WebOnly, WebAndContact };
    // Opens `url` outside the app when its scheme is one of `schemes`; others (file:,
    // javascript:, an application's own) are ignored. Returns whether it was opened.
    bool openExternalUrl(const QUrl& url, LinkSchemes schemes = LinkSchemes::WebOnly);

    // What the client shows through; null in a headless host. The operations above that hand
    // out widgets (pages, branding buttons) are built with the screens library (fernwick_ui),
    // so that a host without a screen links no widget library.
    FernwickScreens* screens() const { return environment_.screens.get(); }

    // How many plain connections are still running (tools wait for them to end).
    std::size_t liveConnectionCount() const { return liveConnections_.size(); }

private:
    explicit Fernwick(Environment environment);

    void setupModel();
    void setupNetworkMonitor();
    void scheduleSave(double delay);
    foundation::PropertyList* highScoreRecord();
    const foundation::PropertyList* highScoreRecord() const;
    void setShouldSubmit(bool shouldSubmit);
    void fatal(const std::string& message);

    // Plain connections: each is kept with its delegate (a plain one when none is given) until
    // it ends.
    fetcher::UrlConnection* startConnection(const QString& url,
                                            std::unique_ptr<UrlDelegate> delegate = nullptr);
    void finishConnection(fetcher::UrlConnection& connection);
    // The end of the score submission made through `delegate`, if it is still the pending one.
    void endScoreSubmission(const UrlDelegate* delegate, bool accepted);

    Environment environment_;
    foundation::RunLoop* runLoop_ { nullptr };
    foundation::NotificationCenter* notificationCenter_ { nullptr };
    reachability::Reachability* reachability_ { nullptr };
    QString dataDirectory_;
    QString settingsFile_;

    QString baseUrl_;
    QString appId_;
    QString contentUrl_;
    QString usageUrl_;
    QString appName_;
    QString deviceId_;
    QString gameKey_;
    QString secretKey_;
    std::int32_t appOpened_ { 0 };
    bool hasInternet_ { false };
    bool hasHost_ { false };
    bool hasWifi_ { false };
    std::optional<foundation::PropertyList> settingsDictionary_;
    std::optional<foundation::PropertyList> dataDictionary_;
    // The delegate of the score submission's plain connection, while it runs.
    const UrlDelegate* pendingScoreSubmit_ { nullptr };
    std::function<void()> scoreSubmitSuccess_;
    std::function<void()> scoreSubmitFailure_;
    std::shared_ptr<const json::JSONDictionary> remoteMsgDict_;

    struct LiveConnection {
        std::unique_ptr<UrlDelegate> delegate;
        std::unique_ptr<fetcher::UrlConnection> connection;
    };
    std::vector<LiveConnection> liveConnections_;
    std::uint64_t saveTimer_ { 0 };
    // Set when the data folder cannot take the data file: said once, then the client runs on
    // without saving.
    bool dataFolderUnwritable_ { false };
    std::shared_ptr<fetcher::HTTPFetcher> scoreFetcher_;
    // Callbacks that may outlive a client made with createUnshared check this first.
    std::shared_ptr<bool> alive_;
};

} // namespace sweeplight::fernwick
