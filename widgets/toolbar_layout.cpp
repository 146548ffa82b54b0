#include "widgets/toolbar_layout.h"

#include "platform/system/registry.h"
#include "widgets/stored_value_text.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolBar>

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>

namespace widgets {

namespace {

const QString kRev = QStringLiteral("Rev");
const QString kVisible = QStringLiteral("Visible");
const QString kDockedTo = QStringLiteral("DockedTo");
const QString kLastDock = QStringLiteral("LastDock");
const QString kDockRow = QStringLiteral("DockRow");
const QString kDockPos = QStringLiteral("DockPos");
const QString kFloatLeft = QStringLiteral("FloatLeft");
const QString kFloatTop = QStringLiteral("FloatTop");
const QString kFloatRightX = QStringLiteral("FloatRightX");
const QString kClientWidth = QStringLiteral("ClientWidth");
const QString kClientHeight = QStringLiteral("ClientHeight");
const QString kFloating = QStringLiteral("+");

bool isHorizontal(Qt::ToolBarArea area) {
    return area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
}

// Qt numbers an area's rows from the window's edge inwards; the bottom and right docks count
// their rows the other way round.
bool rowsFromFarSide(Qt::ToolBarArea area) {
    return area == Qt::BottomToolBarArea || area == Qt::RightToolBarArea;
}

std::optional<int> readInt(const platform::Registry& registry, const QString& key,
                           const QString& name) {
    const auto text = registry.readString(key, name);
    if (!text) {
        return std::nullopt;
    }
    const auto number = stored_text::toInteger(*text);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

bool onSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(rect)) {
            return true;
        }
    }
    return false;
}

// Shows hidden bars for as long as it lives, without painting and without telling anyone, so
// that the window's layout gives them their places.
class ShownForMeasuring {
public:
    ShownForMeasuring(QMainWindow& window, const std::vector<QToolBar*>& bars) : window_(window) {
        for (QToolBar* bar : bars) {
            if (bar->isHidden()) {
                hidden_.push_back(bar);
            }
        }
        if (hidden_.empty()) {
            return;
        }
        updatesWereEnabled_ = window_.updatesEnabled();
        window_.setUpdatesEnabled(false);
        setShown(true);
    }
    ~ShownForMeasuring() {
        if (hidden_.empty()) {
            return;
        }
        setShown(false);
        window_.setUpdatesEnabled(updatesWereEnabled_);
    }
    ShownForMeasuring(const ShownForMeasuring&) = delete;
    ShownForMeasuring& operator=(const ShownForMeasuring&) = delete;

private:
    void setShown(bool shown) {
        for (QToolBar* bar : hidden_) {
            const QSignalBlocker barBlocker(bar);
            const QSignalBlocker actionBlocker(bar->toggleViewAction());
            bar->setVisible(shown);
        }
        window_.layout()->invalidate();
        window_.layout()->activate();
    }

    QMainWindow& window_;
    std::vector<QToolBar*> hidden_;
    bool updatesWereEnabled_ = true;
};

} // namespace

ToolbarLayout::ToolbarLayout(QMainWindow& window, QList<Dock> docks)
    : window_(window), docks_(std::move(docks)) {}

void ToolbarLayout::addBar(QToolBar* bar, BarKind kind) {
    if (bar == nullptr || bar->objectName().isEmpty()) {
        throw std::invalid_argument("A toolbar whose place is stored needs an object name");
    }
    bars_.push_back({bar, kind});
}

QString ToolbarLayout::dockName(Qt::ToolBarArea area) const {
    for (const Dock& dock : docks_) {
        if (dock.area == area) {
            return dock.name;
        }
    }
    return {};
}

const ToolbarLayout::Dock* ToolbarLayout::dockNamed(const QString& name) const {
    for (const Dock& dock : docks_) {
        if (dock.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &dock;
        }
    }
    return nullptr;
}

