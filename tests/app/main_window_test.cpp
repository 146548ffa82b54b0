#include "app/quintape_application.h"
#include "app/unix_signals.h"
#include "graph/directshow_exception.h"
#include "playlist/main_play_list.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/test_media.h"
#include "widgets/icon_grid.h"
#include "widgets/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace {

using testsupport::MainWindowTest;
using testsupport::testMedia;
using testsupport::waitUntil;

const QColor kCurrentRow(192, 220, 192);

QStringList masterTexts(const playlist::CheckList& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.text(i);
    }
    return texts;
}

// Answers the next error report: records its text and closes the box.
class ErrorBoxWatch {
public:
    ErrorBoxWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->objectName() == app::kErrorBoxName) {
                texts << box->text();
                box->accept();
            }
        });
        timer_.start();
    }

    QStringList texts;

private:
    QTimer timer_;
};

class MainWindowBehaviour : public MainWindowTest {
protected:
    widgets::TIconGrid& grid() const { return *child<widgets::TIconGrid>("sgPlayList"); }

    // The drag-enter and drop of a file manager on the playlist grid.
    void dropOnGrid(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths) {
            urls << QUrl::fromLocalFile(p);
        }
        mime.setUrls(urls);
        QWidget* viewport = grid().viewport();
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
    }

    bool iconIs(int row, int iconIndex) const {
        const QPixmap icon = grid().CellIcon(0, row);
        return !icon.isNull() && icon.toImage() == window->ilVideoList()[iconIndex].toImage();
    }
};

TEST_F(MainWindowBehaviour, CommandLineOpensPlaylistsFirstAndRetagsPictures) {
    const QStringList pictures{testMedia(QStringLiteral("picture.jpg")),
                               testMedia(QStringLiteral("picture.png")),
                               testMedia(QStringLiteral("picture.bmp"))};
    // An extension in capitals still names a playlist.
    const QString list = writePlayList(QStringLiteral("three.PLST"), pictures);
    const QString video = testMedia(QStringLiteral("clip_h264_aac.mp4"));
    const QString last = testMedia(QStringLiteral("wide.jpg"));
    open({list, video, last});

    EXPECT_EQ(masterTexts(masterList), (pictures + QStringList{video, last}));
    ASSERT_EQ(window->MainList().count(), 5);
    EXPECT_EQ(grid().rowCount(), 5);

    const std::vector<render::TFileKind> kinds{render::fkPictureNext, render::fkPictureNext,
                                               render::fkPictureLast, render::fkMedia,
                                               render::fkPictureLast};
    render::REFERENCE_TIME start = 0;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const render::TFileInfo& record = mainRecord(i);
        EXPECT_EQ(record.Kind, kinds[static_cast<std::size_t>(i)]);
        EXPECT_EQ(record.Start, start);
        start += record.Duration;
        EXPECT_EQ(grid().Cells(1, i), playlist::PlayListLengthText(record.Duration));
        EXPECT_EQ(grid().Cells(2, i), record.FileName);
        EXPECT_TRUE(iconIs(i, kinds[static_cast<std::size_t>(i)] == render::fkMedia ? 2 : 3));
        // The cache keeps what the probe said; the main list owns copies.
        ASSERT_NE(masterList.fileInfo(i), nullptr);
        EXPECT_NE(masterList.fileInfo(i), window->MainList().fileInfo(i));
        EXPECT_EQ(masterList.fileInfo(i)->Kind, i == 3 ? render::fkMedia : render::fkPicture);
    }
    EXPECT_EQ(mainRecord(0).Duration, 7 * platform::UNITS);
    EXPECT_EQ(window->RenderRangeStop(), start);
    EXPECT_EQ(window->RenderRangeStart(), 0);

    // Item 0 is current; the rest are in the window colour.
    EXPECT_EQ(window->MainListItemIndex(), 0);
    EXPECT_EQ(grid().Tag(), 0);
    EXPECT_EQ(grid().ColorRow(0), kCurrentRow);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(grid().ColorRow(i), grid().palette().color(QPalette::Base));
    }

    // Built for the first device and stopped, as "On Open" says.
    EXPECT_TRUE(window->fgMain.Active());
    EXPECT_EQ(dvCamDevice(), QStringLiteral("Sink A"));
    EXPECT_TRUE(child<QAction>("buStop")->isChecked());
    EXPECT_EQ(window->fgMain.GetGraphState(), graph::TGraphState::Stopped);

    // The progress bar counted two steps per master item and two more, and is back at rest.
    const auto& bar = *child<QProgressBar>("ProgressBar");
    EXPECT_EQ(bar.maximum(), 2 * 5 + 2);
    EXPECT_GE(bar.value(), 5);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.parentWidget(), child<QWidget>("tsFilters"));
}

