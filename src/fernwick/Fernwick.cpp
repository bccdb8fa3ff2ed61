#include "Fernwick.h"

#include "FernwickScreens.h"
#include "UrlDelegate.h"
#include "fetcher/HTTPFetcher.h"
#include "fetcher/transport/UrlAuthenticationChallenge.h"
#include "fetcher/transport/UrlConnection.h"
#include "fetcher/transport/UrlConnectionFactory.h"
#include "fetcher/transport/UrlRequest.h"
#include "foundation/DeviceId.h"
#include "foundation/Log.h"
#include "foundation/Md5.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "foundation/RunLoop.h"
#include "reachability/Reachability.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <mutex>

// Resources of a static library must be registered by hand, outside any namespace.
static void initializeFernwickResources() {
    Q_INIT_RESOURCE(fernwick);
}

Q_LOGGING_CATEGORY(lcFernwick, "sweeplight.fernwick", QtWarningMsg)

namespace sweeplight::fernwick {

using foundation::PropertyList;

namespace {

constexpr char kContentUrl[] = "/content/";
constexpr char kUsageUrl[] = "/stat/add";
constexpr char kAppName[] = "Tallyworth";
constexpr char kFailedToCreateDataFile[] = "Failed to create writable data file with message '%1'.";
constexpr double kSaveDelay = 2.0;

std::mutex gFernwickLock;
Fernwick* gFernwick = nullptr;

Fernwick::Environment& sharedEnvironment() {
    static Fernwick::Environment environment;
    return environment;
}

// What the command line said; it wins over the environment the app configured.
QString gCommandLineSettingsFile;
bool gCommandLineDataDirectory = false;

Fernwick::Environment sharedEnvironmentWithCommandLine() {
    Fernwick::Environment environment = sharedEnvironment();
    if (!gCommandLineSettingsFile.isEmpty())
        environment.settingsFile = gCommandLineSettingsFile;
    if (gCommandLineDataDirectory)
        environment.dataDirectory.clear(); // Paths holds the folder given
    return environment;
}

QString resourcePath(const char* name) {
    return QStringLiteral(":/") + QLatin1String(name);
}

QString md5(const QString& text) {
    return QString::fromStdString(foundation::Md5::textDigest(text.toStdString()));
}

// Coordinates are printed from the float widened to double, with 12 decimals, and never with
// a locale's decimal comma.
QString fixed12(float value) {
    return QString::number(double(value), 'f', 12);
}

// The settings' text values; a value of another type counts as absent.
std::optional<QString> settingText(const std::optional<PropertyList>& settings, const char* key) {
    if (!settings)
        return std::nullopt;
    const PropertyList* value = settings->find(key);
    if (!value || !value->asString())
        return std::nullopt;
    return QString::fromStdString(*value->asString());
}

} // namespace

// --- The single instance ---------------------------------------------------------------------

bool Fernwick::setEnvironment(Environment environment) {
    std::lock_guard guard(gFernwickLock);
    if (gFernwick)
        return false;
    sharedEnvironment() = std::move(environment);
    return true;
}

bool Fernwick::takeCommandLineOptions(std::vector<std::string>& arguments, std::string* error) {
    std::lock_guard guard(gFernwickLock);
    if (gFernwick) {
        if (error)
            *error = "the service client is already set up";
        return false;
    }
    std::string settings;
    bool found = false;
    if (!foundation::Paths::takeOption(arguments, kSettingsFileOption, settings, found, error))
        return false;
    if (found && settings.empty()) {
        if (error)
            *error = std::string(kSettingsFileOption) + " needs a file";
        return false;
    }
    std::string folder;
    bool folderFound = false;
    if (!foundation::Paths::takeOption(arguments, foundation::Paths::kDataDirectoryOption, folder,
                                       folderFound, error))
        return false;
    if (folderFound && folder.empty()) {
        if (error)
            *error = std::string(foundation::Paths::kDataDirectoryOption) + " needs a folder";
        return false;
    }
    if (found)
        gCommandLineSettingsFile = QString::fromStdString(settings);
    if (folderFound) {
        foundation::Paths::setDataDirectory(QString::fromStdString(folder));
        gCommandLineDataDirectory = true;
    }
    return true;
}

Fernwick& Fernwick::instance() {
    std::lock_guard guard(gFernwickLock);
    if (!gFernwick)
        gFernwick = new Fernwick(sharedEnvironmentWithCommandLine()); // never destroyed
    return *gFernwick;
}

Fernwick* Fernwick::allocWithZone() {
    std::lock_guard guard(gFernwickLock);
    if (gFernwick)
        return nullptr;
    gFernwick = new Fernwick(sharedEnvironmentWithCommandLine()); // never destroyed
    return gFernwick;
}

std::unique_ptr<Fernwick> Fernwick::createUnshared(Environment environment) {
    return std::unique_ptr<Fernwick>(new Fernwick(std::move(environment)));
}

Fernwick::Fernwick(Environment environment)
    : environment_(std::move(environment))
    , alive_(std::make_shared<bool>(true)) {
    initializeFernwickResources();
    if (!environment_.fetchers)
        environment_.fetchers = fetcher::FetcherEnvironment::process();
    runLoop_ = environment_.runLoop ? environment_.runLoop : &environment_.fetchers->runLoop();
    notificationCenter_ = &foundation::NotificationCenter::defaultCenter();
    reachability_ = environment_.reachability ? environment_.reachability
                                              : &reachability::Reachability::sharedReachability();
    dataDirectory_ = environment_.dataDirectory.isEmpty() ? foundation::Paths::dataDirectory()
                                                          : environment_.dataDirectory;
    settingsFile_ = environment_.settingsFile;
    if (settingsFile_.isEmpty())
        settingsFile_ = qEnvironmentVariable(kSettingsFileVariable);
    if (settingsFile_.isEmpty())
        settingsFile_ = resourcePath(kSettingsFileName);
    setupModel();
}

Fernwick::~Fernwick() {
    *alive_ = false;
    notificationCenter_->removeObserver(this);
    if (saveTimer_ != foundation::RunLoop::kNoTimer)
        runLoop_->cancel(saveTimer_);
    for (auto& live : liveConnections_)
        live.connection->cancel();
    if (scoreFetcher_)
        scoreFetcher_->stopFetching();
}

void Fernwick::fatal(const std::string& message) {
    if (environment_.fatalError) {
        environment_.fatalError(message);
        return;
    }
    qFatal("%s", message.c_str());
}

// --- Setup -------------------------------------------------------------------------------------

void Fernwick::setupModel() {
    createCopyOfData();
    loadData();
    loadSettings();
    setupNetworkMonitor();

    baseUrl_ = settingText(settingsDictionary_, kBaseUrlKey).value_or(QString(kDefaultBaseUrl));
    for (auto [key, field] :
         { std::pair { kFernwickKeyKey, &appId_ }, std::pair { kGameKeyKey, &gameKey_ },
           std::pair { kSecretKeyKey, &secretKey_ } }) {
        auto text = settingText(settingsDictionary_, key);
        if (!text && settingsDictionary_)
            foundation::logWarning(lcFernwick(),
                                   std::string("Fernwick: the settings lack \"") + key + "\"");
        *field = text.value_or(QString());
    }
    contentUrl_ = kContentUrl;
    usageUrl_ = kUsageUrl;
    appName_ = kAppName;
    deviceId_ = environment_.deviceId.isEmpty() ? foundation::DeviceId::identifier()
                                                : environment_.deviceId;

    std::int64_t opened = dataDictionary_ ? [this] {
        const PropertyList* stored = dataDictionary_->find(kAppOpenedKey);
        return stored ? stored->integerValue() : 0;
    }()
                                          : 0;
    opened = std::clamp<std::int64_t>(opened, 0, std::numeric_limits<std::int32_t>::max() - 1);
    appOpened_ = std::int32_t(opened + 1);
    if (dataDictionary_)
        dataDictionary_->set(kAppOpenedKey, PropertyList::integer(appOpened_));

    scheduleSave(kSaveDelay);
}

void Fernwick::scheduleSave(double delay) {
    if (saveTimer_ != foundation::RunLoop::kNoTimer)
        runLoop_->cancel(saveTimer_);
    saveTimer_ = runLoop_->scheduleOnce(delay, [this] {
        saveTimer_ = foundation::RunLoop::kNoTimer;
        saveData();
    });
}

bool Fernwick::isSavePending() const {
    return saveTimer_ != foundation::RunLoop::kNoTimer;
}

void Fernwick::setupNetworkMonitor() {
    std::string probeHost = environment_.probeHostName;
    if (probeHost.empty())
        probeHost = qEnvironmentVariable(kProbeHostVariable).toStdString();
    if (probeHost.empty())
        probeHost = kDefaultProbeHostName;
    reachability_->setHostName(probeHost);
    // Before the first query exists, so that every query is registered for changes.
    reachability_->setNetworkStatusNotificationsEnabled(true);
    updateNetworkStatus();
    notificationCenter_->addObserver(this, reachability::kNetworkReachabilityChangedNotification,
                                     [this] { reachabilityChanged(); });
}

void Fernwick::updateNetworkStatus() {
    const auto host = reachability_->remoteHostStatus();
    hasHost_ = host == reachability::StatusReachable || host == reachability::StatusTransient;
    const auto internet = reachability_->internetConnectionStatus();
    hasInternet_ =
        internet == reachability::StatusReachable || internet == reachability::StatusTransient;
    hasWifi_ = reachability_->localWiFiConnectionStatus() == reachability::StatusReachable;
}

void Fernwick::reachabilityChanged() {
    updateNetworkStatus();
}

// --- URLs and reports --------------------------------------------------------------------------

QString Fernwick::getUrlForFeature(const QString& feature) const {
    if (feature == QLatin1String(kFeatureHelp))
        return baseUrl_ + contentUrl_ + appId_ + QStringLiteral("?sig_device_id=") + deviceId_;
    if (feature == QLatin1String(kFeatureUsage))
        return baseUrl_ + usageUrl_ + QStringLiteral("?sig_device_id=") + deviceId_ +
               QStringLiteral("&app=") + appId_;
    if (feature == QLatin1String(kFeatureSms))
        return baseUrl_ + contentUrl_ + appId_ + QStringLiteral("/sendsms");
    if (feature == QLatin1String(kFeatureSite))
        return QString(kFernwickSiteUrl);
    if (feature == QLatin1String(kFeatureScores))
        return baseUrl_ + QStringLiteral("/game/list?game_key=") + gameKey_;
    if (feature == QLatin1String(kFeatureLogLocation))
        return baseUrl_ + QStringLiteral("/loc/add?app=") + appId_;
    if (feature == QLatin1String(kFeatureGetLocations))
        return baseUrl_ + QStringLiteral("/loc/data?app=") + appId_;
    return baseUrl_ + contentUrl_ + appId_;
}

void Fernwick::logAppUsage() {
    startConnection(getUrlForFeature(kFeatureUsage));
}

void Fernwick::logLocationWithLat(float latitude, float andLong) {
    const QString hash = md5(deviceId_ + secretKey_);
    const QString query = QStringLiteral("&sig_device_id=") + deviceId_ + QStringLiteral("&lat=") +
                          fixed12(latitude) + QStringLiteral("&lng=") + fixed12(andLong) +
                          QStringLiteral("&hash=") + hash;
    startConnection(getUrlForFeature(kFeatureLogLocation) + query);
}

void Fernwick::launchFernwickSite() {
    openExternalUrl(QUrl(getUrlForFeature(kFeatureSite)));
}

bool Fernwick::openExternalUrl(const QUrl& url, LinkSchemes schemes) {
    const QString scheme = url.scheme().toLower();
    const bool webLink = (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
                         !url.host().isEmpty();
    // A mail or text-message link may leave the recipient to the user when it carries the
    // text (a share link); a telephone link needs its number.
    const bool contactLink =
        schemes == LinkSchemes::WebAndContact &&
        (((scheme == QLatin1String("mailto") || scheme == QLatin1String("sms")) &&
          (!url.path().isEmpty() || url.hasQuery())) ||
         (scheme == QLatin1String("tel") && !url.path().isEmpty()));
    if (!url.isValid() || !(webLink || contactLink)) {
        foundation::logWarning(lcFernwick(), "Fernwick: not opening a link of this scheme: " +
                                                 url.toString().left(200).toStdString());
        return false;
    }
    if (environment_.openUrl) {
        environment_.openUrl(url);
        return true;
    }
    if (environment_.screens)
        return environment_.screens->openUrl(url);
    foundation::logLine("Fernwick: no screens to open " + url.toString().left(200).toStdString() +
                        " with");
    return false;
}

// --- Plain connections -------------------------------------------------------------------------

fetcher::UrlConnection* Fernwick::startConnection(const QString& url,
                                                  std::unique_ptr<UrlDelegate> delegate) {
    // A URL that does not parse strictly (a setting holding a space, say) goes nowhere.
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return nullptr;
    auto factory = environment_.connectionFactory ? environment_.connectionFactory
                                                  : environment_.fetchers->connectionFactory();
    if (!factory)
        return nullptr;
    if (!delegate)
        delegate = std::make_unique<UrlDelegate>();
    std::weak_ptr<bool> alive = alive_;
    delegate->setOnEnded([this, alive](fetcher::UrlConnection& connection) {
        if (alive.lock())
            finishConnection(connection);
    });
    auto connection = factory->connectionWithRequest(fetcher::UrlRequest(parsed), *delegate);
    if (!connection)
        return nullptr;
    fetcher::UrlConnection* raw = connection.get();
    liveConnections_.push_back({ std::move(delegate), std::move(connection) });
    return raw;
}

void Fernwick::finishConnection(fetcher::UrlConnection& connection) {
    auto found = std::find_if(
        liveConnections_.begin(), liveConnections_.end(),
        [&](const LiveConnection& live) { return live.connection.get() == &connection; });
    if (found == liveConnections_.end())
        return;
    // The connection is still inside its own callback: let it go on the next turn.
    auto ending = std::make_shared<LiveConnection>(std::move(*found));
    liveConnections_.erase(found);
    runLoop_->scheduleOnce(0, [ending] {});
}

// --- Local store -------------------------------------------------------------------------------

bool Fernwick::isSettingsFileNamed() const {
    return settingsFile_ != resourcePath(kSettingsFileName);
}

const PropertyList* Fernwick::settingsDictionary() const {
    return settingsDictionary_ ? &*settingsDictionary_ : nullptr;
}

const PropertyList* Fernwick::dataDictionary() const {
    return dataDictionary_ ? &*dataDictionary_ : nullptr;
}

QString Fernwick::dataFilePath() const {
    return QDir(dataDirectory_).filePath(kDataFileName);
}

QString Fernwick::savedSettingsFilePath() const {
    return QDir(dataDirectory_).filePath(kSettingsFileName);
}

void Fernwick::createCopyOfData() {
    const QString target = dataFilePath();
    if (QFileInfo::exists(target))
        return;
    QFile templateFile(resourcePath(kDataFileName));
    if (!templateFile.open(QIODevice::ReadOnly)) {
        fatal(QString(kFailedToCreateDataFile).arg(templateFile.errorString()).toStdString());
        return;
    }
    const QByteArray contents = templateFile.readAll();
    // A folder that cannot be written is the user's setup, not a packaging fault: the app
    // runs on and saves nothing, and says so once.
    QString problem;
    if (!QDir().mkpath(dataDirectory_)) {
        problem = QStringLiteral("cannot create the folder ") + dataDirectory_;
    } else {
        // Written like every save, so that a crash mid-copy leaves no partial file behind.
        // Private from the start, as every later save keeps it.
        QSaveFile copy(target);
        if (!copy.open(QIODevice::WriteOnly) ||
            !copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            copy.write(contents) != contents.size() || !copy.commit())
            problem = copy.errorString();
    }
    if (problem.isEmpty())
        return;
    dataFolderUnwritable_ = true;
    foundation::logWarning(lcFernwick(),
                           QString(kFailedToCreateDataFile).arg(problem).toStdString() +
                               " The service data will not be saved.");
}

void Fernwick::loadData() {
    std::string error;
    auto loaded = PropertyList::readFile(dataFilePath(), &error);
    if (loaded && !loaded->is(PropertyList::Type::Dictionary))
        loaded.reset(), error = "not a dictionary";
    if (!loaded && !dataFolderUnwritable_)
        foundation::logWarning(lcFernwick(), "Fernwick: " + dataFilePath().toStdString() +
                                                 " cannot be read (" + error +
                                                 "); it is left untouched");
    dataDictionary_ = std::move(loaded);
}

bool Fernwick::saveData() {
    if (!dataDictionary_)
        return false;
    std::string error;
    if (QDir().mkpath(dataDirectory_) && dataDictionary_->writeFile(dataFilePath(), &error))
        return true;
    foundation::logWarning(lcFernwick(),
                           "Fernwick: saving " + dataFilePath().toStdString() + " failed " + error);
    return false;
}

void Fernwick::loadSettings() {
    std::string error;
    auto loaded = PropertyList::readFile(settingsFile_, &error);
    if (loaded && !loaded->is(PropertyList::Type::Dictionary))
        loaded.reset(), error = "not a dictionary";
    if (!loaded)
        foundation::logWarning(lcFernwick(), "Fernwick: settings " + settingsFile_.toStdString() +
                                                 " cannot be read (" + error + ")");
    settingsDictionary_ = std::move(loaded);
}

void Fernwick::saveSettings2() {
    if (!settingsDictionary_)
        return;
    if (!QDir().mkpath(dataDirectory_))
        return;
    settingsDictionary_->writeFile(savedSettingsFilePath());
}

PropertyList* Fernwick::highScoreRecord() {
    if (!dataDictionary_)
        return nullptr;
    PropertyList* record = dataDictionary_->find(kHighScoreKey);
    return record && record->is(PropertyList::Type::Dictionary) ? record : nullptr;
}

const PropertyList* Fernwick::highScoreRecord() const {
    return const_cast<Fernwick*>(this)->highScoreRecord();
}

std::int32_t Fernwick::getHighScore() const {
    const PropertyList* record = highScoreRecord();
    const PropertyList* score = record ? record->find(kScoreKey) : nullptr;
    if (!score)
        return 0;
    return std::int32_t(std::clamp<std::int64_t>(score->integerValue(),
                                                 std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

bool Fernwick::saveHighScore(std::int32_t score) {
    PropertyList* record = highScoreRecord();
    if (!record)
        return false;
    record->set(kScoreKey, PropertyList::integer(score));
    record->set(kShouldSubmitKey, PropertyList::boolean(true));
    return saveData();
}

bool Fernwick::hasLastScoreSubmitted() const {
    const PropertyList* record = highScoreRecord();
    const PropertyList* mark = record ? record->find(kShouldSubmitKey) : nullptr;
    return !(mark && mark->integerValue() != 0);
}

void Fernwick::setShouldSubmit(bool shouldSubmit) {
    if (PropertyList* record = highScoreRecord())
        record->set(kShouldSubmitKey, PropertyList::boolean(shouldSubmit));
    saveData();
}

} // namespace sweeplight::fernwick
