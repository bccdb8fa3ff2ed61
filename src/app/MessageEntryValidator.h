#pragma once

#include <QValidator>
#include <functional>

class QLineEdit;

namespace sweeplight::app {

// The one gate for every change a person makes to the message field: typing, pasting, an input
// method's commit, a drop, X11's selection paste. Each change is reduced to the range of the old
// text it replaces and the text it puts there, and the editor's entry rule decides.
class MessageEntryValidator final : public QValidator {
public:
    using Rule = std::function<bool(int location, int length, const QString& replacement)>;

    MessageEntryValidator(QLineEdit& field, Rule rule);

    State validate(QString& input, int& position) const override;

private:
    Rule rule_;
    // The field's text before the change under validation: QLineEdit has already taken the new
    // text when it asks, so the validator follows every change the field announces.
    QString previous_;
};

} // namespace sweeplight::app