TEST_F(MainWindowBehaviour, UnplayableFilesKeepTheirRowsAndAddNoLength) {
    const QString silent = testMedia(QStringLiteral("video_only.avi"));
    open({silent, testMedia(QStringLiteral("random.avi")), path(QStringLiteral("missing.mp4"))});
    ASSERT_EQ(window->MainList().count(), 3);
    EXPECT_TRUE(iconIs(0, 1));
    EXPECT_TRUE(iconIs(1, 0));
    EXPECT_TRUE(iconIs(2, 0));
    EXPECT_EQ(mainRecord(2).Duration, 0);
    EXPECT_GT(mainRecord(0).Duration, 0);
    EXPECT_EQ(window->RenderRangeStop(), mainRecord(0).Duration + mainRecord(1).Duration);
}

TEST_F(MainWindowBehaviour, WithoutCheckedItemsTheGridShowsOneEmptyRow) {
    open({testMedia(QStringLiteral("picture.jpg"))});
    ASSERT_EQ(grid().rowCount(), 1);
    masterList.setChecked(0, false);
    window->TearDownGraph();
    window->RebuildPlayList();
    window->HideBuildProgress();
    EXPECT_EQ(window->MainList().count(), 0);
    EXPECT_EQ(grid().rowCount(), 1);
    EXPECT_TRUE(grid().CellIsEmpty(0, 0));
    EXPECT_TRUE(grid().CellIsEmpty(1, 0));
    EXPECT_TRUE(grid().CellIsEmpty(2, 0));
    EXPECT_EQ(grid().ColorRow(0), grid().palette().color(QPalette::Base));
    EXPECT_EQ(window->RenderRangeStop(), 0);
    // Nothing to build.
    window->StartAfterOpen();
    EXPECT_FALSE(window->fgMain.Active());
}

TEST_F(MainWindowBehaviour, ASecondActivationDoesNothing) {
    open({testMedia(QStringLiteral("picture.jpg"))});
    ASSERT_EQ(rescans, 1);
    QWidget other;
    other.show();
    other.activateWindow();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(window.get(), &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &activate);
    window->FormActivate();
    QCoreApplication::processEvents();
    EXPECT_EQ(rescans, 1);
    EXPECT_EQ(masterList.count(), 1);
    EXPECT_EQ(window->MainList().count(), 1);
}

TEST_F(MainWindowBehaviour, DropsReplaceOrAppendAndFoldersAreLeftOut) {
    open({testMedia(QStringLiteral("picture.jpg"))});
    const QString png = testMedia(QStringLiteral("picture.png"));
    const QString clip = testMedia(QStringLiteral("clip_h264_aac.mp4"));
    const QString folder = testsupport::testMediaDir();

    // "Replace": the two files take the place of the playlist.
    dropOnGrid({png, folder, clip});
    EXPECT_EQ(masterTexts(masterList), (QStringList{png, clip}));
    EXPECT_EQ(window->MainList().count(), 2);
    EXPECT_EQ(grid().rowCount(), 2);
    EXPECT_TRUE(window->fgMain.Active());

    // "Append to list".
    QTest::mouseClick(child<widgets::TRadioGroup>("rgOnDragDrop")->button(1), Qt::LeftButton);
    ASSERT_EQ(child<widgets::TRadioGroup>("rgOnDragDrop")->itemIndex(), 1);
    const QString bmp = testMedia(QStringLiteral("picture.bmp"));
    dropOnGrid({bmp});
    EXPECT_EQ(masterTexts(masterList), (QStringList{png, clip, bmp}));
    EXPECT_EQ(grid().rowCount(), 3);

    // Only a folder: nothing changes, and the graph stays.
    const auto graphBefore = window->fgMain.query<platform::IFilterGraph>();
    dropOnGrid({folder});
    EXPECT_EQ(masterTexts(masterList), (QStringList{png, clip, bmp}));
    EXPECT_EQ(window->MainList().count(), 3);
    EXPECT_EQ(window->fgMain.query<platform::IFilterGraph>(), graphBefore);
}

