#include "playlist/check_list_box.h"

#include "playlist/check_list.h"

#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace playlist {

namespace {

// Reports a check box toggled by the user: the default delegate does the toggling.
class CheckClickDelegate : public QStyledItemDelegate {
public:
    explicit CheckClickDelegate(TCheckListBox& view) : QStyledItemDelegate(&view), view_(view) {}

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        const QVariant before = index.data(Qt::CheckStateRole);
        const bool handled = QStyledItemDelegate::editorEvent(event, model, option, index);
        if (handled && index.isValid() && index.data(Qt::CheckStateRole) != before) {
            emit view_.ClickCheck(index.row());
        }
        return handled;
    }

private:
    TCheckListBox& view_;
};

} // namespace

TCheckListBox::TCheckListBox(QWidget* parent) : QListView(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new CheckClickDelegate(*this));
}

void TCheckListBox::setCheckList(CheckList* list) {
    if (list_ != nullptr) {
        disconnect(list_, nullptr, this, nullptr);
    }
    list_ = list;
    setModel(list);
    if (list == nullptr) {
        return;
    }
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TCheckListBox::copySelectionToList);
    connect(list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) {
                if (roles.isEmpty() || roles.contains(CheckList::SelectedRole)) {
                    copySelectionFromList(topLeft.row(), bottomRight.row());
                }
            });
    connect(list, &QAbstractItemModel::modelReset, this, [this] {
        setInsertionMark(-1);
        copySelectionFromList(0, list_->count() - 1);
    });
    copySelectionFromList(0, list->count() - 1);
}

int TCheckListBox::ItemHeight() const {
    if (list_ != nullptr && list_->count() > 0) {
        return visualRect(model()->index(0, 0)).height();
    }
    return sizeHintForRow(0) > 0 ? sizeHintForRow(0) : fontMetrics().height();
}

int TCheckListBox::ItemIndex() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TCheckListBox::setItemIndex(int row) {
    if (list_ == nullptr || row < 0 || row >= list_->count()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
}

void TCheckListBox::copySelectionToList(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
    if (syncing_ || list_ == nullptr) {
        return;
    }
    const QScopedValueRollback guard(syncing_, true);
    for (const QModelIndex& index : deselected.indexes()) {
        list_->setSelected(index.row(), false);
    }
    for (const QModelIndex& index : selected.indexes()) {
        list_->setSelected(index.row(), true);
    }
}

void TCheckListBox::copySelectionFromList(int first, int last) {
    if (syncing_ || list_ == nullptr || first > last) {
        return;
    }
    const QScopedValueRollback guard(syncing_, true);
    QItemSelection select;
    QItemSelection deselect;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0);
        (list_->selected(row) ? select : deselect).select(index, index);
    }
    selectionModel()->select(deselect, QItemSelectionModel::Deselect);
    selectionModel()->select(select, QItemSelectionModel::Select);
}

int TCheckListBox::insertionMarkY(int index) const {
    const int count = list_ != nullptr ? list_->count() : 0;
    if (index < count) {
        return visualRect(model()->index(index, 0)).top();
    }
    if (count == 0) {
        return 0;
    }
    return visualRect(model()->index(count - 1, 0)).bottom() + 1;
}

void TCheckListBox::setInsertionMark(int index) {
    if (index == insertionMark_) {
        return;
    }
    updateMarkArea(insertionMark_);
    insertionMark_ = index;
    updateMarkArea(insertionMark_);
}

void TCheckListBox::updateMarkArea(int index) {
    if (index < 0) {
        return;
    }
    const int y = insertionMarkY(index);
    viewport()->update(QRect(0, y - 2, viewport()->width(), 4));
}

void TCheckListBox::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (insertionMark_ < 0) {
        return;
    }
    QPainter painter(viewport());
    // White combined by exclusive or inverts what lies below, so the line shows on any row.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 2));
    const int y = insertionMarkY(insertionMark_);
    painter.drawLine(0, y, viewport()->width(), y);
}

} // namespace playlist
