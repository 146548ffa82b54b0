// The main window's stored settings: defaults, the values in the file, a restart with every
// option changed, the toolbars and the window's place, and saves that fail or come late.

#include "app/quintape_application.h"
#include "tests/app/main_window_fixture.h"
#include "widgets/radio_group.h"
#include "widgets/shortcut_keys.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using testsupport::MainWindowTest;

const QString kMainKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain");
const QString kGroupsKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMainlbTransType");
const QString kToolbarsKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\Toolbars");

using Values = QList<std::pair<QString, QString>>;

// Every stored property with its text in an empty store, in the order of the file.
const Values kDefaultTexts{
    {"cbTransEnable_Checked", "False"},
    {"cbNoSequence_Checked", "True"},
    {"udTransTime_Value", "1.5"},
    {"udTransSoft_Value", "100"},
    {"udPicTime_Value", "7"},
    {"udAudShift_Value", "0"},
    {"cbAudioChannels_ItemIndex", "0"},
    {"cbAudioOut_ItemIndex", "1"},
    {"cbAudioRate_ItemIndex", "2"},
    {"cbDVEncoder_ItemIndex", "0"},
    {"cbVideoOut_ItemIndex", "0"},
    {"rbNTSC_Checked", "False"},
    {"rbPAL_Checked", "True"},
    {"rgStretchMode_ItemIndex", "2"},
    {"lbOptions_ItemIndex", "-1"},
    {"cbOnOpen_ItemIndex", "0"},
    {"cbOnEnd_ItemIndex", "1"},
    {"rgFilesLoadMode_ItemIndex", "0"},
    {"rgRecompressMode_ItemIndex", "0"},
    {"buNext_ShortCut", "40"},
    {"buPrev_ShortCut", "38"},
    {"buPlay_ShortCut", "13"},
    {"buPause_ShortCut", "32"},
    {"buStop_ShortCut", "83"},
    {"buScOpenFile_ShortCut", "79"},
    {"buScOpenList_ShortCut", "76"},
    {"rgProcessMode_ItemIndex", "1"},
    {"tbTrackBarUpdateInterval_Position", "1"},
    {"cbPriority_ItemIndex", "1"},
    {"rgOnDragDrop_ItemIndex", "0"},
    {"buPrHigh_ShortCut", "16505"},
    {"buPrIdle_ShortCut", "16507"},
    {"buPrNormal_ShortCut", "16506"},
    {"buPrRealTime_ShortCut", "16504"},
};

// The shortcuts of the eleven commands, all changed: Shift+A, Shift+B ...
const char* const kCommands[] = {"buNext",   "buPrev",       "buPlay",       "buPause",
                                 "buStop",   "buScOpenFile", "buScOpenList", "buPrHigh",
                                 "buPrIdle", "buPrNormal",   "buPrRealTime"};
int changedShortCut(int command) {
    return widgets::kShortCutShift + 'A' + command;
}

class MainWindowSettings : public MainWindowTest {
protected:
    Values storedTexts() const {
        Values values;
        for (const QString& name : registry.valueNames(kMainKey)) {
            values.append({name, registry.readString(kMainKey, name).value_or(QString())});
        }
        return values;
    }
    QString stored(const QString& name) const {
        return registry.readString(kMainKey, name).value_or(QStringLiteral("<missing>"));
    }
    int radio(const char* name) const { return child<widgets::TRadioGroup>(name)->itemIndex(); }
    int combo(const char* name) const { return child<QComboBox>(name)->currentIndex(); }
    bool checked(const char* name) const { return child<QAbstractButton>(name)->isChecked(); }
    Qt::CheckState group(int index) const {
        return child<QListWidget>("lbTransType")->item(index)->checkState();
    }
    void closeWindow() {
        ASSERT_TRUE(window->close());
        window.reset();
    }
};

