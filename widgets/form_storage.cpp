#include "widgets/form_storage.h"

#include "platform/system/registry.h"
#include "widgets/stored_value_text.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <limits>
#include <optional>
#include <stdexcept>

namespace widgets {

namespace {

const QString kFormVersionName = QStringLiteral("FormVersion");
const QString kFlags = QStringLiteral("Flags");
const QString kShowCmd = QStringLiteral("ShowCmd");
const QString kPixelsPerInch = QStringLiteral("PixelsPerInch");
const QString kMinMaxPos = QStringLiteral("MinMaxPos");
const QString kNormPos = QStringLiteral("NormPos");
const QString kVisible = QStringLiteral("Visible");
const QString kCount = QStringLiteral("Count");

// Window placement codes as they are stored.
constexpr int kRestoreToMaximized = 2;
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

enum class Encoding { None, Integer, Boolean, Float, String, Enumeration };

bool isIntegerType(int typeId) {
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// How one property of one control is read, written and encoded.
struct PropertyAccess {
    QMetaProperty meta; // invalid for a dynamic property
    Encoding encoding = Encoding::None;

    static PropertyAccess of(const QObject& control, const QByteArray& qtProperty) {
        PropertyAccess access;
        const int index = control.metaObject()->indexOfProperty(qtProperty.constData());
        int typeId = QMetaType::UnknownType;
        if (index >= 0) {
            access.meta = control.metaObject()->property(index);
            if (!access.meta.isWritable()) {
                return access;
            }
            if (access.meta.isEnumType() && !access.meta.isFlagType()) {
                access.encoding = Encoding::Enumeration;
                return access;
            }
            typeId = access.meta.metaType().id();
        } else {
            typeId = control.property(qtProperty.constData()).metaType().id();
        }
        if (isIntegerType(typeId)) {
            access.encoding = Encoding::Integer;
        } else if (typeId == QMetaType::Bool) {
            access.encoding = Encoding::Boolean;
        } else if (typeId == QMetaType::Double || typeId == QMetaType::Float) {
            access.encoding = Encoding::Float;
        } else if (typeId == QMetaType::QString) {
            access.encoding = Encoding::String;
        }
        return access;
    }

    QString encode(const QVariant& value) const {
        switch (encoding) {
        case Encoding::Integer:
            return stored_text::fromInteger(value.toLongLong());
        case Encoding::Boolean:
            return stored_text::fromBoolean(value.toBool());
        case Encoding::Float:
            return stored_text::fromFloat(value.toDouble());
        case Encoding::Enumeration:
            return QString::fromLatin1(meta.enumerator().valueToKey(value.toInt()));
        case Encoding::String:
        case Encoding::None:
            break;
        }
        return value.toString();
    }

    // The value for text, of the type of current; nullopt when the text does not convert.
    std::optional<QVariant> decode(const QString& text, const QVariant& current) const {
        switch (encoding) {
        case Encoding::Integer: {
            const auto number = stored_text::toInteger(text);
            if (!number) {
                return std::nullopt;
            }
            QVariant value = QVariant::fromValue(*number);
            // A number the property's type cannot hold is refused rather than truncated.
            if (!value.convert(current.metaType()) || value.toLongLong() != *number) {
                return std::nullopt;
            }
            return value;
        }
        case Encoding::Boolean:
            if (const auto flag = stored_text::toBoolean(text)) {
                return QVariant(*flag);
            }
            return std::nullopt;
        case Encoding::Float: {
            const auto number = stored_text::toFloat(text);
            if (!number) {
                return std::nullopt;
            }
            QVariant value(*number);
            value.convert(current.metaType());
            return value;
        }
        case Encoding::Enumeration: {
            bool ok = false;
            const int value =
                meta.enumerator().keyToValue(text.trimmed().toLatin1().constData(), &ok);
            if (!ok) {
                return std::nullopt;
            }
            return QVariant(value);
        }
        case Encoding::String:
            return QVariant(text.trimmed());
        case Encoding::None:
            break;
        }
        return std::nullopt;
    }
};

QByteArray qtPropertyFor(const QObject& control, const QString& name) {
    if (name == QLatin1String("Checked")) {
        return "checked";
    }
    if (name == QLatin1String("Value") || name == QLatin1String("Position")) {
        return "value";
    }
    if (name == QLatin1String("ItemIndex")) {
        if (qobject_cast<const QComboBox*>(&control) != nullptr) {
            return "currentIndex";
        }
        if (qobject_cast<const QListWidget*>(&control) != nullptr) {
            return "currentRow";
        }
        return "itemIndex";
    }
    if (name == QLatin1String("ShortCut")) {
        return "ShortCut";
    }
    QString lower = name;
    if (!lower.isEmpty()) {
        lower[0] = lower[0].toLower();
    }
    return lower.toLatin1();
}

// The window's rectangle in the normal (not minimised or maximised) state.
QRect normalRect(const QWidget& window) {
    if (window.isMaximized() || window.isFullScreen()) {
        const QRect normal = window.normalGeometry();
        if (normal.isValid()) {
            return normal;
        }
    }
    return window.geometry();
}

QString rectText(int a, int b, int c, int d) {
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

bool onSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(rect)) {
            return true;
        }
    }
    return false;
}

std::optional<int> toInt(const QString& text) {
    const auto number = stored_text::toInteger(text);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

} // namespace

FormStorage::FormStorage(platform::Registry& registry, QWidget& window, const QString& baseKey,
                         const QString& windowClassName)
    : registry_(registry), window_(window), baseKey_(baseKey), windowClassName_(windowClassName) {
    if (windowClassName_.isEmpty()) {
        windowClassName_ = QString::fromLatin1(window.metaObject()->className());
        windowClassName_ = windowClassName_.mid(windowClassName_.lastIndexOf(QLatin1Char(':')) + 1);
    }
    key_ = baseKey_ + QLatin1Char('\\') + windowClassName_;
}

void FormStorage::addProperty(QObject* control, const QString& name, const char* qtProperty) {
    if (control == nullptr || control->objectName().isEmpty()) {
        throw std::invalid_argument("A stored property needs a control with an object name");
    }
    const QString valueName = control->objectName() + QLatin1Char('_') + name;
    if (PropertyAccess::of(*control, qtProperty).encoding == Encoding::None) {
        throw std::invalid_argument(QStringLiteral("%1 has no property %2 that can be stored")
                                        .arg(valueName, QString::fromLatin1(qtProperty))
                                        .toStdString());
    }
    properties_.append({control, valueName, QByteArray(qtProperty)});
}

void FormStorage::addProperty(QObject* control, const QString& name) {
    if (control == nullptr) {
        throw std::invalid_argument("A stored property needs a control");
    }
    addProperty(control, name, qtPropertyFor(*control, name).constData());
}

void FormStorage::addProperties(const QStringList& valueNames) {
    for (const QString& valueName : valueNames) {
        const qsizetype separator = valueName.lastIndexOf(QLatin1Char('_'));
        const QString controlName = valueName.left(separator);
        const QString name = valueName.mid(separator + 1);
        QObject* found = nullptr;
        if (separator > 0) {
            for (QObject* candidate : window_.findChildren<QObject*>(controlName)) {
                const QByteArray qtProperty = qtPropertyFor(*candidate, name);
                if (PropertyAccess::of(*candidate, qtProperty).encoding != Encoding::None) {
                    found = candidate;
                    break;
                }
            }
        }
        if (found == nullptr) {
            throw std::invalid_argument(QStringLiteral("No control holds the stored value %1")
                                            .arg(valueName)
                                            .toStdString());
        }
        addProperty(found, name);
    }
}

QStringList FormStorage::valueNames() const {
    QStringList names;
    for (const StoredProperty& property : properties_) {
        names.append(property.valueName);
    }
    return names;
}

void FormStorage::addCheckList(QListWidget* list) {
    if (list == nullptr || list->objectName().isEmpty()) {
        throw std::invalid_argument("A stored check list needs an object name");
    }
    checkLists_.append(list);
}

QString FormStorage::checkListKey(const QListWidget* list) const {
    return baseKey_ + QLatin1Char('\\') + windowClassName_ + list->objectName();
}

void FormStorage::restore() {
    const auto version =
        toInt(registry_.readString(key_, kFormVersionName, QString::number(kFormVersion)));
    if (version.value_or(kFormVersion) < 0) {
        return;
    }
    restorePlacement();
    for (const StoredProperty& property : properties_) {
        restoreProperty(property);
    }
    for (const QPointer<QListWidget>& list : checkLists_) {
        if (list) {
            restoreCheckList(*list);
        }
    }
}

void FormStorage::restoreProperty(const StoredProperty& property) {
    if (!property.control) {
        return;
    }
    const auto text = registry_.readString(key_, property.valueName);
    if (!text) {
        return;
    }
    const PropertyAccess access = PropertyAccess::of(*property.control, property.qtProperty);
    const QVariant current = property.control->property(property.qtProperty.constData());
    if (const auto value = access.decode(*text, current)) {
        property.control->setProperty(property.qtProperty.constData(), *value);
    }
}

// The position is taken only from a save made at the same screen resolution. Missing edges
// keep the current ones; a window that cannot be resized keeps its size; a rectangle that is
// empty or lies on no screen (a monitor since removed) is not applied.
void FormStorage::restorePlacement() {
    const auto normPos = registry_.readString(key_, kNormPos);
    if (!normPos && !registry_.valueExists(key_, kMinMaxPos)) {
        return;
    }
    const int pixelsPerInch = window_.logicalDpiY();
    const auto storedPixelsPerInch =
        toInt(registry_.readString(key_, kPixelsPerInch, QString::number(pixelsPerInch)));
    if (!normPos || storedPixelsPerInch != pixelsPerInch) {
        return;
    }
    const QRect current = normalRect(window_);
    int edges[4] = {current.left(), current.top(), current.left() + current.width(),
                    current.top() + current.height()};
    const QStringList parts = normPos->split(QLatin1Char(','));
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        if (const auto edge = toInt(parts[i])) {
            edges[i] = *edge;
        }
    }
    QRect rect(QPoint(edges[0], edges[1]), QSize(edges[2] - edges[0], edges[3] - edges[1]));
    if (window_.minimumSize() == window_.maximumSize()) {
        rect.setSize(current.size());
    }
    if (rect.width() <= 0 || rect.height() <= 0 || !onSomeScreen(rect)) {
        return;
    }
    window_.setGeometry(rect);
}

