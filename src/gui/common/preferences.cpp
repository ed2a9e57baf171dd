#include "gui/common/preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace orq::gui {
namespace {

const QString kOpenFolder = QStringLiteral("folders/open");
const QString kSaveFolder = QStringLiteral("folders/save");
const QString kRecent = QStringLiteral("recent/lists");
const QString kRecordOpened = QStringLiteral("history/recordOpenedLists");

// The folder remembered under `key` while it is a folder, else the first standard location
// that exists.
QString ExistingFolder(const QSettings& settings, const QString& key,
                       QStandardPaths::StandardLocation fallback) {
    const QString remembered = settings.value(key).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    const QString standard = QStandardPaths::writableLocation(fallback);
    if (!standard.isEmpty() && QFileInfo(standard).isDir()) return standard;
    return QDir::homePath();
}

void RememberFolder(QSettings& settings, const QString& key, const QString& folder) {
    settings.setValue(key, QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    settings.sync();
}

} // namespace

Preferences::Preferences(const QString& path)
    : settings_(path.isEmpty() ? DefaultPath() : path, QSettings::IniFormat) {}

QString Preferences::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orq/orq.conf");
}

QString Preferences::OpenFolder() const {
    return ExistingFolder(settings_, kOpenFolder, QStandardPaths::DownloadLocation);
}

void Preferences::SetOpenFolder(const QString& folder) {
    RememberFolder(settings_, kOpenFolder, folder);
}

QString Preferences::SaveFolder() const {
    return ExistingFolder(settings_, kSaveFolder, QStandardPaths::DocumentsLocation);
}

void Preferences::SetSaveFolder(const QString& folder) {
    RememberFolder(settings_, kSaveFolder, folder);
}

QStringList Preferences::RecentLists() const {
    // A hand-edited file may hold anything: empty entries, duplicates, too many.
    QStringList lists;
    for (const QString& file : settings_.value(kRecent).toStringList()) {
        if (file.isEmpty() || lists.contains(file)) continue;
        lists.append(file);
        if (lists.size() == kRecentLists) break;
    }
    return lists;
}

void Preferences::AddRecentList(const QString& file) {
    const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    QStringList lists = RecentLists();
    lists.removeAll(path);
    lists.prepend(path);
    while (lists.size() > kRecentLists)
        lists.removeLast();
    settings_.setValue(kRecent, lists);
    settings_.sync();
}

void Preferences::RemoveRecentList(const QString& file) {
    QStringList lists = RecentLists();
    lists.removeAll(file);
    settings_.setValue(kRecent, lists);
    settings_.sync();
}

bool Preferences::RecordOpenedLists() const {
    return settings_.value(kRecordOpened, true).toBool();
}

void Preferences::SetRecordOpenedLists(bool record) {
    settings_.setValue(kRecordOpened, record);
    settings_.sync();
}

} // namespace orq::gui
