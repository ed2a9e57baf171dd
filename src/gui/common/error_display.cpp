#include "gui/common/error_display.h"

#include "base/error.h"
#include "gui/common/dialogs.h"

#include <exception>
#include <new>

namespace orq::gui {

QString WithLineBreaks(const std::string& text) {
    QString result = Q(text);
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void ShowError(QWidget* parent, const std::string& message) {
    CurrentDialogs().Critical(parent, QStringLiteral("ORQ"), Q(orq::DisplayText(message)));
}

bool RunCommand(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const orq::Error& error) {
        ShowError(parent, error.what());
    } catch (const std::bad_alloc&) {
        ShowError(parent, orq::kMsgOutOfMemory);
    } catch (const std::exception& error) {
        ShowError(parent, error.what());
    }
    return false;
}

} // namespace orq::gui
