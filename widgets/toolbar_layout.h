#pragma once

#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace platform {
class Registry;
}

class QMainWindow;
class QToolBar;

namespace widgets {

// Saves and loads where the toolbars of a main window sit: one subkey per bar, named after the
// bar, with "Rev" (2000), "Visible" ("1"/"0"), "DockedTo" (the dock's name, "+" while floating),
// "LastDock", "DockRow", "DockPos", "FloatLeft", "FloatTop", then "FloatRightX" for a toolbar
// or "ClientWidth" and "ClientHeight" for a tool window.
//
// A dock is a toolbar area of the window under a name ("DockTop"). Its rows are numbered from
// the top (from the left for a side dock); the position in a row is the bar's offset along it,
// and bars of a row keep the order of their positions.
class ToolbarLayout {
public:
    static constexpr int kRevision = 2000;

    enum class BarKind { Toolbar, ToolWindow };
    struct Dock {
        QString name;
        Qt::ToolBarArea area;
    };

    ToolbarLayout(QMainWindow& window, QList<Dock> docks);

    // A bar whose place is stored; its object name names its subkey. Throws
    // std::invalid_argument for a bar without an object name.
    void addBar(QToolBar* bar, BarKind kind);

    // Writes every bar's place under key; false when the registry could not be written.
    bool save(platform::Registry& registry, const QString& key);

    // Puts every bar whose subkey reads "Rev" 2000 where it was saved: shown or hidden, docked
    // in the named dock at its row and position, or floating at its place for "+". A bar whose
    // "DockedTo" is empty, missing or names no dock of the window stays where it is.
    void load(const platform::Registry& registry, const QString& key);

private:
    struct Bar {
        QPointer<QToolBar> bar;
        BarKind kind;
    };
    // Where a bar last sat, kept for the values that cannot be measured in its present state:
    // the dock place of a floating bar and the floating place of a docked one.
    struct Remembered {
        int dockRow = 0;
        int dockPos = 0;
        std::optional<QRect> floating;
    };
    struct Placed {
        QToolBar* bar;
        int position;
    };
    using Rows = std::vector<std::vector<Placed>>;

    // The docked bars of an area, hidden ones included, by rows from the top (from the left in
    // a side dock), each row in the order of the bars' positions.
    Rows measure(Qt::ToolBarArea area) const;
    // Docks the bars of rows (numbered as measure() numbers them) into area, in that order.
    void rebuild(Qt::ToolBarArea area, Rows rows);
    QString dockName(Qt::ToolBarArea area) const;
    const Dock* dockNamed(const QString& name) const;
    void makeFloating(QToolBar& bar, const QRect& geometry);

    QMainWindow& window_;
    QList<Dock> docks_;
    std::vector<Bar> bars_;
    QHash<QString, Remembered> remembered_; // by bar name
};

} // namespace widgets
