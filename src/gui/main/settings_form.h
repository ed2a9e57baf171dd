#pragma once

#include "domain/state.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace orq::gui {

// The settings dialog: the minimum EST and the check list of reserve (AR) recruiters. Ok writes
// the settings file through the core's writer.
class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    TSettingsForm(TOrqState& state, std::string settingsPath, QWidget* parent = nullptr);

    // Lists `names` unchecked and runs the dialog modally. The EST edit keeps what it held when
    // the dialog last closed.
    void Run(const std::vector<std::string>& names);

    // Fills the list without showing the dialog (Run without exec; tests drive it so).
    void Prepare(const std::vector<std::string>& names);

public slots:
    void Button1Click();

private:
    TOrqState& state_;
    std::string settingsPath_;
    QSpinBox* ESTEdit = nullptr;
    QLabel* ESTLabel = nullptr;
    QLabel* Label1 = nullptr;
    QTreeWidget* USARListview = nullptr;
    QPushButton* Button1 = nullptr;
};

} // namespace orq::gui
