#pragma once

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace orq::gui {

// The general error display: a message box titled "ORQ" with the error icon and an OK button,
// showing the failure's message with the full-stop rule applied.
void ShowError(QWidget* parent, const std::string& message);

// Runs one command of a window. A failure that the command does not catch ends it and is shown
// by the general error display; the program keeps running with whatever state the command had
// reached. Returns false when the command failed.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

// UTF-8 text of the core to a QString and back.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

// A core text whose carriage returns (alone or before a line feed) break lines, as Qt shows it.
QString WithLineBreaks(const std::string& text);

} // namespace orq::gui
