#include "HTTPHeaderFields.h"

#include <algorithm>

namespace sweeplight::fetcher {

std::vector<HTTPHeaderFields::Field>::iterator HTTPHeaderFields::find(const QString& name) {
    return std::find_if(fields_.begin(), fields_.end(), [&](const Field& field) {
        return field.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

std::vector<HTTPHeaderFields::Field>::const_iterator
HTTPHeaderFields::find(const QString& name) const {
    return std::find_if(fields_.begin(), fields_.end(), [&](const Field& field) {
        return field.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

QString HTTPHeaderFields::value(const QString& name) const {
    auto it = find(name);
    return it == fields_.end() ? QString() : it->second;
}

bool HTTPHeaderFields::contains(const QString& name) const {
    return find(name) != fields_.end();
}

void HTTPHeaderFields::setValue(const QString& value, const QString& name) {
    auto it = find(name);
    if (it == fields_.end()) {
        fields_.emplace_back(name, value);
        return;
    }
    it->second = value;
}

void HTTPHeaderFields::addValue(const QString& value, const QString& name) {
    auto it = find(name);
    if (it == fields_.end()) {
        fields_.emplace_back(name, value);
        return;
    }
    it->second += QLatin1Char(',') + value;
}

void HTTPHeaderFields::remove(const QString& name) {
    auto it = find(name);
    if (it != fields_.end())
        fields_.erase(it);
}

} // namespace sweeplight::fetcher
