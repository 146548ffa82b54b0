#include "widgets/toolbar_layout.h"

#include "platform/system/registry.h"
#include "tests/support/temp_dir.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QToolBar>

#include <gtest/gtest.h>

#include <map>

namespace {

using widgets::ToolbarLayout;
using Rows = QList<QStringList>;

const QString kKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\Toolbars");

// A main window with the bars as the program defines them: the controls on top beside an extra
// bar, the two trackbar windows in two rows at the bottom (the all-files one at the edge).
class TestWindow : public QMainWindow {
public:
    TestWindow() {
        setCentralWidget(new QLabel(QStringLiteral("view"), this));
        controls = bar("tbrControls", 3);
        extra = bar("tbrExtra", 1);
        all = bar("tbrTrackBarAll1", 5);
        current = bar("tbrTrackBarCurr1", 4);
        addToolBar(Qt::TopToolBarArea, controls);
        addToolBar(Qt::TopToolBarArea, extra);
        addToolBar(Qt::BottomToolBarArea, all);
        addToolBarBreak(Qt::BottomToolBarArea);
        addToolBar(Qt::BottomToolBarArea, current);
        resize(700, 500);
        show();
        layout()->activate();
    }

    QToolBar* bar(const char* name, int buttons) {
        auto* toolBar = new QToolBar(QString::fromLatin1(name), this);
        toolBar->setObjectName(QString::fromLatin1(name));
        for (int i = 0; i < buttons; ++i) {
            toolBar->addAction(QStringLiteral("%1-%2").arg(QString::fromLatin1(name)).arg(i));
        }
        return toolBar;
    }

    // The shown docked bars of an area by rows from the top (the left), each row in order.
    Rows rows(Qt::ToolBarArea area) {
        layout()->activate();
        const bool horizontal = area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
        std::map<int, std::map<int, QString>> byRow;
        for (QToolBar* toolBar : findChildren<QToolBar*>()) {
            if (toolBarArea(toolBar) == area && !toolBar->isFloating() && toolBar->isVisible()) {
                const QRect g = toolBar->geometry();
                byRow[horizontal ? g.y() : g.x()][horizontal ? g.x() : g.y()] =
                    toolBar->objectName();
            }
        }
        Rows result;
        for (const auto& [edge, row] : byRow) {
            QStringList names;
            for (const auto& [position, name] : row) {
                names << name;
            }
            result << names;
        }
        return result;
    }

    QToolBar* controls;
    QToolBar* extra;
    QToolBar* all;
    QToolBar* current;
};

class ToolbarLayoutTest : public testsupport::TempDirTest {
protected:
    ToolbarLayoutTest() : registry(path("registry.ini")) {}

    // The layout component as a window sets it up.
    static ToolbarLayout layoutOf(TestWindow& window) {
        ToolbarLayout layout(window, {{"DockTop", Qt::TopToolBarArea},
                                      {"DockBottom", Qt::BottomToolBarArea},
                                      {"DockLeft", Qt::LeftToolBarArea}});
        layout.addBar(window.controls, ToolbarLayout::BarKind::Toolbar);
        layout.addBar(window.extra, ToolbarLayout::BarKind::Toolbar);
        layout.addBar(window.all, ToolbarLayout::BarKind::ToolWindow);
        layout.addBar(window.current, ToolbarLayout::BarKind::ToolWindow);
        return layout;
    }

    QString value(const QString& bar, const QString& name) const {
        return registry.readString(kKey + "\\" + bar, name).value_or("(missing)");
    }
    void setValues(const QString& bar, const std::map<QString, QString>& values) {
        for (const auto& [name, text] : values) {
            ASSERT_TRUE(registry.writeString(kKey + "\\" + bar, name, text));
        }
    }

