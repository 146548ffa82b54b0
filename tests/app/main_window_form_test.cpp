// The main window's controls against their names, types, captions, items, ranges and defaults.

#include "tests/app/main_window_fixture.h"
#include "widgets/icon_grid.h"
#include "widgets/radio_group.h"
#include "widgets/status_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using testsupport::MainWindowTest;

struct Caption {
    const char* name;
    const char* text;
};

struct ComboItems {
    const char* name;
    QStringList items;
    int index;
};

struct RadioGroupItems {
    const char* name;
    const char* title;
    QStringList items;
    int index;
};

struct IntRange {
    const char* name;
    int minimum;
    int maximum;
    int step;
    int value;
};

struct DecimalRange {
    const char* name;
    double minimum;
    double maximum;
    double step;
    double value;
};

struct ToolbarItem {
    const char* name;
    bool visible;
    int shortCut;
    int tag; // -1: none
};

QStringList itemTexts(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i) {
        texts << combo.itemText(i);
    }
    return texts;
}

QStringList itemTexts(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text();
    }
    return texts;
}

class MainWindowForm : public MainWindowTest {
protected:
    MainWindowForm() { open(); }

    template <typename T> T& control(const char* name) {
        T* found = child<T>(name);
        if (found == nullptr) {
            ADD_FAILURE() << name << " is missing or not a " << T::staticMetaObject.className();
            static T placeholder;
            return placeholder;
        }
        return *found;
    }
};

