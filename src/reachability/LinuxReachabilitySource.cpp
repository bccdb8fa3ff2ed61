#include "LinuxReachabilitySource.h"

#include "KernelRouteFlags.h"
#include "foundation/RunLoop.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace sweeplight::reachability {

using detail::KernelAddress;
using detail::KernelLink;
using detail::KernelRoute;

namespace {

constexpr std::size_t kReceiveBufferSize = 32 * 1024;

// What a route query gave: the kernel could not be asked, there is no usable route, or a route.
struct RouteAnswer {
    bool asked { false };
    std::optional<KernelRoute> route;
};

// One rtnetlink socket. Requests wait only for the kernel's own answer, which it gives at once.
class NetlinkSocket final {
public:
    NetlinkSocket() = default;
    ~NetlinkSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    bool open(std::uint32_t groups) {
        int flags = SOCK_RAW | SOCK_CLOEXEC;
        if (groups)
            flags |= SOCK_NONBLOCK;
        fd_ = ::socket(AF_NETLINK, flags, NETLINK_ROUTE);
        if (fd_ < 0)
            return false;
        if (!groups) {
            // A guard only: the kernel answers route and link requests synchronously.
            timeval timeout { 2, 0 };
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        }
        sockaddr_nl local {};
        local.nl_family = AF_NETLINK;
        local.nl_groups = groups;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        return true;
    }

    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

    // Sends `request` and hands every answering message to `onMessage`. False when the kernel
    // could not be asked or did not answer; `error` is the kernel's refusal (0 when none).
    bool request(nlmsghdr* request, const std::function<void(const nlmsghdr&)>& onMessage,
                 int& error) {
        error = 0;
        if (fd_ < 0)
            return false;
        request->nlmsg_seq = ++sequence_;
        sockaddr_nl kernel {};
        kernel.nl_family = AF_NETLINK;
        if (::sendto(fd_, request, request->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
                     sizeof(kernel)) < 0)
            return false;
        std::vector<char> buffer(kReceiveBufferSize);
        for (;;) {
            ssize_t received = ::recv(fd_, buffer.data(), buffer.size(), 0);
            if (received < 0 && errno == EINTR)
                continue;
            if (received <= 0)
                return false;
            int remaining = static_cast<int>(received);
            for (auto* message = reinterpret_cast<nlmsghdr*>(buffer.data());
                 NLMSG_OK(message, remaining); message = NLMSG_NEXT(message, remaining)) {
                if (message->nlmsg_seq != request->nlmsg_seq)
                    continue; // a late answer to an earlier request that timed out
                if (message->nlmsg_type == NLMSG_DONE)
                    return true;
                if (message->nlmsg_type == NLMSG_ERROR) {
                    if (message->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr)))
                        return false;
                    auto* answer = static_cast<nlmsgerr*>(NLMSG_DATA(message));
                    error = -answer->error;
                    return true;
                }
                onMessage(*message);
                if (!(message->nlmsg_flags & NLM_F_MULTI))
                    return true;
            }
        }
    }

private:
    int fd_ { -1 };
    std::uint32_t sequence_ { 0 };
};

template <typename Header> struct Request {
    nlmsghdr header;
    Header body;
    char attributes[64];
};

