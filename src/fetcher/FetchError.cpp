#include "FetchError.h"

namespace sweeplight::fetcher {

FetchError::FetchError(std::string domain, long code, UserInfo userInfo)
    : domain_(std::move(domain))
    , code_(code)
    , userInfo_(std::move(userInfo)) {}

std::string FetchError::localizedDescription() const {
    if (const auto* text = userInfoValue<std::string>(kErrorLocalizedDescriptionKey))
        return *text;
    return domain_ + " error " + std::to_string(code_);
}

} // namespace sweeplight::fetcher
