#include "gui/common/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace orq::gui {

const QString& ListFilesFilter() {
    static const QString filter =
        QStringLiteral("Processing lists (*.xls *.xlsx *.csv);;Excel files (*.xls);;All files (*)");
    return filter;
}
namespace {

class QtDialogs final : public Dialogs {
public:
    void Critical(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::critical(parent, title, text, QMessageBox::Ok);
    }
    void Information(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
    }
    bool Confirm(QWidget* parent, const QString& title, const QString& text) override {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    }
    QString SaveFileName(QWidget* parent, const QString& suggested,
                         const QString& filter) override {
        // The export asks its own overwrite question (about the name with its ".xls" ending),
        // so the dialog asks none.
        return QFileDialog::getSaveFileName(parent, QString(), suggested, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    QStringList OpenFileNames(QWidget* parent, const QString& folder,
                              const QString& filter) override {
        return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
    }
    QString ExistingFolder(QWidget* parent, const QString& folder) override {
        return QFileDialog::getExistingDirectory(parent, QString(), folder);
    }
    bool SetUpPrinter(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        return dialog.exec() == QDialog::Accepted;
    }
};

std::unique_ptr<Dialogs>& Slot() {
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

} // namespace

Dialogs& CurrentDialogs() {
    auto& dialogs = Slot();
    if (!dialogs) dialogs = MakeQtDialogs();
    return *dialogs;
}

void SetDialogs(std::unique_ptr<Dialogs> dialogs) {
    Slot() = std::move(dialogs);
}

std::unique_ptr<Dialogs> MakeQtDialogs() {
    return std::make_unique<QtDialogs>();
}

} // namespace orq::gui
