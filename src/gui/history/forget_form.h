#pragma once

#include "history/history.h"

#include <QDialog>

#include <functional>
#include <memory>

class QPushButton;
class QTreeWidget;

namespace orq::gui {

// History > Forget...: the lists recorded, newest first; the chosen ones are removed after a
// confirmation.
class TForgetForm : public QDialog {
    Q_OBJECT
public:
    TForgetForm(std::function<std::unique_ptr<history::THistory>()> openHistory,
                QWidget* parent = nullptr);

    // Reads the lists again; false (with the error shown) when the history cannot be read.
    bool Reload();

public slots:
    void ForgetButtonClick();

private:
    std::function<std::unique_ptr<history::THistory>()> openHistory_;
    QTreeWidget* ForgetList = nullptr;
    QPushButton* ForgetButton = nullptr;
};

} // namespace orq::gui
