#pragma once

#include <QDialog>
#include <QStringList>
#include <QTimer>

class QLabel;
class QPushButton;

namespace orq::gui {

// A box whose lines scroll upwards and start again from the bottom when they have passed.
class CreditsBox : public QWidget {
    Q_OBJECT
public:
    explicit CreditsBox(QStringList lines, QWidget* parent = nullptr);

    int Offset() const { return offset_; }
    // One step of the scroll (the timer calls it; tests may call it directly).
    void Step();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int ContentHeight() const;

    QStringList lines_;
    int offset_ = 0;
    QTimer timer_;
};

// The About box: version, credit line with a mail link, organisation line, a web link, the
// scrolling credits and "&Ok".
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    void SetVersion(const QString& version);

private:
    QLabel* VersionLabel = nullptr;
    QPushButton* OkButton = nullptr;
};

} // namespace orq::gui
