#include "gui/history/forget_form.h"

#include "gui/common/dialogs.h"
#include "gui/common/error_display.h"
#include "gui/common/ui_font.h"
#include "history/weeks_table.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orq::gui {

TForgetForm::TForgetForm(std::function<std::unique_ptr<history::THistory>()> openHistory,
                         QWidget* parent)
    : QDialog(parent), openHistory_(std::move(openHistory)) {
    setObjectName(QStringLiteral("ForgetForm"));
    setWindowTitle(QStringLiteral("Forget lists"));
    setFont(UiFont());
    resize(720, 380);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Choose the lists to remove from the history. An appointment that another "
                       "list holds too stays, as that list has it."),
        this));
    ForgetList = new QTreeWidget(this);
    ForgetList->setObjectName(QStringLiteral("ForgetList"));
    ForgetList->setRootIsDecorated(false);
    ForgetList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ForgetList->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Period"),
                                 QStringLiteral("Rows"), QStringLiteral("Recorded")});
    layout->addWidget(ForgetList, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    ForgetButton = buttons->addButton(QStringLiteral("&Forget"), QDialogButtonBox::ActionRole);
    ForgetButton->setObjectName(QStringLiteral("ForgetButton"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseButton"));
    layout->addWidget(buttons);
    connect(ForgetButton, &QPushButton::clicked, this, &TForgetForm::ForgetButtonClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool TForgetForm::Reload() {
    return RunCommand(this, [&] {
        const auto lists = openHistory_()->Lists();
        ForgetList->clear();
        for (auto it = lists.rbegin(); it != lists.rend(); ++it) {
            auto* item = new QTreeWidgetItem(
                {Q(it->File), Q(history::IsoDate(it->Start) + " to " + history::IsoDate(it->End)),
                 QString::number(it->Rows), Q(history::IsoTimeUtc(it->RecordedMs))});
            item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(it->Id));
            ForgetList->addTopLevelItem(item);
        }
        for (int col = 1; col < 4; ++col)
            ForgetList->resizeColumnToContents(col);
        ForgetButton->setEnabled(!lists.empty());
    });
}

void TForgetForm::ForgetButtonClick() {
    std::vector<std::int64_t> ids;
    for (QTreeWidgetItem* item : ForgetList->selectedItems())
        ids.push_back(item->data(0, Qt::UserRole).toLongLong());
    if (ids.empty()) return;
    const QString question = ids.size() == 1
                                 ? QStringLiteral("Forget this list?")
                                 : QStringLiteral("Forget these %1 lists?").arg(ids.size());
    if (!CurrentDialogs().Confirm(this, QStringLiteral("ORQ"), question)) return;
    RunCommand(this, [&] { openHistory_()->Forget(ids); });
    Reload();
}

} // namespace orq::gui
