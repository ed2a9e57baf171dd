// The desktop tests run on the offscreen platform inside one QApplication.

#include "gui/windows.h"

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The model checks report through the message log: each of their findings fails the test that
// was running.
QtMessageHandler previousHandler = nullptr;

void FailOnModelFindings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category != nullptr && std::strcmp(context.category, "qt.modeltest") == 0 &&
        type >= QtWarningMsg)
        ADD_FAILURE() << "model check: " << text.toStdString();
    if (previousHandler != nullptr) previousHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The program's own set-up; what the windows remember stays out of the user's folders.
    QStandardPaths::setTestModeEnabled(true);
    orq::gui::SetUpApplication();
    previousHandler = qInstallMessageHandler(FailOnModelFindings);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