    platform::Registry registry;
};

TEST_F(ToolbarLayoutTest, RowsAndOrderComeBack) {
    {
        TestWindow window;
        // Top: the current-file window before the controls, the all-files window in a second
        // row; the extra bar in the left dock.
        window.insertToolBar(window.controls, window.current);
        window.addToolBarBreak(Qt::TopToolBarArea);
        window.addToolBar(Qt::TopToolBarArea, window.all);
        window.addToolBar(Qt::LeftToolBarArea, window.extra);
        const Rows top = {{"tbrTrackBarCurr1", "tbrControls"}, {"tbrTrackBarAll1"}};
        ASSERT_EQ(window.rows(Qt::TopToolBarArea), top);
        ASSERT_TRUE(layoutOf(window).save(registry, kKey));
    }
    EXPECT_EQ(value("tbrTrackBarCurr1", "DockedTo"), "DockTop");
    EXPECT_EQ(value("tbrTrackBarCurr1", "DockRow"), "0");
    EXPECT_EQ(value("tbrTrackBarCurr1", "DockPos"), "0");
    EXPECT_EQ(value("tbrTrackBarAll1", "DockRow"), "1");
    EXPECT_EQ(value("tbrExtra", "DockedTo"), "DockLeft");

    TestWindow window;
    layoutOf(window).load(registry, kKey);
    EXPECT_EQ(window.rows(Qt::TopToolBarArea),
              Rows({{"tbrTrackBarCurr1", "tbrControls"}, {"tbrTrackBarAll1"}}));
    EXPECT_EQ(window.rows(Qt::LeftToolBarArea), Rows({{"tbrExtra"}}));
    EXPECT_EQ(window.rows(Qt::BottomToolBarArea), Rows());
}

TEST_F(ToolbarLayoutTest, BottomRowsCountFromTheTop) {
    {
        TestWindow window;
        ASSERT_EQ(window.rows(Qt::BottomToolBarArea),
                  Rows({{"tbrTrackBarCurr1"}, {"tbrTrackBarAll1"}}));
        ASSERT_TRUE(layoutOf(window).save(registry, kKey));
    }
    EXPECT_EQ(value("tbrTrackBarCurr1", "DockRow"), "0");
    EXPECT_EQ(value("tbrTrackBarAll1", "DockRow"), "1");

    // Swapped rows come back swapped.
    setValues("tbrTrackBarCurr1", {{"DockRow", "1"}});
    setValues("tbrTrackBarAll1", {{"DockRow", "0"}});
    TestWindow window;
    layoutOf(window).load(registry, kKey);
    EXPECT_EQ(window.rows(Qt::BottomToolBarArea),
              Rows({{"tbrTrackBarAll1"}, {"tbrTrackBarCurr1"}}));
    EXPECT_EQ(window.rows(Qt::TopToolBarArea), Rows({{"tbrControls", "tbrExtra"}}));
}

TEST_F(ToolbarLayoutTest, ValuesOfToolbarsAndToolWindows) {
    {
        TestWindow window;
        ASSERT_TRUE(layoutOf(window).save(registry, kKey));
    }
    const QString controls = kKey + "\\tbrControls";
    EXPECT_EQ(registry.valueNames(controls),
              QStringList({"Rev", "Visible", "DockedTo", "LastDock", "DockRow", "DockPos",
                           "FloatLeft", "FloatTop", "FloatRightX"}));
    EXPECT_EQ(value("tbrControls", "Rev"), "2000");
    EXPECT_EQ(value("tbrControls", "Visible"), "1");
    EXPECT_EQ(value("tbrControls", "LastDock"), "DockTop");
    EXPECT_EQ(registry.valueNames(kKey + "\\tbrTrackBarAll1").mid(8),
              QStringList({"ClientWidth", "ClientHeight"}));
    EXPECT_EQ(registry.subKeyNames(kKey),
              QStringList({"tbrControls", "tbrExtra", "tbrTrackBarAll1", "tbrTrackBarCurr1"}));
}

TEST_F(ToolbarLayoutTest, FloatingBarsComeBackFloating) {
    setValues("tbrTrackBarAll1", {{"Rev", "2000"},
                                  {"Visible", "1"},
                                  {"DockedTo", "+"},
                                  {"LastDock", "DockBottom"},
                                  {"FloatLeft", "200"},
                                  {"FloatTop", "150"},
                                  {"ClientWidth", "300"},
                                  {"ClientHeight", "40"}});
    {
        TestWindow window;
        layoutOf(window).load(registry, kKey);
        ASSERT_TRUE(window.all->isFloating());
        EXPECT_TRUE(window.all->isVisible());
        EXPECT_EQ(window.all->geometry(), QRect(200, 150, 300, 40));
        EXPECT_EQ(window.rows(Qt::BottomToolBarArea), Rows({{"tbrTrackBarCurr1"}}));
        ASSERT_TRUE(layoutOf(window).save(registry, kKey));
    }
    EXPECT_EQ(value("tbrTrackBarAll1", "DockedTo"), "+");
    EXPECT_EQ(value("tbrTrackBarAll1", "LastDock"), "DockBottom");
    EXPECT_EQ(value("tbrTrackBarAll1", "FloatLeft"), "200");
    EXPECT_EQ(value("tbrTrackBarAll1", "ClientWidth"), "300");

    // Docked again by a later load.
    TestWindow window;
    ToolbarLayout layout = layoutOf(window);
    layout.load(registry, kKey);
    ASSERT_TRUE(window.all->isFloating());
    setValues("tbrTrackBarAll1", {{"DockedTo", "DockTop"}, {"DockRow", "0"}, {"DockPos", "5000"}});
    layout.load(registry, kKey);
    EXPECT_FALSE(window.all->isFloating());
    EXPECT_EQ(window.rows(Qt::TopToolBarArea),
              Rows({{"tbrControls", "tbrExtra", "tbrTrackBarAll1"}}));
    // A docked bar keeps its last floating place.
    ASSERT_TRUE(layout.save(registry, kKey));
    EXPECT_EQ(value("tbrTrackBarAll1", "FloatLeft"), "200");
    EXPECT_EQ(value("tbrTrackBarAll1", "ClientHeight"), "40");
}

TEST_F(ToolbarLayoutTest, HiddenBarsKeepTheirRows) {
    {
        TestWindow window;
        window.addToolBarBreak(Qt::TopToolBarArea);
        window.addToolBar(Qt::TopToolBarArea, window.extra);
        window.controls->hide();
        ASSERT_EQ(window.rows(Qt::TopToolBarArea), Rows({{"tbrExtra"}}));
        ASSERT_TRUE(layoutOf(window).save(registry, kKey));
        EXPECT_TRUE(window.controls->isHidden()); // measuring left it hidden
    }
    EXPECT_EQ(value("tbrControls", "Visible"), "0");
    EXPECT_EQ(value("tbrControls", "DockRow"), "0");
    EXPECT_EQ(value("tbrExtra", "DockRow"), "1");

    TestWindow window;
    layoutOf(window).load(registry, kKey);
    EXPECT_TRUE(window.controls->isHidden());
    window.controls->show();
    EXPECT_EQ(window.rows(Qt::TopToolBarArea), Rows({{"tbrControls"}, {"tbrExtra"}}));
}

TEST_F(ToolbarLayoutTest, BarsWithoutUsableValuesStayAsDefined) {
    setValues("tbrControls", {{"Rev", "1999"}, {"Visible", "0"}, {"DockedTo", "DockBottom"}});
    setValues("tbrExtra", {{"Rev", "2000"}, {"Visible", "0"}, {"DockedTo", ""}});
    setValues("tbrTrackBarAll1", {{"Rev", "2000"}, {"DockedTo", "DockNowhere"}});
    setValues("tbrTrackBarCurr1", {{"Rev", "2000"},
                                   {"DockedTo", "+"},
                                   {"FloatLeft", "-9000"},
                                   {"FloatTop", "-9000"}}); // on no screen
    TestWindow window;
    layoutOf(window).load(registry, kKey);
    EXPECT_TRUE(window.controls->isVisible());
    EXPECT_TRUE(window.extra->isHidden()); // "Visible" still applies
    EXPECT_FALSE(window.current->isFloating());
    window.extra->show();
    EXPECT_EQ(window.rows(Qt::TopToolBarArea), Rows({{"tbrControls", "tbrExtra"}}));
    EXPECT_EQ(window.rows(Qt::BottomToolBarArea),
              Rows({{"tbrTrackBarCurr1"}, {"tbrTrackBarAll1"}}));
}

} // namespace