TEST_F(MainWindowBehaviour, AFailingHandlerIsReportedAndTheWindowStaysUsable) {
    open();
    showPlayListEditor = []() -> bool { throw std::runtime_error("The editor cannot open."); };
    ErrorBoxWatch watch;
    QTest::mouseClick(child<QPushButton>("buOpenList"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !watch.texts.isEmpty(); }));
    EXPECT_EQ(watch.texts, QStringList{QStringLiteral("The editor cannot open.")});
    EXPECT_TRUE(window->isVisible());

    // The window goes on working.
    dropOnGrid({testMedia(QStringLiteral("picture.jpg"))});
    EXPECT_EQ(window->MainList().count(), 1);
    EXPECT_TRUE(window->fgMain.Active());
}

TEST_F(MainWindowBehaviour, AnErrorLeavingAnEventIsReportedByTheApplication) {
    // Graph notifications arrive as queued calls; what escapes one reaches notify().
    open();
    ErrorBoxWatch watch;
    QMetaObject::invokeMethod(
        window.get(), [] { throw graph::EDirectShowException(platform::E_FAIL); },
        Qt::QueuedConnection);
    ASSERT_TRUE(waitUntil([&] { return !watch.texts.isEmpty(); }));
    EXPECT_EQ(watch.texts, QStringList{graph::directShowErrorMessage(platform::E_FAIL)});
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowBehaviour, TheDeviceChoiceLivesInTheVideoList) {
    // A stored choice is restored when the lists are filled.
    registry.writeString(QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain"),
                         QStringLiteral("cbAudioOut_ItemIndex"), QStringLiteral("0"));
    open();
    auto& video = *child<QComboBox>("cbVideoOut");
    auto& audio = *child<QComboBox>("cbAudioOut");
    ASSERT_EQ(video.count(), 2);
    EXPECT_EQ(video.currentIndex(), 0);
    EXPECT_EQ(audio.currentIndex(), 0);
    EXPECT_EQ(audio.itemText(1), QStringLiteral("Sink A"));
    EXPECT_EQ(created.value(QStringLiteral("Sink A")), 1); // watched in fgVOut

    // The user picks the second device: the sound entry follows it, the audio choice stays,
    // the choice is stored at once and the watch graph takes the new device.
    // (Down is the key of the Next command.)
    video.setFocus();
    QTest::keyClick(&video, Qt::Key_End);
    ASSERT_EQ(video.currentIndex(), 1);
    EXPECT_EQ(audio.itemText(1), QStringLiteral("Sink B"));
    EXPECT_EQ(audio.currentIndex(), 0);
    EXPECT_EQ(registry.readString(QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain"),
                                  QStringLiteral("cbVideoOut_ItemIndex")),
              QStringLiteral("1"));
    EXPECT_EQ(created.value(QStringLiteral("Sink B")), 1);

    // The next build uses the device the list shows.
    dropOnGrid({testMedia(QStringLiteral("picture.jpg"))});
    EXPECT_EQ(dvCamDevice(), QStringLiteral("Sink B"));
    EXPECT_FALSE(window->SettingsFromControls().build.audioWanted());
}

// Answers the open dialog the next time it shows: records its folder, then cancels or chooses
// `files` (names in the folder `folder`).
class OpenDialogAnswer {
public:
    OpenDialogAnswer(QFileDialog& dialog, const QString& folder, const QStringList& files) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, &dialog, folder, files] {
            if (!dialog.isVisible()) {
                return;
            }
            timer_.stop();
            shownFolder = dialog.directory().absolutePath();
            if (files.isEmpty()) {
                dialog.reject();
                return;
            }
            dialog.setDirectory(folder);
            QStringList names;
            for (const QString& file : files) {
                names << QLatin1Char('"') + file + QLatin1Char('"');
            }
            // What a user types: quoted names in the file name field.
            dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(names.join(QLatin1Char(' ')));
            QMetaObject::invokeMethod(&dialog, "accept");
            // A choice the dialog refused would leave it open for ever.
            if (dialog.isVisible()) {
                refused = true;
                dialog.reject();
            }
        });
        timer_.start();
    }

    QString shownFolder;
    bool refused = false;

private:
    QTimer timer_;
};

