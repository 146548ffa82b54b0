#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

namespace widgets {

// A framed group of radio buttons, one per item, of which at most one is chosen. The chosen
// item is the itemIndex property (-1: none). itemIndexChanged follows every change of the
// index, whether the user clicked or a program set it; itemClicked only a user's choice.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged USER true)

public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    explicit TRadioGroup(const QString& title, QWidget* parent = nullptr);

    QStringList items() const { return items_; }
    // Replaces the buttons. The index is kept when it names one of the new items (so it may be
    // set before the items exist, as a form does); otherwise it becomes -1.
    void setItems(const QStringList& items);
    int count() const { return static_cast<int>(items_.size()); }

    int itemIndex() const { return itemIndex_; }
    // Chooses item `index` (-1 or any index outside the items: none) and raises
    // itemIndexChanged when the index changes.
    void setItemIndex(int index);
    // The same without raising anything.
    void setItemIndexQuietly(int index);

    // The button of item `index`; null outside the items.
    QRadioButton* button(int index) const;

signals:
    void itemIndexChanged(int index);
    void itemClicked(int index);

private:
    void buttonToggled(int id, bool checked);
    void showIndex();

    QStringList items_;
    int itemIndex_ = -1;
    bool settingIndex_ = false;
    QButtonGroup* buttons_;
    QVBoxLayout* layout_;
};

} // namespace widgets
