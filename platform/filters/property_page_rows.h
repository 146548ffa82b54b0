#pragma once

#include <QFormLayout>
#include <QLabel>

namespace platform {

// Adds a read-only, selectable text row to a property page's form and returns its label.
inline QLabel* addPropertyPageRow(QFormLayout* layout, const QString& caption,
                                  const QString& objectName) {
    auto* label = new QLabel(layout->parentWidget());
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    layout->addRow(caption, label);
    return label;
}

} // namespace platform
