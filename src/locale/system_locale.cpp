#include "locale/system_locale.h"

#include <QCollator>
#include <QDate>
#include <QLocale>
#include <QString>

#include <memory>

namespace orq {
namespace {

// The system locale, with C/POSIX standing for en_US.
QLocale EffectiveLocale() {
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

} // namespace

TFormatSettings SystemFormatSettings() {
    const QLocale locale = EffectiveLocale();
    const std::string pattern = locale.dateFormat(QLocale::ShortFormat).toStdString();
    const QString point = locale.decimalPoint();
    char decimal = '.';
    if (point.size() == 1 && point.at(0).unicode() < 0x80)
        decimal = static_cast<char>(point.at(0).unicode());
    return MakeFormatSettings(pattern, decimal);
}

CollationCompare SystemCollation() {
    auto collator = std::make_shared<QCollator>(EffectiveLocale());
    collator->setCaseSensitivity(Qt::CaseInsensitive);
    return [collator](const std::string& a, const std::string& b) {
        return collator->compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                                 QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
    };
}

TDateTime SystemToday() {
    const QDate today = QDate::currentDate();
    return EncodeDate(today.year(), today.month(), today.day());
}

void ApplySystemLocale(TOrqState& state) {
    state.Format = SystemFormatSettings();
    state.SetCollation(SystemCollation());
}

} // namespace orq