void addAttribute(nlmsghdr* message, unsigned short type, const void* data, unsigned short length) {
    auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(message) +
                                                NLMSG_ALIGN(message->nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = RTA_LENGTH(length);
    std::memcpy(RTA_DATA(attribute), data, length);
    message->nlmsg_len = NLMSG_ALIGN(message->nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

struct ParsedRoute {
    unsigned char type { 0 };
    unsigned int table { 0 };
    unsigned char destinationLength { 0 };
    std::uint32_t priority { 0 };
    KernelRoute route;
};

void readNexthops(const rtattr* multipath, KernelRoute& route) {
    int remaining = static_cast<int>(RTA_PAYLOAD(multipath));
    const auto* nexthop = static_cast<const rtnexthop*>(RTA_DATA(multipath));
    // The first nexthop stands for the route: good enough to tell up from down.
    if (remaining < static_cast<int>(sizeof(rtnexthop)) || nexthop->rtnh_len < sizeof(rtnexthop) ||
        nexthop->rtnh_len > remaining)
        return;
    route.outputInterface = nexthop->rtnh_ifindex;
    int attributesLength = nexthop->rtnh_len - static_cast<int>(RTNH_ALIGN(sizeof(rtnexthop)));
    for (auto* attribute = RTNH_DATA(nexthop); RTA_OK(attribute, attributesLength);
         attribute = RTA_NEXT(attribute, attributesLength)) {
        if (attribute->rta_type == RTA_GATEWAY || attribute->rta_type == RTA_VIA)
            route.hasGateway = true;
    }
}

std::optional<ParsedRoute> parseRoute(const nlmsghdr& message) {
    if (message.nlmsg_type != RTM_NEWROUTE || message.nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg)))
        return std::nullopt;
    const auto* header = static_cast<const rtmsg*>(NLMSG_DATA(&message));
    if (header->rtm_family != AF_INET && header->rtm_family != AF_INET6)
        return std::nullopt;
    ParsedRoute parsed;
    parsed.type = header->rtm_type;
    parsed.table = header->rtm_table;
    parsed.destinationLength = header->rtm_dst_len;
    int length = static_cast<int>(RTM_PAYLOAD(&message));
    for (auto* attribute = RTM_RTA(header); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        const auto payload = RTA_PAYLOAD(attribute);
        switch (attribute->rta_type) {
        case RTA_OIF:
            if (payload >= sizeof(int))
                std::memcpy(&parsed.route.outputInterface, RTA_DATA(attribute), sizeof(int));
            break;
        case RTA_GATEWAY:
        case RTA_VIA:
            parsed.route.hasGateway = true;
            break;
        case RTA_PRIORITY:
            if (payload >= sizeof(std::uint32_t))
                std::memcpy(&parsed.priority, RTA_DATA(attribute), sizeof(std::uint32_t));
            break;
        case RTA_TABLE:
            if (payload >= sizeof(std::uint32_t))
                std::memcpy(&parsed.table, RTA_DATA(attribute), sizeof(std::uint32_t));
            break;
        case RTA_MULTIPATH:
            if (!parsed.route.outputInterface)
                readNexthops(attribute, parsed.route);
            break;
        default:
            break;
        }
    }
    return parsed;
}

// Modem drivers mark their network devices with DEVTYPE=wwan, which rtnetlink does not carry.
// Sysfs may show another namespace's devices, so the index must match too.
bool sysfsSaysWwan(const QString& name, int index) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return false;
    const QString directory = QStringLiteral("/sys/class/net/") + name;
    QFile indexFile(directory + QStringLiteral("/ifindex"));
    if (!indexFile.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    if (indexFile.readAll().trimmed().toInt(&ok) != index || !ok)
        return false;
    QFile ueventFile(directory + QStringLiteral("/uevent"));
    if (!ueventFile.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = ueventFile.readAll().split('\n');
    return std::any_of(lines.begin(), lines.end(),
                       [](const QByteArray& line) { return line.trimmed() == "DEVTYPE=wwan"; });
}

} // namespace

class LinuxHandle;

class LinuxReachabilitySource::Impl final {
public:
    Impl() {
        if (!querySocket_.open(0))
            return;
        eventSocket_.open(RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE |
                          RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE);
        if (eventSocket_.isOpen() && QCoreApplication::instance()) {
            notifier_ = std::make_unique<QSocketNotifier>(eventSocket_.fd(), QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                             [this] { readKernelEvents(); });
        }
    }

    bool canQuery() const { return querySocket_.isOpen(); }
    bool isWatching() const { return querySocket_.isOpen() && eventSocket_.isOpen(); }

    // Flags for the route to `address`, or nothing when the kernel could not be asked.
    std::optional<ReachabilityFlags> flagsForAddress(const KernelAddress& address) {
        RouteAnswer answer = address.isIpv4Any() ? defaultRoute() : routeTo(address);
        if (!answer.asked)
            return std::nullopt;
        if (!answer.route)
            return ReachabilityFlags { 0 };
        std::optional<KernelLink> link = linkWithIndex(answer.route->outputInterface);
        if (!link)
            return ReachabilityFlags { 0 };
        return detail::flagsForKernelRoute(*answer.route, *link);
    }

    void readKernelEvents();

    void addHandle(LinuxHandle* handle) { handles_.push_back(handle); }
    void removeHandle(LinuxHandle* handle) { std::erase(handles_, handle); }

private:
    RouteAnswer routeTo(const KernelAddress& address) {
        const bool ipv6 = address.family == AF_INET6;
        Request<rtmsg> request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
        request.header.nlmsg_type = RTM_GETROUTE;
        request.header.nlmsg_flags = NLM_F_REQUEST;
        request.body.rtm_family = static_cast<unsigned char>(address.family);
        request.body.rtm_dst_len = ipv6 ? 128 : 32;
        addAttribute(&request.header, RTA_DST, address.bytes.data(), ipv6 ? 16 : 4);
        RouteAnswer answer;
        int error = 0;
        answer.asked = querySocket_.request(
            &request.header,
            [&](const nlmsghdr& message) {
                std::optional<ParsedRoute> parsed = parseRoute(message);
                if (parsed && (parsed->type == RTN_UNICAST || parsed->type == RTN_LOCAL) &&
                    parsed->route.outputInterface)
                    answer.route = parsed->route;
            },
            error);
        // A refusal (no route, an unreachable or prohibit route) is an answer too: not reachable.
        return answer;
    }

    // The kernel's unicast default routes of one family, least metric first; nothing when the
    // kernel could not be asked or refused.
    std::optional<std::vector<ParsedRoute>> defaultRoutes(unsigned char family) {
        Request<rtmsg> request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
        request.header.nlmsg_type = RTM_GETROUTE;
        request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        request.body.rtm_family = family;
        std::vector<ParsedRoute> routes;
        int error = 0;
        const bool asked = querySocket_.request(
            &request.header,
            [&](const nlmsghdr& message) {
                std::optional<ParsedRoute> parsed = parseRoute(message);
                if (parsed && parsed->destinationLength == 0 && parsed->type == RTN_UNICAST &&
                    parsed->table != RT_TABLE_LOCAL && parsed->route.outputInterface)
                    routes.push_back(*parsed);
            },
            error);
        if (!asked || error)
            return std::nullopt;
        std::stable_sort(
            routes.begin(), routes.end(),
            [](const ParsedRoute& a, const ParsedRoute& b) { return a.priority < b.priority; });
        return routes;
    }

    // The kernel never looks up 0.0.0.0 as "anywhere" (it is a local address to it), so the
    // default route is found among the routes themselves: the unicast default route of least
    // metric whose link is up, IPv4 first, then IPv6, as either one reaches the Internet.
    RouteAnswer defaultRoute() {
        std::optional<std::vector<ParsedRoute>> candidates = defaultRoutes(AF_INET);
        if (!candidates)
            return {};
        RouteAnswer answer;
        answer.asked = true;
        // A kernel without IPv6 refuses the second dump; its IPv4 answer stands.
        if (std::optional<std::vector<ParsedRoute>> ipv6 = defaultRoutes(AF_INET6))
            candidates->insert(candidates->end(), ipv6->begin(), ipv6->end());
        for (const ParsedRoute& candidate : *candidates) {
            std::optional<KernelLink> link = linkWithIndex(candidate.route.outputInterface);
            if (link && detail::isLinkUp(*link)) {
                answer.route = candidate.route;
                return answer;
            }
        }
        if (!candidates->empty())
            answer.route = candidates->front().route; // every link is down: flags will say so
        return answer;
    }

    std::optional<KernelLink> linkWithIndex(int index) {
        if (index <= 0)
            return std::nullopt;
        Request<ifinfomsg> request {};
        request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifinfomsg));
        request.header.nlmsg_type = RTM_GETLINK;
        request.header.nlmsg_flags = NLM_F_REQUEST;
        request.body.ifi_family = AF_UNSPEC;
        request.body.ifi_index = index;
        std::optional<KernelLink> link;
        QString name;
        int error = 0;
        const bool asked = querySocket_.request(
            &request.header,
            [&](const nlmsghdr& message) {
                if (message.nlmsg_type != RTM_NEWLINK ||
                    message.nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
                    return;
                const auto* header = static_cast<const ifinfomsg*>(NLMSG_DATA(&message));
                KernelLink found;
                found.flags = header->ifi_flags;
                found.type = header->ifi_type;
                int length = static_cast<int>(IFLA_PAYLOAD(&message));
                for (auto* attribute = IFLA_RTA(header); RTA_OK(attribute, length);
                     attribute = RTA_NEXT(attribute, length)) {
                    if (attribute->rta_type == IFLA_IFNAME) {
                        name = QString::fromUtf8(static_cast<const char*>(RTA_DATA(attribute)),
                                                 static_cast<qsizetype>(::strnlen(
                                                     static_cast<const char*>(RTA_DATA(attribute)),
                                                     RTA_PAYLOAD(attribute))));
                    }
                    if (attribute->rta_type != IFLA_LINKINFO)
                        continue;
                    int nestedLength = static_cast<int>(RTA_PAYLOAD(attribute));
                    for (auto* nested = static_cast<rtattr*>(RTA_DATA(attribute));
                         RTA_OK(nested, nestedLength); nested = RTA_NEXT(nested, nestedLength)) {
                        if (nested->rta_type != IFLA_INFO_KIND)
                            continue;
                        const auto* text = static_cast<const char*>(RTA_DATA(nested));
                        found.kind.assign(text, ::strnlen(text, RTA_PAYLOAD(nested)));
                    }
                }
                link = found;
            },
            error);
        if (!asked || error || !link)
            return std::nullopt;
        link->wwanDevice = sysfsSaysWwan(name, index);
        return link;
    }

    NetlinkSocket querySocket_;
    NetlinkSocket eventSocket_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<LinuxHandle*> handles_;
};