TEST_F(MainWindowForm, ButtonsLabelsAndGroupsHaveTheirCaptions) {
    const Caption buttons[] = {
        {"buOpenFile", "Open"},
        {"buOpenList", "List"},
        {"SpeedButton2", "Update Devices"},
        {"Button1", "Apply Changes"},
        {"Button2", "Apply Changes"},
        {"Button3", "Apply Changes"},
        {"Button4", "Apply Changes"},
        {"Button7", "Apply Changes"},
        {"buProperties", "Properties"},
        {"buScApplyChanges", "Apply Changes"},
        {"buScLoadSaved", "Load Saved"},
    };
    for (const auto& [name, text] : buttons) {
        EXPECT_EQ(control<QPushButton>(name).text(), QString::fromUtf8(text)) << name;
    }
    const Caption labels[] = {
        {"laOnOpen", "On Open"},
        {"laOnEnd", "On End"},
        {"laAudioRate", "Sample Rate"},
        {"laAudioChannels", "Channels"},
        {"laAudShift", "Shift, msec"},
        {"laPicTime", "Display time, sec"},
        {"laTransTime", "Transition time, sec"},
        {"laTransSoft", "Softness"},
        {"laTransType", "Transition type"},
        {"laScPrev", "Previous"},
        {"laScNext", "Next"},
        {"laScPlay", "Play"},
        {"laScPause", "Pause"},
        {"laScStop", "Stop"},
        {"laScOpen", "Open"},
        {"laScList", "List"},
        {"laScRealTime", "RealTime"},
        {"laScHigh", "High"},
        {"laScNormal", "Normal"},
        {"laScIdle", "Idle"},
        {"laProductName", "Quintape"},
    };
    for (const auto& [name, text] : labels) {
        EXPECT_EQ(control<QLabel>(name).text(), QString::fromUtf8(text)) << name;
    }
    const Caption groups[] = {
        {"gbVideo", "Video"},
        {"gbAudio", "Audio"},
        {"gbDVEncoder", "DV Encoder"},
        {"gbVideoSystem", "Video System"},
        {"gbAudioOut", "Audio Out"},
        {"gbPictures", "Pictures"},
        {"gbTransition", "Transition"},
        {"gbTrackBarUpdateInterval", "TrackBar update interval"},
        {"gbProcessPriority", "Process Priority"},
        {"gbScPriority", "Priority"},
    };
    for (const auto& [name, text] : groups) {
        EXPECT_EQ(control<QGroupBox>(name).title(), QString::fromUtf8(text)) << name;
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quintape"));
    EXPECT_TRUE(control<QLabel>("laAbout1")
                    .text()
                    .startsWith(QStringLiteral("Watch Your videofiles and pictures on TV via "
                                               "miniDV cam\n\n")));
    EXPECT_TRUE(control<QLabel>("laWeb").text().startsWith(QStringLiteral("https://")));
}

TEST_F(MainWindowForm, ChoicesHaveTheirItemsAndDefaults) {
    const ComboItems combos[] = {
        {"cbOnOpen", {"Play", "Pause", "Stop"}, 2}, // the fixture opens with "Stop"
        {"cbOnEnd", {"Pause", "Stop"}, 1},
        {"cbDVEncoder", {"Microsoft DV Video Encoder", "MainConcept DV Video Encoder"}, 0},
        {"cbAudioRate", {"32000", "44100", "48000"}, 2},
        {"cbAudioChannels", {"Stereo", "Mono"}, 0},
        {"cbPriority", {"RealTime", "High - (Recommended)", "Normal", "Idle"}, 1},
        {"cbVideoOut", {"Sink A", "Sink B"}, 0},
        {"cbAudioOut", {"- No audio -", "Sink A"}, 1},
    };
    for (const auto& [name, items, index] : combos) {
        const auto& combo = control<QComboBox>(name);
        EXPECT_EQ(itemTexts(combo), items) << name;
        EXPECT_EQ(combo.currentIndex(), index) << name;
        EXPECT_FALSE(combo.isEditable()) << name;
    }
    const RadioGroupItems radioGroups[] = {
        {"rgStretchMode",
         "Stretch Mode",
         {"Stretch", "Original", "correct aspect ratio, letterbox", "correct aspect ratio, crop"},
         2},
        {"rgRecompressMode", "Recompress mode", {"Recompress All", "Do not recompress DV"}, 0},
        {"rgFilesLoadMode", "Files loading", {"Dynamic Loading", "Load all before Play"}, 0},
        {"rgProcessMode", "Process mode", {"Preview", "Full Process"}, 1},
        {"rgOnDragDrop", "On Drag-Drop", {"Replace", "Append to list"}, 0},
    };
    for (const auto& [name, title, items, index] : radioGroups) {
        const auto& group = control<widgets::TRadioGroup>(name);
        EXPECT_EQ(group.title(), QString::fromUtf8(title)) << name;
        EXPECT_EQ(group.items(), items) << name;
        EXPECT_EQ(group.property("itemIndex").toInt(), index) << name;
        ASSERT_NE(group.button(index), nullptr) << name;
        EXPECT_TRUE(group.button(index)->isChecked()) << name;
    }
    const Caption checkedBoxes[] = {{"cbNoSequence", "Do not open as sequence"}};
    const Caption uncheckedBoxes[] = {{"cbTransEnable", "Enable "}};
    for (const auto& [name, text] : checkedBoxes) {
        EXPECT_EQ(control<QCheckBox>(name).text(), QString::fromUtf8(text)) << name;
        EXPECT_TRUE(control<QCheckBox>(name).property("checked").toBool()) << name;
    }
    for (const auto& [name, text] : uncheckedBoxes) {
        EXPECT_EQ(control<QCheckBox>(name).text(), QString::fromUtf8(text)) << name;
        EXPECT_FALSE(control<QCheckBox>(name).property("checked").toBool()) << name;
    }
    EXPECT_EQ(control<QRadioButton>("rbPAL").text(), QStringLiteral("PAL"));
    EXPECT_EQ(control<QRadioButton>("rbNTSC").text(), QStringLiteral("NTSC"));
    EXPECT_TRUE(control<QRadioButton>("rbPAL").property("checked").toBool());
    EXPECT_FALSE(control<QRadioButton>("rbNTSC").property("checked").toBool());
}

TEST_F(MainWindowForm, NumbersHaveTheirRangesStepsAndDefaults) {
    const IntRange spins[] = {
        {"udAudShift", -60000, 60000, 100, 0},
        {"udTransSoft", 0, 500, 1, 100},
    };
    for (const auto& [name, minimum, maximum, step, value] : spins) {
        const auto& spin = control<QSpinBox>(name);
        EXPECT_EQ(spin.minimum(), minimum) << name;
        EXPECT_EQ(spin.maximum(), maximum) << name;
        EXPECT_EQ(spin.singleStep(), step) << name;
        EXPECT_EQ(spin.property("value").toInt(), value) << name;
    }
    const DecimalRange decimals[] = {
        {"udPicTime", 0.1, 3600.0, 0.1, 7.0},
        {"udTransTime", 0.1, 3600.0, 0.1, 1.5},
    };
    for (const auto& [name, minimum, maximum, step, value] : decimals) {
        const auto& spin = control<QDoubleSpinBox>(name);
        EXPECT_EQ(spin.decimals(), 1) << name;
        EXPECT_DOUBLE_EQ(spin.minimum(), minimum) << name;
        EXPECT_DOUBLE_EQ(spin.maximum(), maximum) << name;
        EXPECT_DOUBLE_EQ(spin.singleStep(), step) << name;
        EXPECT_DOUBLE_EQ(spin.property("value").toDouble(), value) << name;
    }
    const auto& interval = control<QSlider>("tbTrackBarUpdateInterval");
    EXPECT_EQ(interval.minimum(), 1);
    EXPECT_EQ(interval.maximum(), 7);
    EXPECT_EQ(interval.pageStep(), 1);
    EXPECT_NE(interval.tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(interval.property("value").toInt(), 1);
    const auto& volume = control<QSlider>("tbVolume");
    EXPECT_TRUE(volume.isHidden());
    EXPECT_EQ(volume.minimum(), 0);
    EXPECT_EQ(volume.maximum(), 200);
    EXPECT_EQ(volume.value(), 100);
    EXPECT_EQ(control<QSlider>("tbCurFile").maximum(), 10000);
}

TEST_F(MainWindowForm, ListsAndPagesAreInTheirOrder) {
    auto& selector = control<QListWidget>("lbOptions");
    EXPECT_EQ(itemTexts(selector),
              (QStringList{"System", "Audio", "Video", "Pictures", "Adv Options", "ShortCuts"}));
    EXPECT_EQ(selector.property("currentRow").toInt(), -1);
    EXPECT_EQ(selector.width(), 121);
    auto& optionPages = control<QStackedWidget>("pcOptions");
    const char* optionPageNames[] = {"tsSystem",   "tsAudio",      "tsVideo",
                                     "tsPictures", "tsAdvOptions", "TabSheet2"};
    ASSERT_EQ(optionPages.count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(optionPages.widget(i)->objectName(), QString::fromLatin1(optionPageNames[i]));
    }

    const auto& transitions = control<QListWidget>("lbTransType");
    EXPECT_EQ(itemTexts(transitions),
              (QStringList{"22   Simple", "  8   Wedge", "  4   Sawtooth", "26   Figure",
                           "39   Radial", "30   Matrix", "  4   Waterfall", "  1   Random mask"}));
    for (int i = 0; i < transitions.count(); ++i) {
        EXPECT_EQ(transitions.item(i)->checkState(), Qt::Checked) << i;
        EXPECT_TRUE(transitions.item(i)->flags() & Qt::ItemIsUserCheckable) << i;
    }
    EXPECT_TRUE(control<QListWidget>("lbUsedFilters").isSortingEnabled());

    const auto& pages = control<QTabWidget>("PageControl1");
    const Caption tabs[] = {{"tsFile", "File"},         {"tsOptions", "Options"},
                            {"tsFilters", "Filters"},   {"tsHelp", "Help"},
                            {"tsAbout", "About"},       {"tsLog", "tsLog"},
                            {"TabSheet1", "TabSheet1"}, {"TabSheet3", "Help"}};
    ASSERT_EQ(pages.count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(pages.widget(i)->objectName(), QString::fromLatin1(tabs[i].name));
        EXPECT_EQ(pages.tabText(i), QString::fromUtf8(tabs[i].text));
        EXPECT_EQ(pages.isTabVisible(i), i < 5) << tabs[i].name;
    }
    EXPECT_EQ(pages.currentWidget()->objectName(), QStringLiteral("tsFile"));

    const auto& grid = control<widgets::TIconGrid>("sgPlayList");
    EXPECT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(grid.columnWidth(0), 20);
    EXPECT_GE(grid.columnWidth(1), 50);
    EXPECT_EQ(grid.Tag(), -1);
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(control<QListView>("lbPlayList").isHidden());
    EXPECT_TRUE(control<QPlainTextEdit>("meHelp").isReadOnly());
}

TEST_F(MainWindowForm, ToolbarItemsCarryTheirShortcutsInToolbarOrder) {
    const ToolbarItem items[] = {
        {"buPrev", true, 38, -1},        {"buPlayNoSh", true, 0, -1},
        {"buPause", true, 32, -1},       {"buStop", true, 83, -1},
        {"buNext", true, 40, -1},        {"buScOpenFile", false, 79, -1},
        {"buScOpenList", false, 76, -1}, {"buPrRealTime", false, 16504, 0},
        {"buPrHigh", false, 16505, 1},   {"buPrNormal", false, 16506, 2},
        {"buPrIdle", false, 16507, 3},   {"buPlay", false, 13, -1},
    };
    const auto& toolbar = control<QToolBar>("tbrControls");
    const QList<QAction*> actions = toolbar.actions();
    ASSERT_EQ(actions.size(), std::size(items));
    for (std::size_t i = 0; i < std::size(items); ++i) {
        const ToolbarItem& item = items[i];
        QAction& action = *actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(action.objectName(), QString::fromLatin1(item.name));
        EXPECT_EQ(action.isVisible(), item.visible) << item.name;
        EXPECT_EQ(action.property("ShortCut").toInt(), item.shortCut) << item.name;
        if (item.tag >= 0) {
            EXPECT_EQ(action.property("Tag").toInt(), item.tag) << item.name;
        }
        // Keys are handled in one place for the whole application, not by Qt shortcuts.
        EXPECT_TRUE(action.shortcut().isEmpty()) << item.name;
    }
    EXPECT_EQ(control<QAction>("buScOpenFile").text(), QStringLiteral("O"));
    EXPECT_EQ(control<QAction>("buScOpenList").text(), QStringLiteral("L"));
    EXPECT_EQ(control<QAction>("buPlay").text(), QStringLiteral("Play"));

    // Play, Pause and Stop form one radio group.
    const QActionGroup* group = control<QAction>("buPlayNoSh").actionGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->isExclusive());
    for (const char* name : {"buPause", "buStop"}) {
        EXPECT_EQ(control<QAction>(name).actionGroup(), group) << name;
        EXPECT_TRUE(control<QAction>(name).isCheckable()) << name;
    }

    const Caption bars[] = {{"tbrControls", "Controls"},
                            {"tbrTrackBarAll1", "Track Bar - All Files"},
                            {"tbrTrackBarCurr1", "Track Bar - Current File"}};
    for (const auto& [name, title] : bars) {
        auto& bar = control<QToolBar>(name);
        EXPECT_EQ(bar.windowTitle(), QString::fromUtf8(title)) << name;
        EXPECT_EQ(window->toolBarArea(&bar), Qt::BottomToolBarArea) << name;
    }
    EXPECT_EQ(control<QSlider>("DVTrackBar").parentWidget(), child<QToolBar>("tbrTrackBarAll1"));
    EXPECT_EQ(control<QSlider>("tbCurFile").parentWidget(), child<QToolBar>("tbrTrackBarCurr1"));
    // Row 1: the controls with the current-file bar to their right; row 2: the all-files bar.
    auto& controls = control<QToolBar>("tbrControls");
    auto& current = control<QToolBar>("tbrTrackBarCurr1");
    auto& all = control<QToolBar>("tbrTrackBarAll1");
    EXPECT_EQ(controls.y(), current.y());
    EXPECT_GT(current.x(), controls.x());
    EXPECT_GT(all.y(), controls.y());
    EXPECT_GT(all.width(), current.width());
}

TEST_F(MainWindowForm, ShortcutFieldsStatusBarAndProgressBar) {
    for (const char* name :
         {"edScPrev", "edScNext", "edScPlay", "edScPause", "edScStop", "edScOpen", "edScList",
          "edScRealTime", "edScHigh", "edScNormal", "edScIdle"}) {
        const auto& field = control<QLineEdit>(name);
        EXPECT_TRUE(field.isReadOnly()) << name;
        EXPECT_TRUE(field.property("Tag").isValid()) << name;
    }
    const auto& statusBar = control<widgets::TStatusBar>("StatusBar");
    EXPECT_EQ(window->statusBar(), &statusBar);
    ASSERT_EQ(statusBar.PanelCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(statusBar.PanelWidth(i), i < 6 ? 75 : 40) << i;
        EXPECT_EQ(statusBar.PanelOwnerDrawn(i), i >= 6) << i;
    }
    const auto& bar = control<QProgressBar>("ProgressBar");
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.parentWidget(), child<QWidget>("tsFilters"));
    EXPECT_EQ(window->minimumWidth(), 550);
}

} // namespace
