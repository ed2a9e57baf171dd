#include "gui/main/about_form.h"

#include "gui/common/emblem.h"
#include "gui/common/ui_font.h"
#include "orq_config.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace orq::gui {

CreditsBox::CreditsBox(QStringList lines, QWidget* parent)
    : QWidget(parent), lines_(std::move(lines)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    setPalette(palette);
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &CreditsBox::Step);
}

int CreditsBox::ContentHeight() const {
    return static_cast<int>(lines_.size()) * fontMetrics().lineSpacing();
}

void CreditsBox::Step() {
    // The text enters at the bottom edge and leaves at the top; then it starts again.
    ++offset_;
    if (offset_ > height() + ContentHeight()) offset_ = 0;
    update();
}

void CreditsBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setClipRect(rect().adjusted(1, 1, -1, -1));
    const int line = fontMetrics().lineSpacing();
    int y = height() - offset_;
    for (const QString& text : lines_) {
        painter.drawText(QRect(2, y, width() - 4, line), Qt::AlignHCenter | Qt::AlignVCenter, text);
        y += line;
    }
}

void CreditsBox::showEvent(QShowEvent* event) {
    // The first pass starts with the text already in view; later passes enter from below.
    offset_ = std::max(0, height() - 4);
    timer_.start();
    QWidget::showEvent(event);
}

void CreditsBox::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About..."));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(276, 278);
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setGeometry(16, 12, 48, 48);
    picture->setPixmap(OrqEmblem(48));

    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    VersionLabel->setGeometry(76, 14, 184, 20);
    QFont big = UiBoldFont();
    big.setPointSize(11);
    VersionLabel->setFont(big);

    const QString email = QLatin1String(config::kSupportEmail);
    auto* credit = new QLabel(this);
    credit->setObjectName(QStringLiteral("CreditLabel"));
    credit->setGeometry(76, 38, 184, 30);
    credit->setWordWrap(true);
    credit->setTextFormat(Qt::RichText);
    credit->setOpenExternalLinks(true);
    credit->setText(QStringLiteral("Written by the ORQ team<br><a href=\"mailto:%1\">%1</a>")
                        .arg(email.toHtmlEscaped()));

    auto* organisation = new QLabel(QStringLiteral("For recruiting station staff"), this);
    organisation->setObjectName(QStringLiteral("OrganisationLabel"));
    organisation->setGeometry(16, 74, 244, 16);

    auto* web = new QLabel(this);
    web->setObjectName(QStringLiteral("WebLabel"));
    web->setGeometry(16, 92, 244, 16);
    web->setTextFormat(Qt::RichText);
    web->setOpenExternalLinks(true);
    web->setText(
        QStringLiteral("Home page: <a href=\"https://example.org/orq\">example.org/orq</a>"));

    auto* credits = new CreditsBox(
        {QStringLiteral("ORQ"), QStringLiteral("Applicant Processing List metrics"), QString(),
         QStringLiteral("Reads Excel 97-2003 lists"), QStringLiteral("with its own reader"),
         QString(), QStringLiteral("Qt 6 user interface"), QString(),
         QStringLiteral("Thanks to the station staff"), QStringLiteral("who tried it out")},
        this);
    credits->setObjectName(QStringLiteral("CreditsBox"));
    credits->setGeometry(16, 116, 244, 112);

    OkButton = new QPushButton(QStringLiteral("&Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(100, 240, 75, 25);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::SetVersion(const QString& version) {
    VersionLabel->setText(version);
}

} // namespace orq::gui