// A target: a fixed address, or a host name resolved on Qt's event loop.
class LinuxHandle final : public ReachabilityHandle {
public:
    LinuxHandle(LinuxReachabilitySource::Impl& source, std::optional<KernelAddress> address,
                std::string hostName)
        : source_(source)
        , hostName_(std::move(hostName)) {
        if (address)
            addresses_.push_back(*address);
        source_.addHandle(this);
        if (addresses_.empty())
            startLookup();
    }

    ~LinuxHandle() override {
        source_.removeHandle(this);
        cancelDelivery();
        if (lookupId_ >= 0)
            QHostInfo::abortHostLookup(lookupId_);
    }

    bool getFlags(ReachabilityFlags& flags) override {
        std::optional<ReachabilityFlags> current = currentFlags();
        if (!current)
            return false;
        flags = *current;
        return true;
    }

    void setCallback(Callback callback) override { callback_ = std::move(callback); }

    bool scheduleWithRunLoop(foundation::RunLoop& runLoop) override {
        if (!source_.isWatching())
            return false;
        if (std::find(runLoops_.begin(), runLoops_.end(), &runLoop) != runLoops_.end())
            return true;
        if (runLoops_.empty())
            lastFlags_ = currentFlags().value_or(0);
        runLoops_.push_back(&runLoop);
        return true;
    }

