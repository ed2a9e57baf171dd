#include "gui/common/ui_font.h"

#include "base/error.h"
#include "base/file.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QStringList>
#include <QtEndian>

#include <cstring>

namespace orq::gui {
namespace {

const char* const kRegularFile = "/usr/share/wine/fonts/tahoma.ttf";
const char* const kBoldFile = "/usr/share/wine/fonts/tahomabd.ttf";
constexpr std::uint64_t kMaxFontFile = 4u << 20;

// Offsets in a TrueType file: the table directory, and the fields that mark a face bold.
constexpr std::size_t kTableCountOffset = 4;
constexpr std::size_t kTableRecordsOffset = 12;
constexpr std::size_t kTableRecordSize = 16;
constexpr std::size_t kTableOffsetInRecord = 8;
constexpr std::size_t kTableLengthInRecord = 12;
constexpr std::size_t kOs2WeightClass = 4;     // OS/2 usWeightClass, 16 bits
constexpr std::size_t kOs2Selection = 62;      // OS/2 fsSelection, 16 bits
constexpr std::uint16_t kSelectionBold = 0x20; // fsSelection bit 5
constexpr std::size_t kHeadMacStyle = 44;      // head macStyle, 16 bits
constexpr std::uint16_t kMacStyleBold = 0x01;
constexpr std::uint16_t kSemiBold = 600;

// The work-alike's bold face draws bold strokes only in its bitmap strikes (9 to 16 pixels);
// its outlines, which antialiased screen text and every printout use, are the regular strokes
// set at the bold widths, so bold text came out thin. The face is registered as a semi-bold
// face without the bold style flags: asked for bold Tahoma, the font engine then picks it, keeps
// its bold widths and thickens its strokes itself. Empty when the file is not a TrueType file
// with the two tables.
QByteArray BoldFaceToEmbolden(const char* path) {
    TFileBytes file;
    try {
        file = ReadRegularFile(path, kMaxFontFile);
    } catch (const orq::Error&) {
        return {};
    }
    QByteArray bytes(reinterpret_cast<const char*>(file.View().data()),
                     static_cast<qsizetype>(file.Size()));
    auto* data = reinterpret_cast<uchar*>(bytes.data());
    const auto size = static_cast<std::size_t>(bytes.size());
    if (size < kTableRecordsOffset) return {};
    const std::size_t tables = qFromBigEndian<quint16>(data + kTableCountOffset);
    if (kTableRecordsOffset + tables * kTableRecordSize > size) return {};
    bool os2 = false;
    bool head = false;
    for (std::size_t i = 0; i < tables; ++i) {
        const uchar* record = data + kTableRecordsOffset + i * kTableRecordSize;
        const std::size_t offset = qFromBigEndian<quint32>(record + kTableOffsetInRecord);
        const std::size_t length = qFromBigEndian<quint32>(record + kTableLengthInRecord);
        if (offset > size || length > size - offset) return {};
        uchar* table = data + offset;
        if (std::memcmp(record, "OS/2", 4) == 0 && length >= kOs2Selection + 2) {
            qToBigEndian<quint16>(kSemiBold, table + kOs2WeightClass);
            const auto selection = qFromBigEndian<quint16>(table + kOs2Selection);
            qToBigEndian<quint16>(static_cast<quint16>(selection & ~kSelectionBold),
                                  table + kOs2Selection);
            os2 = true;
        } else if (std::memcmp(record, "head", 4) == 0 && length >= kHeadMacStyle + 2) {
            const auto style = qFromBigEndian<quint16>(table + kHeadMacStyle);
            qToBigEndian<quint16>(static_cast<quint16>(style & ~kMacStyleBold),
                                  table + kHeadMacStyle);
            head = true;
        }
    }
    return os2 && head ? bytes : QByteArray();
}

bool boldSynthesised = false;

// Debian's fonts-wine ships a Tahoma work-alike outside the fontconfig folders; the windows are
// laid out for Tahoma's widths, so it is registered with the application when present.
bool HaveTahoma() {
    const QString family = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(family)) return true;
    if (!QFile::exists(QLatin1String(kRegularFile))) return false;
    QFontDatabase::addApplicationFont(QLatin1String(kRegularFile));
    const QByteArray bold = BoldFaceToEmbolden(kBoldFile);
    if (!bold.isEmpty())
        boldSynthesised = QFontDatabase::addApplicationFontFromData(bold) >= 0;
    else if (QFile::exists(QLatin1String(kBoldFile)))
        QFontDatabase::addApplicationFont(QLatin1String(kBoldFile));
    return QFontDatabase::families().contains(family);
}

} // namespace

QFont UiFont() {
    static const QFont font = [] {
        QFont f;
        if (HaveTahoma()) {
            f = QFont(QStringLiteral("Tahoma"));
        } else {
            f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
            f.setStyleHint(QFont::SansSerif);
        }
        f.setPointSize(8);
        f.setBold(false);
        return f;
    }();
    return font;
}

QFont UiBoldFont() {
    QFont f = UiFont();
    f.setBold(true);
    return f;
}

bool UiBoldIsSynthesised() {
    UiFont();
    return boldSynthesised;
}

} // namespace orq::gui
