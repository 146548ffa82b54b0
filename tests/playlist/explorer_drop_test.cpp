#include "playlist/explorer_drop.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using playlist::TExplorerDrop;

class ExplorerDropTest : public testsupport::TempDirTest {
protected:
    ExplorerDropTest() {
        list.resize(300, 200);
        drop.setDestinationControl(&list);
        drop.OnBeginDrop = [this](QObject* sender) {
            EXPECT_EQ(sender, &drop);
            events << QStringLiteral("begin");
        };
        drop.OnFolderNotAllowed = [this](QObject*, const QString& name) {
            events << QStringLiteral("refused ") + name;
        };
        drop.OnDropped = [this](QObject* sender, const QStringList& files, int count, int x,
                                int y) {
            EXPECT_EQ(sender, &drop);
            events << QStringLiteral("dropped %1").arg(count);
            dropped = files;
            point = QPoint(x, y);
        };
    }

    QString makeFile(const QString& name) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }

    // Sends the drag-enter and drop a file manager sends, at `at` in the viewport. Gives
    // whether the drop was accepted.
    bool dropPaths(const QStringList& paths, QPoint at) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        mime.setUrls(urls);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropEvent(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &dropEvent);
        return dropEvent.isAccepted();
    }

    QListWidget list;
    TExplorerDrop drop;
    QStringList events;
    QStringList dropped;
    QPoint point;
};

TEST_F(ExplorerDropTest, AttachingEnablesTheViewportAndDetachingRestoresIt) {
    EXPECT_TRUE(drop.Enabled());
    EXPECT_EQ(drop.DestinationControl(), &list);
    EXPECT_TRUE(list.viewport()->acceptDrops());
    drop.setEnabled(false);
    EXPECT_FALSE(list.viewport()->acceptDrops());
    drop.setEnabled(true);
    drop.setDestinationControl(nullptr);
    EXPECT_FALSE(drop.Enabled());
    EXPECT_EQ(drop.DestinationControl(), nullptr);
    EXPECT_FALSE(list.viewport()->acceptDrops());
    // Without a control the value is ignored.
    drop.setEnabled(true);
    EXPECT_FALSE(drop.Enabled());
}

TEST_F(ExplorerDropTest, FoldersAreRefusedAndFilesPassedInTheShellsOrder) {
    const QString b = makeFile(QStringLiteral("b.avi"));
    const QString a = makeFile(QStringLiteral("a.jpg"));
    ASSERT_TRUE(dropPaths({b, tempDir.path(), a}, QPoint(17, 42)));
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("begin"), QStringLiteral("refused ") + tempDir.path(),
                           QStringLiteral("dropped 2")}));
    EXPECT_EQ(dropped, (QStringList{b, a}));
    EXPECT_EQ(point, QPoint(17, 42));
}

TEST_F(ExplorerDropTest, OnlyFoldersOrMissingNamesGiveAnEmptyDrop) {
    ASSERT_TRUE(dropPaths({tempDir.path(), path(QStringLiteral("gone.avi"))}, QPoint(1, 1)));
    EXPECT_EQ(events.last(), QStringLiteral("dropped 0"));
    EXPECT_TRUE(dropped.isEmpty());
}

TEST_F(ExplorerDropTest, FoldersPassWhenAllowed) {
    drop.setAllowFolders(true);
    ASSERT_TRUE(dropPaths({tempDir.path()}, QPoint(1, 1)));
    EXPECT_EQ(dropped, QStringList{tempDir.path()});
}

TEST_F(ExplorerDropTest, ALongNameArrivesWhole) {
    const QString name = QString(150, QLatin1Char('n')) + QStringLiteral(".avi");
    const QString file = makeFile(name);
    ASSERT_GT(file.size(), 127);
    ASSERT_TRUE(dropPaths({file}, QPoint(3, 4)));
    EXPECT_EQ(dropped, QStringList{file});
}

TEST_F(ExplorerDropTest, DisabledOrDetachedTargetsTakeNoDrop) {
    const QString file = makeFile(QStringLiteral("a.avi"));
    drop.setEnabled(false);
    EXPECT_FALSE(dropPaths({file}, QPoint(1, 1)));
    drop.setEnabled(true);
    drop.setDestinationControl(nullptr);
    EXPECT_FALSE(dropPaths({file}, QPoint(1, 1)));
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(ExplorerDropTest, OtherEventsReachTheControl) {
    list.addItem(QStringLiteral("row"));
    list.setCurrentRow(-1);
    const QPoint at = list.visualItemRect(list.item(0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list.viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &press);
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(ExplorerDropTest, AttachingAnotherControlDetachesTheFirst) {
    QListWidget other;
    drop.setDestinationControl(&other);
    EXPECT_FALSE(list.viewport()->acceptDrops());
    EXPECT_TRUE(other.viewport()->acceptDrops());
    EXPECT_FALSE(dropPaths({makeFile(QStringLiteral("a.avi"))}, QPoint(1, 1)));
}

} // namespace