TEST_F(MainWindowSettings, AnEmptyStoreStartsWithTheDefaultsAndStoresThemAsTabled) {
    open({}, -1);
    EXPECT_TRUE(checked("rbPAL"));
    EXPECT_EQ(combo("cbAudioRate"), 2); // 48000
    EXPECT_EQ(combo("cbAudioChannels"), 0);
    EXPECT_EQ(radio("rgStretchMode"), 2);
    EXPECT_FALSE(checked("cbTransEnable"));
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("udPicTime")->value(), 7.0);
    EXPECT_EQ(combo("cbOnOpen"), 0);
    EXPECT_EQ(combo("cbOnEnd"), 1);
    EXPECT_EQ(combo("cbPriority"), 1);
    EXPECT_EQ(priorityRequests, QList<platform::DWORD>{platform::HIGH_PRIORITY_CLASS});
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(group(i), Qt::Checked) << i;
    }
    EXPECT_TRUE(child<QStackedWidget>("pcOptions")->isHidden());

    closeWindow();
    const Values placement = storedTexts().mid(0, 7);
    EXPECT_EQ(placement.at(0), std::pair(QStringLiteral("FormVersion"), QStringLiteral("0")));
    EXPECT_EQ(placement.at(6), std::pair(QStringLiteral("Visible"), QStringLiteral("0")));
    EXPECT_EQ(storedTexts().mid(7), kDefaultTexts);
    EXPECT_EQ(registry.readString(kGroupsKey, "Count"), QStringLiteral("8"));
    EXPECT_EQ(registry.readString(kGroupsKey, "Item7"), QStringLiteral("1"));
    EXPECT_EQ(registry.subKeyNames(kToolbarsKey),
              QStringList({"tbrControls", "tbrTrackBarAll1", "tbrTrackBarCurr1"}));
    EXPECT_EQ(registry.readString(kToolbarsKey + "\\tbrControls", "Rev"), QStringLiteral("2000"));
}

TEST_F(MainWindowSettings, EveryOptionSurvivesARestartAsTabledUnderACommaLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    open({}, -1);
    child<QCheckBox>("cbTransEnable")->setChecked(true);
    child<QCheckBox>("cbNoSequence")->setChecked(false);
    child<QDoubleSpinBox>("udTransTime")->setValue(2.5);
    child<QSpinBox>("udTransSoft")->setValue(250);
    child<QDoubleSpinBox>("udPicTime")->setValue(0.3);
    child<QSpinBox>("udAudShift")->setValue(-1200);
    child<QComboBox>("cbAudioChannels")->setCurrentIndex(1);
    child<QComboBox>("cbAudioOut")->setCurrentIndex(0);
    child<QComboBox>("cbAudioRate")->setCurrentIndex(0);
    child<QComboBox>("cbDVEncoder")->setCurrentIndex(1);
    child<QComboBox>("cbVideoOut")->setCurrentIndex(1);
    child<QRadioButton>("rbNTSC")->setChecked(true);
    child<widgets::TRadioGroup>("rgStretchMode")->setItemIndex(3);
    child<QListWidget>("lbOptions")->setCurrentRow(5);
    child<QComboBox>("cbOnOpen")->setCurrentIndex(1);
    child<QComboBox>("cbOnEnd")->setCurrentIndex(0);
    child<widgets::TRadioGroup>("rgFilesLoadMode")->setItemIndex(1);
    child<widgets::TRadioGroup>("rgRecompressMode")->setItemIndex(1);
    for (int i = 0; i < 11; ++i) {
        child<QAction>(kCommands[i])->setProperty("ShortCut", changedShortCut(i));
    }
    child<widgets::TRadioGroup>("rgProcessMode")->setItemIndex(0);
    child<QSlider>("tbTrackBarUpdateInterval")->setValue(5);
    child<QComboBox>("cbPriority")->setCurrentIndex(3);
    child<widgets::TRadioGroup>("rgOnDragDrop")->setItemIndex(1);
    child<QListWidget>("lbTransType")->item(1)->setCheckState(Qt::Unchecked);
    child<QListWidget>("lbTransType")->item(5)->setCheckState(Qt::PartiallyChecked);
    // The current-file trackbar goes to the top, the all-files one is closed.
    window->addToolBar(Qt::TopToolBarArea, child<QToolBar>("tbrTrackBarCurr1"));
    child<QToolBar>("tbrTrackBarAll1")->hide();
    const QRect place(60, 70, 720, 520);
    window->setGeometry(place);
    closeWindow();

    EXPECT_EQ(stored("udTransTime_Value"), QStringLiteral("2.5"));
    EXPECT_EQ(stored("udPicTime_Value"), QStringLiteral("0.3"));
    EXPECT_EQ(stored("udAudShift_Value"), QStringLiteral("-1200"));
    EXPECT_EQ(stored("cbTransEnable_Checked"), QStringLiteral("True"));
    EXPECT_EQ(stored("rbNTSC_Checked"), QStringLiteral("True"));
    EXPECT_EQ(stored("buPlay_ShortCut"), QString::number(changedShortCut(2)));
    EXPECT_EQ(registry.readString(kGroupsKey, "Item5"), QStringLiteral("2"));
    EXPECT_EQ(registry.readString(kToolbarsKey + "\\tbrTrackBarCurr1", "DockedTo"),
              QStringLiteral("DockTop"));

    priorityRequests.clear();
    open({}, -1);
    EXPECT_TRUE(checked("cbTransEnable"));
    EXPECT_FALSE(checked("cbNoSequence"));
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("udTransTime")->value(), 2.5);
    EXPECT_EQ(child<QSpinBox>("udTransSoft")->value(), 250);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("udPicTime")->value(), 0.3);
    EXPECT_EQ(child<QSpinBox>("udAudShift")->value(), -1200);
    EXPECT_EQ(combo("cbAudioChannels"), 1);
    EXPECT_EQ(combo("cbAudioOut"), 0);
    EXPECT_EQ(combo("cbAudioRate"), 0);
    EXPECT_EQ(combo("cbDVEncoder"), 1);
    EXPECT_EQ(combo("cbVideoOut"), 1);
    EXPECT_TRUE(checked("rbNTSC"));
    EXPECT_FALSE(checked("rbPAL"));
    EXPECT_EQ(radio("rgStretchMode"), 3);
    EXPECT_EQ(child<QListWidget>("lbOptions")->currentRow(), 5);
    EXPECT_EQ(child<QStackedWidget>("pcOptions")->currentWidget(), child<QWidget>("TabSheet2"));
    EXPECT_EQ(combo("cbOnOpen"), 1);
    EXPECT_EQ(combo("cbOnEnd"), 0);
    EXPECT_EQ(radio("rgFilesLoadMode"), 1);
    EXPECT_EQ(radio("rgRecompressMode"), 1);
    EXPECT_FALSE(child<QWidget>("rgFilesLoadMode")->isEnabled());
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(child<QAction>(kCommands[i])->property("ShortCut").toInt(), changedShortCut(i))
            << kCommands[i];
    }
    // The ShortCuts page, chosen as it was left, shows the restored keys.
    child<QTabWidget>("PageControl1")->setCurrentWidget(child<QWidget>("tsOptions"));
    EXPECT_EQ(child<QLineEdit>("edScPlay")->text(), QStringLiteral("Shift+C"));
    EXPECT_EQ(radio("rgProcessMode"), 0);
    EXPECT_EQ(child<QSlider>("tbTrackBarUpdateInterval")->value(), 5);
    EXPECT_EQ(combo("cbPriority"), 3);
    EXPECT_EQ(priorityRequests, QList<platform::DWORD>{platform::IDLE_PRIORITY_CLASS});
    EXPECT_EQ(radio("rgOnDragDrop"), 1);
    EXPECT_EQ(group(0), Qt::Checked);
    EXPECT_EQ(group(1), Qt::Unchecked);
    EXPECT_EQ(group(5), Qt::PartiallyChecked);
    EXPECT_EQ(window->toolBarArea(child<QToolBar>("tbrTrackBarCurr1")), Qt::TopToolBarArea);
    EXPECT_EQ(window->toolBarArea(child<QToolBar>("tbrControls")), Qt::BottomToolBarArea);
    EXPECT_TRUE(child<QToolBar>("tbrTrackBarAll1")->isHidden());
    EXPECT_EQ(window->geometry(), place);
    QLocale::setDefault(saved);
}