    void unscheduleFromRunLoop(foundation::RunLoop& runLoop) override {
        if (deliveryLoop_ == &runLoop)
            cancelDelivery();
        std::erase(runLoops_, &runLoop);
    }

    // Called after kernel events: tells the scheduled callback when the flags changed.
    void recheck() {
        if (addresses_.empty() && lookupId_ < 0)
            startLookup(); // the network changed, so a name that failed may resolve now
        if (runLoops_.empty())
            return;
        const ReachabilityFlags flags = currentFlags().value_or(0);
        if (flags == lastFlags_)
            return;
        lastFlags_ = flags;
        scheduleDelivery();
    }

private:
    std::optional<ReachabilityFlags> currentFlags() {
        if (!source_.canQuery())
            return std::nullopt;
        if (addresses_.empty())
            return ReachabilityFlags { 0 }; // not resolved (yet): not reachable
        // A host with addresses of both families is as reachable as the better of the two.
        std::optional<ReachabilityFlags> first;
        for (const KernelAddress& address : addresses_) {
            std::optional<ReachabilityFlags> flags = source_.flagsForAddress(address);
            if (flags && (*flags & kReachabilityFlagsReachable))
                return flags;
            if (!first)
                first = flags;
        }
        return first;
    }

    void startLookup() {
        // Results come through Qt's event loop; without an application there is none, and
        // the name stays unresolved.
        if (!QCoreApplication::instance() || hostName_.empty())
            return;
        if (!lookupContext_)
            lookupContext_ = std::make_unique<QObject>();
        lookupId_ = QHostInfo::lookupHost(QString::fromStdString(hostName_), lookupContext_.get(),
                                          [this](const QHostInfo& info) { lookedUp(info); });
    }

