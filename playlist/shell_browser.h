#pragma once

#include <QStackedWidget>
#include <QTreeView>

class QAbstractItemView;
class QFileSystemModel;
class QListView;
class QMimeData;

namespace playlist {

// The folder tree of the editor's browser: folders only, starting at the file system's root,
// so that the home folder and every mounted disk are reachable. A right click selects, as a
// left click does.
class TShellTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit TShellTreeView(QWidget* parent = nullptr);

    // The current folder, or empty when none is selected.
    QString Path() const;
    // Makes folder the current one, opening its parents and scrolling to it.
    void setPath(const QString& folder);

    QFileSystemModel* fileSystemModel() const { return model_; }

signals:
    void pathChanged(const QString& folder);

private:
    QFileSystemModel* model_;
    // The folder last chosen with setPath, kept in view while its parents are being read.
    QPersistentModelIndex pendingPath_;
};

// The file list of the editor's browser: the files (no folders) of one folder, sorted, several
// selectable, shown in one of four view styles, draggable. "Details" shows a table with size,
// type and date; the other styles share one list view.
class TShellListView : public QStackedWidget {
    Q_OBJECT
    // A property, so that the settings store keeps it by the names of its values.
    Q_PROPERTY(TViewStyle ViewStyle READ ViewStyle WRITE setViewStyle)

public:
    enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
    Q_ENUM(TViewStyle)

    explicit TShellListView(QWidget* parent = nullptr);

    TViewStyle ViewStyle() const { return viewStyle_; }
    void setViewStyle(TViewStyle style);

    QString Folder() const { return folder_; }
    void setFolder(const QString& folder);

    // The view of the current style, and both views (for key and mouse handling).
    QAbstractItemView* CurrentView() const;
    QListView* listView() const { return list_; }
    QTreeView* detailsView() const { return details_; }
    QFileSystemModel* fileSystemModel() const { return model_; }

    // Entries of the folder shown so far (the folder is read in the background).
    int ItemCount() const;
    int SelectedCount() const;
    // Full paths of the selected entries, in list order.
    QStringList SelectedPaths() const;
    // Whether the first selected entry is a folder.
    bool FirstSelectedIsFolder() const;
    void SelectAll();

    // The data of a drag of the selection: the files as URLs, and a mark of this list.
    QMimeData* SelectionMimeData() const;
    // Whether mime was made by SelectionMimeData of this list in this process.
    bool IsDragFromHere(const QMimeData* mime) const;

signals:
    void ItemDoubleClicked();
    void DragStarted();

private:
    template <typename View> class DragSource;

    void startDragFrom(QAbstractItemView& view);
    QByteArray dragMark() const;
    QList<int> selectedRows() const;

    QFileSystemModel* model_;
    QListView* list_;
    QTreeView* details_;
    TViewStyle viewStyle_ = TViewStyle::vsList;
    QString folder_;
};

// View styles of the file list.
using TViewStyle = TShellListView::TViewStyle;

} // namespace playlist