TEST_F(MainWindowSettings, AFailedSaveIsReportedAndTheWindowClosesAllTheSame) {
    open();
    // The file can no longer be replaced.
    QFile::remove(path(QStringLiteral("registry.ini")));
    ASSERT_TRUE(QDir().mkdir(path(QStringLiteral("registry.ini"))));
    QStringList reports;
    auto& application = *app::TQuintapeApplication::instance();
    application.setErrorReporter([&](const QString& text) { reports << text; });
    bool closed = false;
    QObject::connect(window.get(), &app::TfmMain::closed, [&] { closed = true; });
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window->isVisible());
    window.reset();
    application.setErrorReporter({});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().startsWith(QStringLiteral("Cannot save the settings")));
}

TEST_F(MainWindowSettings, WithoutACloseTheSettingsAreSavedWhenTheWindowGoes) {
    open();
    child<QComboBox>("cbOnEnd")->setCurrentIndex(0);
    window.reset();
    EXPECT_EQ(stored("cbOnEnd_ItemIndex"), QStringLiteral("0"));
    EXPECT_EQ(stored("Visible"), QStringLiteral("1"));

    // A window that was never shown restored nothing, and leaves the store alone.
    create();
    child<QComboBox>("cbOnEnd")->setCurrentIndex(1);
    window.reset();
    EXPECT_EQ(stored("cbOnEnd_ItemIndex"), QStringLiteral("0"));
}

} // namespace
