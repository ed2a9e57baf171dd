// What the windows share: the bold table font, copying selected cells, the remembered folders
// and lists.

#include "gui_test_support.h"

#include "gui/common/grid_view.h"
#include "gui/common/preferences.h"
#include "gui/common/ui_font.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>

#include <gtest/gtest.h>

namespace orq::guitest {
namespace {

// How much ink a text takes in `font` at the screen's size: the sum of the darkness of every
// pixel of it drawn black on white.
long Ink(const QFont& font, const QString& text) {
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 28, text);
    painter.end();
    long ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += 255 - qGray(image.pixel(x, y));
    return ink;
}

// Header rows are bold on screen: the bold font's strokes are visibly heavier, not only wider
// apart (the Tahoma work-alike's bold outlines alone draw as thin as its regular ones).
TEST(TableFont, BoldDrawsHeavierStrokes) {
    for (const char* text : {"RSID Rctr Name Phone ApptMade", "No Show Avg Cdcts Grad Senior"}) {
        const long regular = Ink(gui::UiFont(), QLatin1String(text));
        const long bold = Ink(gui::UiBoldFont(), QLatin1String(text));
        EXPECT_GT(bold, regular * 13 / 10) << text << ": " << regular << " against " << bold;
    }
    EXPECT_EQ(gui::UiFont().pointSize(), 8);
    EXPECT_TRUE(gui::UiBoldFont().bold());
}

// Ctrl+C text of a selection: rows top to bottom, the shown columns of the selection, tabs
// between cells, CR LF after every row; a cell with a line break in double quotes without its
// carriage returns.
TEST(SelectedCells, CopyTextOfASelection) {
    QStandardItemModel model(3, 4);
    const char* const cells[3][4] = {
        {"a", "b", "c", "d"}, {"e", "two\r\nlines", "g", "h"}, {"", "x\ry", "lf\nonly", "l"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            model.setItem(row, column, new QStandardItem(QString::fromUtf8(cells[row][column])));
    QTableView view;
    view.setModel(&model);
    gui::ConfigureGridView(&view, 22, 18, true);

    struct Case {
        int top, left, bottom, right;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "a\r\n"},
        {0, 0, 1, 1, "a\tb\r\ne\t\"two\nlines\"\r\n"},
        {1, 1, 2, 2, "\"two\nlines\"\tg\r\n\"xy\"\t\"lf\nonly\"\r\n"},
        {2, 0, 2, 3, "\t\"xy\"\t\"lf\nonly\"\tl\r\n"},
    };
    for (const Case& c : cases) {
        view.selectionModel()->select(
            QItemSelection(model.index(c.top, c.left), model.index(c.bottom, c.right)),
            QItemSelectionModel::ClearAndSelect);
        EXPECT_EQ(gui::SelectedCellsText(&view).toStdString(), c.text);
    }
    // A hidden column is left out; nothing selected copies nothing.
    view.setColumnHidden(1, true);
    view.selectionModel()->select(QItemSelection(model.index(0, 0), model.index(0, 2)),
                                  QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(gui::SelectedCellsText(&view), QStringLiteral("a\tc\r\n"));
    view.clearSelection();
    EXPECT_TRUE(gui::SelectedCellsText(&view).isEmpty());
}

QString StandardOrHome(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

TEST(PreferencesTest, FoldersFallBackWhileNoneIsRemembered) {
    const QString path = QString::fromStdString(TempFolder()) + QStringLiteral("/orq.conf");
    const QString folder = QString::fromStdString(TempFolder());
    gui::Preferences preferences(path);
    EXPECT_EQ(preferences.OpenFolder(), StandardOrHome(QStandardPaths::DownloadLocation));
    EXPECT_EQ(preferences.SaveFolder(), StandardOrHome(QStandardPaths::DocumentsLocation));
    preferences.SetOpenFolder(folder);
    preferences.SetSaveFolder(folder + QStringLiteral("/"));
    EXPECT_EQ(gui::Preferences(path).OpenFolder(), folder);
    EXPECT_EQ(gui::Preferences(path).SaveFolder(), folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(preferences.OpenFolder(), StandardOrHome(QStandardPaths::DownloadLocation));
    EXPECT_EQ(preferences.SaveFolder(), StandardOrHome(QStandardPaths::DocumentsLocation));
    // The user's own file sits in the user's configuration folder, named once.
    EXPECT_EQ(gui::Preferences::DefaultPath(),
              QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/orq/orq.conf"));
}

// The recent lists hold five paths, the latest first, each once, also from a file edited by
// hand with empty entries, repeats and too many lines.
TEST(PreferencesTest, RecentListsStayFiveDistinctPaths) {
    const QString path = QString::fromStdString(TempFolder()) + QStringLiteral("/orq.conf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[recent]\nlists=/a.xls, , /b.xls, /a.xls, /c.xls, /d.xls, /e.xls, /f.xls\n"
                   "[folders]\nopen=\n");
    }
    gui::Preferences preferences(path);
    EXPECT_EQ(preferences.RecentLists(),
              (QStringList{"/a.xls", "/b.xls", "/c.xls", "/d.xls", "/e.xls"}));
    preferences.AddRecentList(QStringLiteral("/c.xls"));
    EXPECT_EQ(preferences.RecentLists(),
              (QStringList{"/c.xls", "/a.xls", "/b.xls", "/d.xls", "/e.xls"}));
    preferences.AddRecentList(QStringLiteral("/lists/../g.xls"));
    EXPECT_EQ(preferences.RecentLists(),
              (QStringList{"/g.xls", "/c.xls", "/a.xls", "/b.xls", "/d.xls"}));
    preferences.RemoveRecentList(QStringLiteral("/a.xls"));
    EXPECT_EQ(gui::Preferences(path).RecentLists(),
              (QStringList{"/g.xls", "/c.xls", "/b.xls", "/d.xls"}));
    EXPECT_EQ(preferences.OpenFolder(), StandardOrHome(QStandardPaths::DownloadLocation));
}

} // namespace
} // namespace orq::guitest
