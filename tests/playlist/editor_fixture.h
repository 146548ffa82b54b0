#pragma once

#include "platform/system/registry.h"
#include "playlist/check_list_box.h"
#include "playlist/play_list_window.h"
#include "playlist/shell_browser.h"
#include "tests/support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QListView>
#include <QMimeData>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace editortest {

constexpr render::REFERENCE_TIME kSecond = 10'000'000;
constexpr int kTimeout_ms = 20000;

// A probe for the length calculation: "/<n>.avi" lasts n seconds, anything else cannot be
// played; gated paths wait until opened.
class GatedProbe {
public:
    std::unique_ptr<render::TFileInfo> operator()(const QString& path) {
        std::unique_lock lock(mutex_);
        ++inside_;
        changed_.notify_all();
        changed_.wait(lock, [this, &path] { return !gated_.contains(path); });
        --inside_;
        auto info = std::make_unique<render::TFileInfo>();
        bool isNumber = false;
        const qint64 seconds = QFileInfo(path).completeBaseName().toLongLong(&isNumber);
        info->Kind = isNumber ? render::fkMedia : render::fkCantPlay;
        info->Duration = isNumber ? seconds * kSecond : 0;
        return info;
    }
    void gate(const QString& path) {
        const std::lock_guard lock(mutex_);
        gated_.insert(path);
    }
    void openAll() {
        {
            const std::lock_guard lock(mutex_);
            gated_.clear();
        }
        changed_.notify_all();
    }
    bool waitUntilInside(int count) {
        return QTest::qWaitFor(
            [this, count] {
                const std::lock_guard lock(mutex_);
                return inside_ >= count;
            },
            kTimeout_ms);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<QString> gated_;
    int inside_ = 0;
};

// The editor window, shown, with a registry in a temporary folder.
class EditorTest : public testsupport::TempDirTest {
protected:
    GatedProbe probe;
    std::unique_ptr<platform::Registry> registry;
    std::unique_ptr<playlist::TfmPlayList> editor;

    void SetUp() override {
        registry = std::make_unique<platform::Registry>(path("registry.ini"));
        editor = std::make_unique<playlist::TfmPlayList>(*registry);
        editor->CalcLen().setProbe(
            [this](const QString& file, const render::ProbeSettings&) { return probe(file); });
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    }

    void TearDown() override {
        probe.openAll();
        editor.reset();
    }

    template <typename T = QWidget> T& child(const char* name) const {
        T* found = editor->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) {
            throw std::runtime_error(std::string("no child ") + name);
        }
        return *found;
    }

    playlist::CheckList& items() { return editor->MasterList(); }
    playlist::TCheckListBox& listBox() const {
        return child<playlist::TCheckListBox>("lbPlayList");
    }
    QWidget* viewport() const { return listBox().viewport(); }
    playlist::TShellListView& fileList() const {
        return child<playlist::TShellListView>("ShellListView");
    }
    playlist::TShellTreeView& folderTree() const {
        return child<playlist::TShellTreeView>("ShellTreeView");
    }

    void addItems(const QStringList& texts) {
        for (const QString& text : texts) {
            items().add(text);
        }
    }

    // The list as text: items in order, selected ones in brackets.
    QString state() {
        QStringList parts;
        for (int i = 0; i < items().count(); ++i) {
            parts.append(items().selected(i) ? "[" + items().text(i) + "]" : items().text(i));
        }
        return parts.join(' ');
    }

    // The rows selected in the view, which must equal the list's selection.
    QList<int> viewSelection() const {
        QList<int> rows;
        for (const QModelIndex& index : listBox().selectionModel()->selectedIndexes()) {
            rows.append(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    QList<int> listSelection() {
        QList<int> rows;
        for (int i = 0; i < items().count(); ++i) {
            if (items().selected(i)) {
                rows.append(i);
            }
        }
        return rows;
    }

    // A point in row at fraction of its height, in the middle of its text.
    QPoint rowPoint(int row, double fraction = 0.5) const {
        const QRect rect = listBox().visualRect(listBox().model()->index(row, 0));
        return QPoint(rect.center().x(), rect.top() + static_cast<int>(rect.height() * fraction));
    }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(viewport(), Qt::LeftButton, modifiers, rowPoint(row));
    }

    void rightDrag(QPoint from, QPoint to) {
        QTest::mousePress(viewport(), Qt::RightButton, Qt::NoModifier, from);
        QTest::mouseMove(viewport(), to);
        QTest::mouseRelease(viewport(), Qt::RightButton, Qt::NoModifier, to);
    }

    // Clicks the toolbar button of an action.
    void clickTool(const char* actionName) {
        auto& action = child<QAction>(actionName);
        for (QToolBar* toolBar : editor->ToolBars()) {
            if (QWidget* button = toolBar->widgetForAction(&action)) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no button for " << actionName;
    }

    QString makeFile(const QString& name, const QByteArray& bytes = QByteArray()) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // Sends the drag-enter and drop that a drag with data makes at `at` of target. Gives
    // whether the drop was taken.
    static bool dropOn(QWidget* target, QMimeData& data, QPoint at) {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    // A drop of files from the desktop.
    static bool dropFiles(QWidget* target, const QStringList& paths, QPoint at) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : paths) {
            urls.append(QUrl::fromLocalFile(file));
        }
        data.setUrls(urls);
        return dropOn(target, data, at);
    }

    // Shows folder in the browser and waits until its files are listed, sorted and laid out.
    bool browse(const QString& folder, int fileCount) {
        editor->MRUListClick(folder);
        if (!QTest::qWaitFor([&] { return fileList().ItemCount() == fileCount; }, kTimeout_ms)) {
            return false;
        }
        QApplication::processEvents();
        fileList().CurrentView()->doItemsLayout();
        return true;
    }

    bool waitForCalculationsToEnd() {
        return QTest::qWaitFor([this] { return editor->CalcLen().ThreadCount() == 0; },
                               kTimeout_ms);
    }
};

} // namespace editortest
