#include "FetcherEnvironment.h"

#include "foundation/QtRunLoop.h"
#include "transport/QtUrlConnectionFactory.h"

namespace sweeplight::fetcher {

const std::shared_ptr<FetcherEnvironment>& FetcherEnvironment::process() {
    // Never destroyed: the sockets of its transport's connections must not outlive the
    // application object, and nothing tears the process's transport down before it.
    static auto* environment =
        new std::shared_ptr<FetcherEnvironment>(std::make_shared<FetcherEnvironment>());
    return *environment;
}

FetcherEnvironment::FetcherEnvironment() = default;

FetcherEnvironment::~FetcherEnvironment() = default;

std::shared_ptr<UrlConnectionFactory> FetcherEnvironment::connectionFactory() {
    if (factory_)
        return factory_;
    if (!qtFactory_)
        qtFactory_ = std::make_shared<QtUrlConnectionFactory>(
            [this]() -> foundation::RunLoop& { return runLoop(); });
    return qtFactory_;
}

foundation::RunLoop& FetcherEnvironment::runLoop() {
    if (runLoop_)
        return *runLoop_;
    if (!ownRunLoop_)
        ownRunLoop_ = std::make_unique<foundation::QtRunLoop>();
    return *ownRunLoop_;
}

} // namespace sweeplight::fetcher
