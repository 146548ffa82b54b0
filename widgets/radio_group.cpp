#include "widgets/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace widgets {

TRadioGroup::TRadioGroup(QWidget* parent) : TRadioGroup(QString(), parent) {}

TRadioGroup::TRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)), layout_(new QVBoxLayout(this)) {
    buttons_->setExclusive(true);
    connect(buttons_, &QButtonGroup::idToggled, this, &TRadioGroup::buttonToggled);
}

void TRadioGroup::setItems(const QStringList& items) {
    settingIndex_ = true;
    for (QAbstractButton* old : buttons_->buttons()) {
        buttons_->removeButton(old);
        delete old;
    }
    items_ = items;
    for (int i = 0; i < items_.size(); ++i) {
        auto* radio = new QRadioButton(items_.at(i), this);
        radio->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
        buttons_->addButton(radio, i);
        layout_->addWidget(radio);
    }
    settingIndex_ = false;
    if (itemIndex_ >= count()) {
        itemIndex_ = -1;
    }
    showIndex();
}

void TRadioGroup::setItemIndex(int index) {
    const int previous = itemIndex_;
    setItemIndexQuietly(index);
    if (itemIndex_ != previous) {
        emit itemIndexChanged(itemIndex_);
    }
}

void TRadioGroup::setItemIndexQuietly(int index) {
    // Before the items exist the index is remembered as given (a form sets it first).
    if (index < 0 || (!items_.isEmpty() && index >= count())) {
        index = -1;
    }
    itemIndex_ = index;
    showIndex();
}

QRadioButton* TRadioGroup::button(int index) const {
    return qobject_cast<QRadioButton*>(buttons_->button(index));
}

void TRadioGroup::showIndex() {
    settingIndex_ = true;
    // An exclusive group cannot take back its last check, so none is shown non-exclusively.
    buttons_->setExclusive(false);
    for (QAbstractButton* radio : buttons_->buttons()) {
        radio->setChecked(buttons_->id(radio) == itemIndex_);
    }
    buttons_->setExclusive(true);
    settingIndex_ = false;
}

void TRadioGroup::buttonToggled(int id, bool checked) {
    if (settingIndex_ || !checked || id == itemIndex_) {
        return;
    }
    itemIndex_ = id;
    emit itemIndexChanged(itemIndex_);
    emit itemClicked(itemIndex_);
}

} // namespace widgets