ToolbarLayout::Rows ToolbarLayout::measure(Qt::ToolBarArea area) const {
    std::vector<QToolBar*> docked;
    for (QToolBar* bar : window_.findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) {
        if (!bar->isFloating() && window_.toolBarArea(bar) == area) {
            docked.push_back(bar);
        }
    }
    const ShownForMeasuring shown(window_, docked);
    window_.layout()->activate();
    const bool horizontal = isHorizontal(area);
    // The bars of one row share its top edge (its left edge in a side dock).
    std::map<int, std::vector<Placed>> byRow;
    for (QToolBar* bar : docked) {
        const QRect geometry = bar->geometry();
        byRow[horizontal ? geometry.y() : geometry.x()].push_back(
            {bar, horizontal ? geometry.x() : geometry.y()});
    }
    Rows rows;
    for (auto& [edge, row] : byRow) {
        std::stable_sort(row.begin(), row.end(),
                         [](const Placed& a, const Placed& b) { return a.position < b.position; });
        rows.push_back(std::move(row));
    }
    return rows;
}

void ToolbarLayout::rebuild(Qt::ToolBarArea area, Rows rows) {
    std::vector<std::pair<QToolBar*, bool>> shown;
    for (const auto& row : rows) {
        for (const Placed& placed : row) {
            shown.emplace_back(placed.bar, !placed.bar->isHidden());
            window_.removeToolBar(placed.bar);
        }
    }
    if (rowsFromFarSide(area)) {
        std::reverse(rows.begin(), rows.end());
    }
    bool firstRow = true;
    for (auto& row : rows) {
        if (row.empty()) {
            continue;
        }
        if (!firstRow) {
            window_.addToolBarBreak(area);
        }
        firstRow = false;
        std::stable_sort(row.begin(), row.end(),
                         [](const Placed& a, const Placed& b) { return a.position < b.position; });
        for (const Placed& placed : row) {
            window_.addToolBar(area, placed.bar);
        }
    }
    for (const auto& [bar, visible] : shown) {
        bar->setVisible(visible);
    }
}

void ToolbarLayout::makeFloating(QToolBar& bar, const QRect& geometry) {
    const bool visible = !bar.isHidden();
    if (!bar.isFloating()) {
        // The bar keeps its item in the window's layout, which skips it while it is a window
        // of its own; docking it again puts it back there.
        bar.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    }
    bar.setGeometry(geometry);
    bar.setVisible(visible);
}

bool ToolbarLayout::save(platform::Registry& registry, const QString& key) {
    platform::Registry::Batch batch(registry);
    bool ok = true;
    std::map<Qt::ToolBarArea, Rows> measured;
    for (const Bar& entry : bars_) {
        QToolBar* bar = entry.bar;
        if (bar == nullptr) {
            continue;
        }
        Remembered& remembered = remembered_[bar->objectName()];
        const bool floating = bar->isFloating();
        const Qt::ToolBarArea area = window_.toolBarArea(bar);
        if (!floating && area != Qt::NoToolBarArea) {
            if (measured.find(area) == measured.end()) {
                measured[area] = measure(area);
            }
            const Rows& rows = measured[area]; // as shown, from the top or the left
            for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
                for (const Placed& placed : rows[row]) {
                    if (placed.bar == bar) {
                        remembered.dockRow = row;
                        remembered.dockPos = placed.position;
                    }
                }
            }
        }
        if (floating) {
            remembered.floating = bar->geometry();
        }
        const QRect floatRect =
            remembered.floating.value_or(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->sizeHint()));

        const QString barKey = key + QLatin1Char('\\') + bar->objectName();
        std::vector<std::pair<QString, QString>> values = {
            {kRev, QString::number(kRevision)},
            {kVisible, stored_text::fromFlag(!bar->isHidden())},
            {kDockedTo, floating ? kFloating : dockName(area)},
            {kLastDock, dockName(area)},
            {kDockRow, QString::number(remembered.dockRow)},
            {kDockPos, QString::number(remembered.dockPos)},
            {kFloatLeft, QString::number(floatRect.left())},
            {kFloatTop, QString::number(floatRect.top())},
        };
        if (entry.kind == BarKind::Toolbar) {
            values.emplace_back(kFloatRightX, QString::number(floatRect.width()));
        } else {
            values.emplace_back(kClientWidth, QString::number(floatRect.width()));
            values.emplace_back(kClientHeight, QString::number(floatRect.height()));
        }
        for (const auto& [name, text] : values) {
            ok = registry.writeString(barKey, name, text) && ok;
        }
    }
    return batch.commit() && ok;
}

