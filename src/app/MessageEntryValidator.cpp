#include "MessageEntryValidator.h"

#include <QLineEdit>
#include <algorithm>

namespace sweeplight::app {

MessageEntryValidator::MessageEntryValidator(QLineEdit& field, Rule rule)
    : QValidator(&field)
    , rule_(std::move(rule))
    , previous_(field.text()) {
    connect(&field, &QLineEdit::textChanged, this,
            [this](const QString& text) { previous_ = text; });
}

QValidator::State MessageEntryValidator::validate(QString& input, int&) const {
    if (input == previous_)
        return Acceptable;
    // A line edit replaces one run of characters at a time: what the old and new texts share at
    // both ends is untouched.
    const qsizetype shorter = std::min(input.size(), previous_.size());
    qsizetype prefix = 0;
    while (prefix < shorter && input.at(prefix) == previous_.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           input.at(input.size() - 1 - suffix) == previous_.at(previous_.size() - 1 - suffix))
        ++suffix;
    const QString replacement = input.mid(prefix, input.size() - prefix - suffix);
    const auto replaced = static_cast<int>(previous_.size() - prefix - suffix);
    return rule_(static_cast<int>(prefix), replaced, replacement) ? Acceptable : Invalid;
}

} // namespace sweeplight::app
