#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace platform {
class Registry;
}

class QListWidget;
class QObject;
class QWidget;

namespace widgets {

// Keeps a window's settings in the registry: properties of its controls, its placement and the
// check states of linked check lists. The settings live under the key "<base key>\<window class
// name>"; a check list's states under "<base key>\<window class name><list name>".
//
// A stored property is one property of one control under the value name "<control name>_<name>"
// ("cbTransEnable_Checked"). Values are text (see stored_value_text.h): integers in decimal,
// Booleans "True"/"False", floating point with "." whatever the locale, enumerations by key name,
// strings as they are. The controls hold the settings; the store keeps no copy.
class FormStorage {
public:
    static constexpr int kFormVersion = 0;

    // windowClassName defaults to the class name of window without its namespace.
    FormStorage(platform::Registry& registry, QWidget& window, const QString& baseKey,
                const QString& windowClassName = {});

    // The key of the window's values.
    QString key() const { return key_; }

    // Stores control's Qt property qtProperty (static or dynamic) under "<object name>_<name>".
    // Throws std::invalid_argument when the control has no object name or no such writable
    // property of a type the store can write.
    void addProperty(QObject* control, const QString& name, const char* qtProperty);
    // The same with the Qt property that holds the setting in a control of this type:
    // "Checked" → checked, "Value" and "Position" → value, "ItemIndex" → currentIndex of a
    // combo box, currentRow of a list, itemIndex of anything else, "ShortCut" → the dynamic
    // property ShortCut; any other name → that name with a lower-case first letter.
    void addProperty(QObject* control, const QString& name);
    // Adds properties by value names ("cbOnOpen_ItemIndex"), finding each control by object name
    // among the window's descendants; throws std::invalid_argument for a missing control.
    void addProperties(const QStringList& valueNames);
    // Value names of the stored properties, in the order they are restored and saved.
    QStringList valueNames() const;

    // Links a list whose items are check boxes: "Count" and "Item0", "Item1" ... with 0
    // unchecked, 1 checked, 2 partially checked.
    void addCheckList(QListWidget* list);
    QString checkListKey(const QListWidget* list) const;

    // Reads "FormVersion" and, when it is at least 0, the placement, every stored property and
    // the check lists. Missing values and values that do not convert leave controls as they are.
    void restore();

    // Writes "FormVersion", the placement, "Visible" ("1" when saving while the window is being
    // destroyed), every stored property and the check lists, in one write of the registry file.
    // False when the file could not be written; errorString() then says why.
    bool save(bool destroying = false);
    QString errorString() const { return error_; }

    // One value of the window's key read as an integer; defaultValue when it is missing or does
    // not convert.
    int readInteger(const QString& valueName, int defaultValue) const;
    // Writes one value at once; false (and errorString()) when the file could not be written.
    bool writeInteger(const QString& valueName, int value);

private:
    struct StoredProperty {
        QPointer<QObject> control;
        QString valueName;
        QByteArray qtProperty;
    };

    void restorePlacement();
    void savePlacement(bool destroying, bool& ok);
    void restoreProperty(const StoredProperty& property);
    void restoreCheckList(QListWidget& list);
    void saveCheckList(const QListWidget& list, bool& ok);

    platform::Registry& registry_;
    QWidget& window_;
    QString baseKey_;
    QString windowClassName_;
    QString key_;
    QList<StoredProperty> properties_;
    QList<QPointer<QListWidget>> checkLists_;
    QString error_;
};

} // namespace widgets
