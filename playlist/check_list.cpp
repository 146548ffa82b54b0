#include "playlist/check_list.h"

#include <stdexcept>

namespace playlist {

CheckList::CheckList(QObject* parent) : QAbstractListModel(parent) {}

CheckList::~CheckList() = default;

void CheckList::setText(int index, const QString& text) {
    if (item(index).text != text) {
        item(index).text = text;
        changed(index, Qt::DisplayRole);
    }
}

void CheckList::setChecked(int index, bool checked) {
    if (item(index).checked != checked) {
        item(index).checked = checked;
        changed(index, Qt::CheckStateRole);
    }
}

void CheckList::setSelected(int index, bool selected) {
    if (item(index).selected != selected) {
        item(index).selected = selected;
        changed(index, SelectedRole);
    }
}

int CheckList::selectedCount() const {
    int selectedItems = 0;
    for (const Item& each : items_) {
        selectedItems += each.selected ? 1 : 0;
    }
    return selectedItems;
}

void CheckList::setFileInfo(int index, std::unique_ptr<render::TFileInfo> fileInfo) {
    const bool hadRecord = item(index).fileInfo != nullptr;
    item(index).fileInfo = std::move(fileInfo);
    if (hadRecord || item(index).fileInfo != nullptr) {
        changed(index, HasFileInfoRole);
    }
}

std::unique_ptr<render::TFileInfo> CheckList::takeFileInfo(int index) {
    std::unique_ptr<render::TFileInfo> taken = std::move(item(index).fileInfo);
    if (taken != nullptr) {
        changed(index, HasFileInfoRole);
    }
    return taken;
}

int CheckList::add(const QString& text, bool checked) {
    const int index = count();
    insert(index, text, checked);
    return index;
}

void CheckList::insert(int index, const QString& text, bool checked) {
    if (index < 0 || index > count()) {
        throw std::out_of_range("CheckList::insert: index out of range");
    }
    beginInsertRows(QModelIndex(), index, index);
    items_.insert(items_.begin() + index, Item{text, checked, false, nullptr});
    endInsertRows();
}

void CheckList::remove(int index, int rowCount) {
    if (rowCount <= 0) {
        return;
    }
    if (index < 0 || index + rowCount > count()) {
        throw std::out_of_range("CheckList::remove: index out of range");
    }
    beginRemoveRows(QModelIndex(), index, index + rowCount - 1);
    items_.erase(items_.begin() + index, items_.begin() + index + rowCount);
    endRemoveRows();
}

void CheckList::move(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count()) {
        throw std::out_of_range("CheckList::move: index out of range");
    }
    if (from == to) {
        return;
    }
    // The model's destination is the row before which the item goes, counted before the move.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    Item moved = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(moved));
    endMoveRows();
}

void CheckList::clear() {
    if (items_.empty()) {
        return;
    }
    beginResetModel();
    items_.clear();
    endResetModel();
}

int CheckList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant CheckList::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Item& entry = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.text;
    case Qt::CheckStateRole:
        return static_cast<int>(entry.checked ? Qt::Checked : Qt::Unchecked);
    case SelectedRole:
        return entry.selected;
    case HasFileInfoRole:
        return entry.fileInfo != nullptr;
    default:
        return {};
    }
}

bool CheckList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    switch (role) {
    case Qt::CheckStateRole:
        setChecked(index.row(), value.toInt() != Qt::Unchecked);
        return true;
    case SelectedRole:
        setSelected(index.row(), value.toBool());
        return true;
    default:
        return false;
    }
}

Qt::ItemFlags CheckList::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

QHash<int, QByteArray> CheckList::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(SelectedRole, "selected");
    names.insert(HasFileInfoRole, "hasFileInfo");
    return names;
}

void CheckList::changed(int index, int role) {
    const QModelIndex modelIndex = this->index(index);
    emit dataChanged(modelIndex, modelIndex, {role});
}

} // namespace playlist
