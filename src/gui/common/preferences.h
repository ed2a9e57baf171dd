#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace orq::gui {

// What the windows remember from one run to the next: the folder a list was last opened from,
// the folder a report was last saved to, the lists opened last (File > Open Recent) and whether
// opened lists are recorded in the history. Kept
// in an INI file in the user's configuration folder; the station settings ("ORQ.ini") are a
// file of their own and are not kept here.
class Preferences {
public:
    static constexpr int kRecentLists = 5;

    // `path`: the INI file; empty for DefaultPath().
    explicit Preferences(const QString& path = QString());

    // <the user's configuration folder>/orq/orq.conf, e.g. ~/.config/orq/orq.conf.
    static QString DefaultPath();
    QString Path() const { return settings_.fileName(); }

    // The folder File > Open starts in: the one last opened from while it still exists, else
    // the user's Downloads folder (where a portal download lands), else the home folder.
    QString OpenFolder() const;
    void SetOpenFolder(const QString& folder);

    // The folder "&Save to XLS" starts in: the one last saved to while it still exists, else
    // the user's Documents folder, else the home folder.
    QString SaveFolder() const;
    void SetSaveFolder(const QString& folder);

    // The lists opened last, the latest first, at most kRecentLists, each an absolute path.
    QStringList RecentLists() const;
    // `file` goes to the top (once).
    void AddRecentList(const QString& file);
    void RemoveRecentList(const QString& file);

    // History > Record opened lists: on until switched off.
    bool RecordOpenedLists() const;
    void SetRecordOpenedLists(bool record);

private:
    QSettings settings_;
};

} // namespace orq::gui