TEST_F(MainWindowBehaviour, TheOpenDialogReplacesThePlaylistAndRemembersTheFolder) {
    const QString start = path(QStringLiteral("start"));
    ASSERT_TRUE(QDir().mkpath(start));
    history.add(start);
    open({testMedia(QStringLiteral("picture.jpg"))});
    auto* dialog = child<QFileDialog>("OD");
    ASSERT_NE(dialog, nullptr);
    const QString png = testMedia(QStringLiteral("picture.png"));
    const QString bmp = testMedia(QStringLiteral("picture.bmp"));
    const QString list = writePlayList(QStringLiteral("two.plst"), {png, bmp});
    const QString clip = path(QStringLiteral("clip.mp4"));
    ASSERT_TRUE(QFile::copy(testMedia(QStringLiteral("clip_h264_aac.mp4")), clip));

    // Cancelled: nothing changes. The dialog starts in the most recent folder.
    {
        const OpenDialogAnswer cancel(*dialog, {}, {});
        QTest::mouseClick(child<QPushButton>("buOpenFile"), Qt::LeftButton);
        EXPECT_EQ(cancel.shownFolder, QDir(start).absolutePath());
    }
    EXPECT_EQ(masterList.count(), 1);
    EXPECT_EQ(editorStores, 0);

    // A playlist and a video: the playlist's items, then the video, in place of the old list;
    // the new folder is stored at once.
    {
        const OpenDialogAnswer choose(*dialog, tempDir.path(),
                                      {QStringLiteral("two.plst"), QStringLiteral("clip.mp4")});
        QTest::mouseClick(child<QPushButton>("buOpenFile"), Qt::LeftButton);
        ASSERT_FALSE(choose.refused);
    }
    EXPECT_EQ(masterTexts(masterList), (QStringList{png, bmp, clip}));
    EXPECT_EQ(window->MainList().count(), 3);
    ASSERT_EQ(history.count(), 2);
    EXPECT_EQ(history.entries().first(), QFileInfo(list).absolutePath());
    EXPECT_EQ(editorStores, 1);

    // The same folder again: the history is left as it is.
    {
        const OpenDialogAnswer again(*dialog, tempDir.path(), {QStringLiteral("clip.mp4")});
        QTest::mouseClick(child<QPushButton>("buOpenFile"), Qt::LeftButton);
    }
    EXPECT_EQ(masterTexts(masterList), QStringList{clip});
    EXPECT_EQ(history.count(), 2);
    EXPECT_EQ(editorStores, 1);
}

TEST_F(MainWindowBehaviour, ClosingStopsTheOutput) {
    open({testMedia(QStringLiteral("picture.jpg"))}, 0);
    ASSERT_TRUE(window->fgMain.Active());
    EXPECT_TRUE(child<QAction>("buPlayNoSh")->isChecked());
    bool closed = false;
    QObject::connect(window.get(), &app::TfmMain::closed, [&] { closed = true; });
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window->fgMain.Active());
}

TEST_F(MainWindowBehaviour, TerminationSignalsCloseTheWindowLikeItsCloseButton) {
    open({testMedia(QStringLiteral("picture.jpg"))});
    app::TTerminationSignals termination;
    ASSERT_TRUE(termination.isInstalled());
    QObject::connect(&termination, &app::TTerminationSignals::terminationRequested, window.get(),
                     [this] { window->close(); });
    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_FALSE(window->fgMain.Active());
}

TEST_F(MainWindowBehaviour, OptionPagesFollowTheSelector) {
    open();
    auto& selector = *child<QListWidget>("lbOptions");
    auto& pages = *child<QStackedWidget>("pcOptions");
    EXPECT_TRUE(pages.isHidden());
    selector.setCurrentRow(4);
    EXPECT_FALSE(pages.isHidden());
    EXPECT_EQ(pages.currentWidget(), child<QWidget>("tsAdvOptions"));

    // "Files loading" is open exactly while everything is recompressed.
    auto& recompress = *child<widgets::TRadioGroup>("rgRecompressMode");
    auto& loading = *child<widgets::TRadioGroup>("rgFilesLoadMode");
    EXPECT_TRUE(loading.isEnabled());
    recompress.setItemIndex(1);
    EXPECT_FALSE(loading.isEnabled());
    recompress.setItemIndex(0);
    EXPECT_TRUE(loading.isEnabled());
}

} // namespace
