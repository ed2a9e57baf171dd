#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QWidget;

namespace orq::gui {

// Every message box, file dialog and print dialog of the program goes through this interface,
// so the tests can answer them in advance and the windows never block a test run.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Error box: critical icon, one OK button.
    virtual void Critical(QWidget* parent, const QString& title, const QString& text) = 0;
    // Information box: information icon, one OK button.
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
    // Question with Yes and No buttons; true only for Yes.
    virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // File dialogs; an empty result means cancelled. The open dialog starts in `folder`; the
    // save dialog starts at `suggested`, a folder and the file name it offers.
    virtual QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& suggested,
                                 const QString& filter) = 0;
    // Several existing files, or a folder; empty when cancelled.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& folder,
                                      const QString& filter) = 0;
    virtual QString ExistingFolder(QWidget* parent, const QString& folder) = 0;
    // The print dialog; false when cancelled. On true the printer is set up as chosen.
    virtual bool SetUpPrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The file types of the open dialogs: processing lists of the three formats first.
const QString& ListFilesFilter();

// The dialogs every window uses. The program starts with the real Qt dialogs; tests install
// their own.
Dialogs& CurrentDialogs();
void SetDialogs(std::unique_ptr<Dialogs> dialogs);

// The real dialogs: QMessageBox, QFileDialog, QPrintDialog.
std::unique_ptr<Dialogs> MakeQtDialogs();

} // namespace orq::gui