void FormStorage::restoreCheckList(QListWidget& list) {
    const QString listKey = checkListKey(&list);
    const auto count = toInt(registry_.readString(listKey, kCount, QStringLiteral("0")));
    if (!count) {
        return;
    }
    const int restored = std::min(*count, list.count());
    for (int i = 0; i < restored; ++i) {
        const auto state = toInt(
            registry_.readString(listKey, QStringLiteral("Item%1").arg(i), QStringLiteral("0")));
        if (state && *state >= Qt::Unchecked && *state <= Qt::Checked) {
            list.item(i)->setCheckState(*state == 1   ? Qt::Checked
                                        : *state == 2 ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
        }
    }
}

bool FormStorage::save(bool destroying) {
    platform::Registry::Batch batch(registry_);
    bool ok = registry_.writeString(key_, kFormVersionName, QString::number(kFormVersion));
    savePlacement(destroying, ok);
    for (const StoredProperty& property : properties_) {
        if (!property.control) {
            continue;
        }
        const PropertyAccess access = PropertyAccess::of(*property.control, property.qtProperty);
        ok = registry_.writeString(
                 key_, property.valueName,
                 access.encode(property.control->property(property.qtProperty.constData()))) &&
             ok;
    }
    for (const QPointer<QListWidget>& list : checkLists_) {
        if (list) {
            saveCheckList(*list, ok);
        }
    }
    ok = batch.commit() && ok;
    error_ = ok ? QString()
                : QStringLiteral("Cannot save the settings: %1").arg(registry_.errorString());
    return ok;
}

void FormStorage::savePlacement(bool destroying, bool& ok) {
    const bool minimized = window_.isMinimized();
    const bool maximized = window_.isMaximized();
    const int flags = minimized && maximized ? kRestoreToMaximized : 0;
    const int showCmd = minimized ? kShowMinimized : maximized ? kShowMaximized : kShowNormal;
    const QRect normal = normalRect(window_);
    const std::pair<QString, QString> values[] = {
        {kFlags, QString::number(flags)},
        {kShowCmd, QString::number(showCmd)},
        {kPixelsPerInch, QString::number(window_.logicalDpiY())},
        {kMinMaxPos, rectText(-1, -1, -1, -1)},
        {kNormPos, rectText(normal.left(), normal.top(), normal.left() + normal.width(),
                            normal.top() + normal.height())},
        {kVisible, stored_text::fromFlag(destroying)},
    };
    for (const auto& [name, text] : values) {
        ok = registry_.writeString(key_, name, text) && ok;
    }
}

void FormStorage::saveCheckList(const QListWidget& list, bool& ok) {
    const QString listKey = checkListKey(&list);
    ok = registry_.eraseKey(listKey) && ok;
    ok = registry_.writeString(listKey, kCount, QString::number(list.count())) && ok;
    for (int i = 0; i < list.count(); ++i) {
        const Qt::CheckState state = list.item(i)->checkState();
        const int code = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
        ok = registry_.writeString(listKey, QStringLiteral("Item%1").arg(i),
                                   QString::number(code)) &&
             ok;
    }
}

int FormStorage::readInteger(const QString& valueName, int defaultValue) const {
    const auto text = registry_.readString(key_, valueName);
    return text ? toInt(*text).value_or(defaultValue) : defaultValue;
}

bool FormStorage::writeInteger(const QString& valueName, int value) {
    if (registry_.writeString(key_, valueName, QString::number(value))) {
        return true;
    }
    error_ = QStringLiteral("Cannot save the settings: %1").arg(registry_.errorString());
    return false;
}

} // namespace widgets