void ToolbarLayout::load(const platform::Registry& registry, const QString& key) {
    enum class Move { Keep, Docked, Float };
    struct Target {
        QToolBar* bar;
        std::optional<bool> visible;
        Move move = Move::Keep;
        Qt::ToolBarArea area = Qt::NoToolBarArea;
        int row = 0;
        int position = 0;
        QRect floatRect;
    };
    std::vector<Target> targets;
    for (const Bar& entry : bars_) {
        QToolBar* bar = entry.bar;
        if (bar == nullptr) {
            continue;
        }
        const QString barKey = key + QLatin1Char('\\') + bar->objectName();
        if (readInt(registry, barKey, kRev) != kRevision) {
            continue;
        }
        Target target{bar, {}};
        if (const auto visible = readInt(registry, barKey, kVisible);
            visible == 0 || visible == 1) {
            target.visible = *visible == 1;
        }
        Remembered& remembered = remembered_[bar->objectName()];
        const QSize hint = bar->sizeHint();
        const QSize floatSize =
            entry.kind == BarKind::Toolbar
                ? QSize(readInt(registry, barKey, kFloatRightX).value_or(hint.width()),
                        hint.height())
                : QSize(readInt(registry, barKey, kClientWidth).value_or(hint.width()),
                        readInt(registry, barKey, kClientHeight).value_or(hint.height()));
        const auto floatLeft = readInt(registry, barKey, kFloatLeft);
        const auto floatTop = readInt(registry, barKey, kFloatTop);
        if (floatLeft && floatTop && floatSize.isValid() && !floatSize.isEmpty()) {
            remembered.floating = QRect(QPoint(*floatLeft, *floatTop), floatSize);
        }

        const QString dockedTo =
            registry.readString(barKey, kDockedTo).value_or(QString()).trimmed();
        if (dockedTo == kFloating) {
            if (remembered.floating && onSomeScreen(*remembered.floating)) {
                target.move = Move::Float;
                target.floatRect = *remembered.floating;
            }
        } else if (const Dock* dock = dockNamed(dockedTo);
                   dock != nullptr && bar->isAreaAllowed(dock->area)) {
            target.move = Move::Docked;
            target.area = dock->area;
            target.row = std::max(0, readInt(registry, barKey, kDockRow).value_or(0));
            target.position = readInt(registry, barKey, kDockPos).value_or(0);
            remembered.dockRow = target.row;
            remembered.dockPos = target.position;
        }
        targets.push_back(target);
    }

    const bool docking = std::any_of(targets.begin(), targets.end(),
                                     [](const Target& t) { return t.move == Move::Docked; });
    if (docking) {
        for (const Target& target : targets) {
            if (target.move == Move::Docked && target.bar->isFloating()) {
                const bool visible = !target.bar->isHidden();
                target.bar->setWindowFlags(Qt::Widget);
                target.bar->setVisible(visible);
            }
        }
        std::map<Qt::ToolBarArea, Rows> areas;
        for (const Dock& dock : docks_) {
            areas[dock.area] = measure(dock.area);
        }
        // Moved bars leave their rows; docked ones join the rows they were saved in.
        for (const Target& target : targets) {
            if (target.move == Move::Keep) {
                continue;
            }
            for (auto& [area, rows] : areas) {
                for (auto& row : rows) {
                    std::erase_if(row, [&](const Placed& p) { return p.bar == target.bar; });
                }
            }
        }
        for (const Target& target : targets) {
            if (target.move != Move::Docked) {
                continue;
            }
            Rows& rows = areas[target.area];
            if (static_cast<int>(rows.size()) <= target.row) {
                rows.resize(target.row + 1);
            }
            rows[target.row].push_back({target.bar, target.position});
        }
        for (auto& [area, rows] : areas) {
            rebuild(area, std::move(rows));
        }
    }
    for (const Target& target : targets) {
        if (target.move == Move::Float) {
            makeFloating(*target.bar, target.floatRect);
        }
        if (target.visible) {
            target.bar->setVisible(*target.visible);
        }
    }
}

} // namespace widgets
