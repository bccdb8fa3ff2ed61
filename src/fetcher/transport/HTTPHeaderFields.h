#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace sweeplight::fetcher {

// HTTP header fields in the order they were first set. Names compare case-insensitively and keep
// the spelling they were first given.
class HTTPHeaderFields final {
public:
    using Field = std::pair<QString, QString>;

    // The value of `name`, or a null QString when the field is absent.
    QString value(const QString& name) const;
    bool contains(const QString& name) const;
    // Replaces the value (or appends the field).
    void setValue(const QString& value, const QString& name);
    // Appends to an existing value after a comma, as the URL-loading system does, or adds the
    // field.
    void addValue(const QString& value, const QString& name);
    void remove(const QString& name);

    const std::vector<Field>& fields() const { return fields_; }
    std::size_t size() const { return fields_.size(); }
    bool empty() const { return fields_.empty(); }

    friend bool operator==(const HTTPHeaderFields&, const HTTPHeaderFields&) = default;

private:
    std::vector<Field>::iterator find(const QString& name);
    std::vector<Field>::const_iterator find(const QString& name) const;

    std::vector<Field> fields_;
};

} // namespace sweeplight::fetcher
