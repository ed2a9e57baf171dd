#include "gui/main/settings_form.h"

#include "domain/settings.h"
#include "gui/common/error_display.h"
#include "gui/common/ui_font.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>

namespace orq::gui {

TSettingsForm::TSettingsForm(TOrqState& state, std::string settingsPath, QWidget* parent)
    : QDialog(parent), state_(state), settingsPath_(std::move(settingsPath)) {
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(341, 397);
    setModal(true);

    ESTLabel =
        new QLabel(QStringLiteral("Minimum EST (approvals lower than this will be flagged)"), this);
    ESTLabel->setObjectName(QStringLiteral("ESTLabel"));
    ESTLabel->move(32, 6);
    ESTLabel->adjustSize();

    ESTEdit = new QSpinBox(this);
    ESTEdit->setObjectName(QStringLiteral("ESTEdit"));
    ESTEdit->setGeometry(32, 24, 49, 22);
    ESTEdit->setRange(1, 99);
    ESTEdit->setValue(31);
    ESTLabel->setBuddy(ESTEdit);

    Label1 = new QLabel(
        QStringLiteral("Select all  AR recruiters, so metrics can calculate properly"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(32, 64);
    Label1->adjustSize();

    USARListview = new QTreeWidget(this);
    USARListview->setObjectName(QStringLiteral("USARListview"));
    USARListview->setGeometry(32, 83, 265, 271);
    USARListview->setColumnCount(1);
    USARListview->setHeaderLabels({QStringLiteral("Recruiter")});
    USARListview->setRootIsDecorated(false);
    USARListview->setUniformRowHeights(true);
    USARListview->header()->setStretchLastSection(false);
    USARListview->setColumnWidth(0, 160);

    // A caption wider than the room right of its place (a desktop font wider than Tahoma) moves
    // left so that it is not clipped.
    for (QLabel* label : {ESTLabel, Label1}) {
        const int room = width() - 8 - label->width();
        if (label->x() > room) label->move(std::max(8, room), label->y());
    }

    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(128, 360, 75, 25);
    // Enter presses "&Ok" from any control of the dialog.
    Button1->setAutoDefault(false);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TSettingsForm::Button1Click);

    setTabOrder(ESTEdit, USARListview);
    setTabOrder(USARListview, Button1);
}

void TSettingsForm::Prepare(const std::vector<std::string>& names) {
    USARListview->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        auto* item = new QTreeWidgetItem(QStringList{Q(name)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        items.append(item);
    }
    USARListview->addTopLevelItems(items);
}

void TSettingsForm::Run(const std::vector<std::string>& names) {
    Prepare(names);
    ESTEdit->setFocus();
    exec();
}

void TSettingsForm::Button1Click() {
    std::vector<std::string> checked;
    for (int i = 0; i < USARListview->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = USARListview->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked) checked.push_back(S(item->text(0)));
    }
    // A failed write is not reported; the reserve list takes the names either way.
    WriteSettings(settingsPath_, S(ESTEdit->text()), checked, state_);
    accept();
}

} // namespace orq::gui
