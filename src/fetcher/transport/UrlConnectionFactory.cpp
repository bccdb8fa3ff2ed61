#include "UrlConnectionFactory.h"

#include "UrlConnection.h"

namespace sweeplight::fetcher {

std::unique_ptr<UrlConnection>
UrlConnectionFactory::connectionWithRequest(const UrlRequest& request,
                                            UrlConnectionDelegate& delegate) {
    return initWithRequest(request, delegate, true);
}

} // namespace sweeplight::fetcher
