#pragma once

#include "render/file_info.h"

#include <QAbstractListModel>
#include <QString>

#include <memory>
#include <vector>

namespace playlist {

// An ordered list of items, each with a text (a media file path), a check mark (checked items
// are played), a selection state and a slot that owns the item's cached media record once the
// item has been probed. A Qt list model, so that views can show and edit it; every change goes
// through the model's signals. Used on the user-interface thread only.
class CheckList : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        SelectedRole = Qt::UserRole + 1, // bool, editable
        HasFileInfoRole,                 // bool, read-only
    };

    explicit CheckList(QObject* parent = nullptr);
    ~CheckList() override;

    int count() const { return static_cast<int>(items_.size()); }
    bool isEmpty() const { return items_.empty(); }

    QString text(int index) const { return item(index).text; }
    void setText(int index, const QString& text);
    bool checked(int index) const { return item(index).checked; }
    void setChecked(int index, bool checked);
    bool selected(int index) const { return item(index).selected; }
    void setSelected(int index, bool selected);
    int selectedCount() const;

    // The cached record, owned by the list; null while the item has none.
    render::TFileInfo* fileInfo(int index) const { return item(index).fileInfo.get(); }
    // Replaces the cached record (the previous one is freed); null empties the slot.
    void setFileInfo(int index, std::unique_ptr<render::TFileInfo> fileInfo);
    // Hands the cached record to the caller and empties the slot.
    std::unique_ptr<render::TFileInfo> takeFileInfo(int index);

    // Appends an item; returns its index.
    int add(const QString& text, bool checked = true);
    // Inserts an item before index (0 <= index <= count()).
    void insert(int index, const QString& text, bool checked = true);
    // Removes rows [index, index + rowCount) with their cached records.
    void remove(int index, int rowCount = 1);
    // Moves the item at from so that it ends up at index to.
    void move(int from, int to);
    // Removes every item with its cached record.
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    struct Item {
        QString text;
        bool checked = true;
        bool selected = false;
        std::unique_ptr<render::TFileInfo> fileInfo;
    };

    const Item& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    Item& item(int index) { return items_.at(static_cast<std::size_t>(index)); }
    void changed(int index, int role);

    std::vector<Item> items_;
};

} // namespace playlist