    void lookedUp(const QHostInfo& info) {
        lookupId_ = -1;
        addresses_ = detail::addressesToWatch(info.addresses());
        if (!addresses_.empty())
            recheck();
    }

    void scheduleDelivery() {
        if (deliveryLoop_ || runLoops_.empty())
            return;
        deliveryLoop_ = runLoops_.front();
        delivery_ = deliveryLoop_->scheduleOnce(0, [this] {
            deliveryLoop_ = nullptr;
            delivery_ = foundation::RunLoop::kNoTimer;
            if (callback_)
                callback_(*this, lastFlags_);
        });
    }

    void cancelDelivery() {
        if (deliveryLoop_)
            deliveryLoop_->cancel(delivery_);
        deliveryLoop_ = nullptr;
        delivery_ = foundation::RunLoop::kNoTimer;
    }

    LinuxReachabilitySource::Impl& source_;
    std::vector<KernelAddress> addresses_; // empty until the name is resolved
    std::string hostName_;
    Callback callback_;
    std::vector<foundation::RunLoop*> runLoops_;
    ReachabilityFlags lastFlags_ { 0 };
    foundation::RunLoop* deliveryLoop_ { nullptr };
    foundation::RunLoop::TimerId delivery_ { foundation::RunLoop::kNoTimer };
    std::unique_ptr<QObject> lookupContext_;
    int lookupId_ { -1 };
};

void LinuxReachabilitySource::Impl::readKernelEvents() {
    if (!eventSocket_.isOpen())
        return;
    bool changed = false;
    std::vector<char> buffer(kReceiveBufferSize);
    for (;;) {
        ssize_t received = ::recv(eventSocket_.fd(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && errno == ENOBUFS) {
            changed = true; // events were lost: assume everything may have changed
            continue;
        }
        if (received <= 0)
            break;
        changed = true;
    }
    if (!changed)
        return;
    // A handle's callback may destroy other handles, but callbacks only run later on the run
    // loop, so the list stays as it is while it is walked.
    const std::vector<LinuxHandle*> handles = handles_;
    for (LinuxHandle* handle : handles)
        handle->recheck();
}

LinuxReachabilitySource::LinuxReachabilitySource()
    : impl_(std::make_unique<Impl>()) {}

LinuxReachabilitySource::~LinuxReachabilitySource() = default;

std::unique_ptr<ReachabilityHandle>
LinuxReachabilitySource::createWithName(const std::string& hostName) {
    if (hostName.empty() || hostName.find('\0') != std::string::npos)
        return nullptr;
    return std::make_unique<LinuxHandle>(*impl_, KernelAddress::fromText(hostName), hostName);
}

std::unique_ptr<ReachabilityHandle>
LinuxReachabilitySource::createWithAddress(const sockaddr_in& address) {
    if (address.sin_family != AF_INET)
        return nullptr;
    return std::make_unique<LinuxHandle>(*impl_, KernelAddress::ipv4(address.sin_addr),
                                         std::string());
}

bool LinuxReachabilitySource::isWatching() const {
    return impl_->isWatching();
}

void LinuxReachabilitySource::readKernelEvents() {
    impl_->readKernelEvents();
}

} // namespace sweeplight::reachability
