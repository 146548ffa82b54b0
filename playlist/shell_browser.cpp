#include "playlist/shell_browser.h"

#include <QCoreApplication>
#include <QDrag>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace playlist {

namespace {

// Marks drags of a file list, so that the playlist can tell them from drops of the desktop.
const QString kDragMarkFormat = QStringLiteral("application/x-quintape-file-list");

void makeDragSource(QAbstractItemView& view) {
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setContextMenuPolicy(Qt::NoContextMenu);
    view.setDragEnabled(true);
    view.setDragDropMode(QAbstractItemView::DragOnly);
    view.viewport()->setAcceptDrops(false);
}

} // namespace

TShellTreeView::TShellTreeView(QWidget* parent)
    : QTreeView(parent), model_(new QFileSystemModel(this)) {
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) {
        hideColumn(column);
    }
    setHeaderHidden(true);
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    setUniformRowHeights(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                emit pathChanged(current.isValid() ? model_->filePath(current) : QString());
            });
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (pendingPath_.isValid() && pendingPath_ == currentIndex()) {
            scrollTo(pendingPath_, QAbstractItemView::PositionAtCenter);
        } else {
            pendingPath_ = QPersistentModelIndex();
        }
    });
}

QString TShellTreeView::Path() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_->filePath(current) : QString();
}

void TShellTreeView::setPath(const QString& folder) {
    const QModelIndex index = model_->index(folder);
    if (!index.isValid()) {
        return;
    }
    setCurrentIndex(index);
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        expand(parent);
    }
    scrollTo(index);
    // The parents' folders are read in the background; scroll again once they are listed.
    pendingPath_ = index;
}

// A view of the file list whose drags carry the list's selection.
template <typename View> class TShellListView::DragSource : public View {
public:
    explicit DragSource(TShellListView& owner) : View(&owner), owner_(owner) {}

protected:
    void startDrag(Qt::DropActions) override { owner_.startDragFrom(*this); }

private:
    TShellListView& owner_;
};

TShellListView::TShellListView(QWidget* parent)
    : QStackedWidget(parent), model_(new QFileSystemModel(this)),
      list_(new DragSource<QListView>(*this)), details_(new DragSource<QTreeView>(*this)) {
    model_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    list_->setModel(model_);
    details_->setModel(model_);
    details_->setSelectionModel(list_->selectionModel());
    makeDragSource(*list_);
    makeDragSource(*details_);
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setUniformRowHeights(true);
    details_->setSortingEnabled(true);
    details_->sortByColumn(0, Qt::AscendingOrder);
    details_->header()->setStretchLastSection(false);
    details_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->setResizeMode(QListView::Adjust);
    addWidget(list_);
    addWidget(details_);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(list_), static_cast<QAbstractItemView*>(details_)}) {
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (index.isValid()) {
                emit ItemDoubleClicked();
            }
        });
    }
    setViewStyle(TViewStyle::vsList);
}

void TShellListView::setViewStyle(TViewStyle style) {
    viewStyle_ = style;
    if (style == TViewStyle::vsReport) {
        setCurrentWidget(details_);
        return;
    }
    const bool icons = style == TViewStyle::vsIcon;
    list_->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    // Icon mode makes items movable and the view a drop target; the list only gives files away.
    list_->setMovement(QListView::Static);
    list_->setDragEnabled(true);
    list_->viewport()->setAcceptDrops(false);
    list_->setFlow(style == TViewStyle::vsList ? QListView::TopToBottom : QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setWordWrap(icons);
    const int iconSide = icons ? 32 : 16;
    list_->setIconSize(QSize(iconSide, iconSide));
    list_->setGridSize(icons ? QSize(iconSide * 3, iconSide * 2 + fontMetrics().height() * 2)
                             : QSize());
    list_->setSpacing(icons ? 0 : 1);
    setCurrentWidget(list_);
}

void TShellListView::setFolder(const QString& folder) {
    folder_ = folder;
    list_->selectionModel()->clear();
    const QModelIndex root = model_->setRootPath(folder);
    list_->setRootIndex(root);
    details_->setRootIndex(root);
}

QAbstractItemView* TShellListView::CurrentView() const {
    return viewStyle_ == TViewStyle::vsReport ? static_cast<QAbstractItemView*>(details_)
                                              : static_cast<QAbstractItemView*>(list_);
}

int TShellListView::ItemCount() const {
    return folder_.isEmpty() ? 0 : model_->rowCount(list_->rootIndex());
}

QList<int> TShellListView::selectedRows() const {
    QList<int> rows;
    const QModelIndex root = list_->rootIndex();
    const QModelIndexList indexes = list_->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : indexes) {
        if (index.column() == 0 && index.parent() == root) {
            rows.append(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TShellListView::SelectedCount() const {
    return static_cast<int>(selectedRows().size());
}

QStringList TShellListView::SelectedPaths() const {
    QStringList paths;
    const QModelIndex root = list_->rootIndex();
    for (const int row : selectedRows()) {
        paths.append(model_->filePath(model_->index(row, 0, root)));
    }
    return paths;
}

bool TShellListView::FirstSelectedIsFolder() const {
    const QList<int> rows = selectedRows();
    return !rows.isEmpty() && model_->isDir(model_->index(rows.first(), 0, list_->rootIndex()));
}

void TShellListView::SelectAll() {
    CurrentView()->selectAll();
}

QByteArray TShellListView::dragMark() const {
    return QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
           QByteArray::number(reinterpret_cast<quintptr>(this));
}

QMimeData* TShellListView::SelectionMimeData() const {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    const QStringList paths = SelectedPaths();
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    mime->setUrls(urls);
    mime->setData(kDragMarkFormat, dragMark());
    return mime;
}

bool TShellListView::IsDragFromHere(const QMimeData* mime) const {
    return mime != nullptr && mime->hasFormat(kDragMarkFormat) &&
           mime->data(kDragMarkFormat) == dragMark();
}

void TShellListView::startDragFrom(QAbstractItemView& view) {
    const QStringList paths = SelectedPaths();
    if (paths.isEmpty()) {
        return;
    }
    emit DragStarted();
    auto* drag = new QDrag(&view);
    drag->setMimeData(SelectionMimeData());
    const QIcon icon = model_->fileIcon(model_->index(paths.first()));
    drag->setPixmap(icon.pixmap(view.iconSize().isValid() ? view.iconSize() : QSize(16, 16)));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

} // namespace playlist
