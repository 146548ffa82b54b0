#include "widgets/form_storage.h"

#include "platform/system/registry.h"
#include "tests/support/temp_dir.h"
#include "widgets/stored_value_text.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QLocale>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A group of choices whose chosen index is a property, as the main window's radio groups are.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    using QGroupBox::QGroupBox;
    int itemIndex() const { return index_; }
    void setItemIndex(int index) { index_ = index; }

private:
    int index_ = -1;
};

// A small window with one control of every kind the main window stores, at its defaults.
class TfmTest : public QWidget {
    Q_OBJECT

public:
    TfmTest() {
        auto* layout = new QVBoxLayout(this);
        cbTransEnable = add<QCheckBox>("cbTransEnable", layout);
        udTransTime = add<QDoubleSpinBox>("udTransTime", layout);
        udTransTime->setRange(0.1, 3600);
        udTransTime->setDecimals(1);
        udTransTime->setValue(1.5);
        udAudShift = add<QSpinBox>("udAudShift", layout);
        udAudShift->setRange(-60000, 60000);
        cbAudioRate = add<QComboBox>("cbAudioRate", layout);
        cbAudioRate->addItems({"32000", "44100", "48000"});
        cbAudioRate->setCurrentIndex(2);
        rbPAL = add<QRadioButton>("rbPAL", layout);
        rbNTSC = add<QRadioButton>("rbNTSC", layout);
        rbPAL->setChecked(true);
        rgStretchMode = add<RadioGroup>("rgStretchMode", layout);
        rgStretchMode->setItemIndex(2);
        lbOptions = add<QListWidget>("lbOptions", layout);
        lbOptions->addItems({"System", "Audio", "Video"});
        lbOptions->setCurrentRow(-1);
        tbTrackBarUpdateInterval = add<QSlider>("tbTrackBarUpdateInterval", layout);
        tbTrackBarUpdateInterval->setRange(1, 7);
        buNext = new QAction(this);
        buNext->setObjectName("buNext");
        buNext->setProperty("ShortCut", 40);
        lbTransType = add<QListWidget>("lbTransType", layout);
        for (int i = 0; i < 8; ++i) {
            auto* item = new QListWidgetItem(QStringLiteral("group %1").arg(i), lbTransType);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
    }

    QCheckBox* cbTransEnable;
    QDoubleSpinBox* udTransTime;
    QSpinBox* udAudShift;
    QComboBox* cbAudioRate;
    QRadioButton* rbPAL;
    QRadioButton* rbNTSC;
    RadioGroup* rgStretchMode;
    QListWidget* lbOptions;
    QSlider* tbTrackBarUpdateInterval;
    QAction* buNext;
    QListWidget* lbTransType;

private:
    template <typename T> T* add(const char* name, QVBoxLayout* layout) {
        auto* control = new T(this);
        control->setObjectName(QString::fromLatin1(name));
        layout->addWidget(control);
        return control;
    }
};

const QString kBase = QStringLiteral("Software\\Zarnit\\Quintape.3");
const QString kKey = kBase + QStringLiteral("\\TfmTest");
const QString kListKey = kBase + QStringLiteral("\\TfmTestlbTransType");
const QStringList kStored = {"cbTransEnable_Checked",   "udTransTime_Value",
                             "udAudShift_Value",        "cbAudioRate_ItemIndex",
                             "rbNTSC_Checked",          "rbPAL_Checked",
                             "rgStretchMode_ItemIndex", "lbOptions_ItemIndex",
                             "buNext_ShortCut",         "tbTrackBarUpdateInterval_Position"};

class FormStorageTest : public testsupport::TempDirTest {
protected:
    QString file() const { return path("registry.ini"); }

    // A window with its settings store, as the program sets it up.
    struct Form {
        explicit Form(platform::Registry& registry) : storage(registry, window, kBase) {
            storage.addProperties(kStored);
            storage.addCheckList(window.lbTransType);
        }
        TfmTest window;
        widgets::FormStorage storage;
    };
};

TEST_F(FormStorageTest, EverySettingSurvivesARestart) {
    platform::Registry registry(file());
    {
        Form form(registry);
        EXPECT_EQ(form.storage.key(), kKey);
        EXPECT_EQ(form.storage.valueNames(), kStored);
        TfmTest& w = form.window;
        w.cbTransEnable->setChecked(true);
        w.udTransTime->setValue(0.3);
        w.udAudShift->setValue(-1200);
        w.cbAudioRate->setCurrentIndex(0);
        w.rbNTSC->setChecked(true);
        w.rgStretchMode->setItemIndex(3);
        w.lbOptions->setCurrentRow(1);
        w.tbTrackBarUpdateInterval->setValue(5);
        w.buNext->setProperty("ShortCut", 16384 + 116);
        w.lbTransType->item(1)->setCheckState(Qt::Unchecked);
        w.lbTransType->item(6)->setCheckState(Qt::PartiallyChecked);
        ASSERT_TRUE(form.storage.save());
    }

    // The values as they stand in the file, in the order they are written.
    const platform::Registry stored(file());
    EXPECT_EQ(stored.valueNames(kKey),
              QStringList({"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos",
                           "NormPos", "Visible"}) +
                  kStored);
    const std::pair<const char*, const char*> expected[] = {
        {"FormVersion", "0"},
        {"Visible", "0"},
        {"cbTransEnable_Checked", "True"},
        {"udTransTime_Value", "0.3"},
        {"udAudShift_Value", "-1200"},
        {"cbAudioRate_ItemIndex", "0"},
        {"rbNTSC_Checked", "True"},
        {"rbPAL_Checked", "False"},
        {"rgStretchMode_ItemIndex", "3"},
        {"lbOptions_ItemIndex", "1"},
        {"buNext_ShortCut", "16500"},
        {"tbTrackBarUpdateInterval_Position", "5"},
    };
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(stored.readString(kKey, name), QString(text)) << name;
    }
    EXPECT_EQ(stored.readString(kListKey, "Count"), QString("8"));
    EXPECT_EQ(stored.readString(kListKey, "Item0"), QString("1"));
    EXPECT_EQ(stored.readString(kListKey, "Item1"), QString("0"));
    EXPECT_EQ(stored.readString(kListKey, "Item6"), QString("2"));

    Form next(registry);
    next.storage.restore();
    const TfmTest& w = next.window;
    EXPECT_TRUE(w.cbTransEnable->isChecked());
    EXPECT_DOUBLE_EQ(w.udTransTime->value(), 0.3);
    EXPECT_EQ(w.udAudShift->value(), -1200);
    EXPECT_EQ(w.cbAudioRate->currentIndex(), 0);
    EXPECT_TRUE(w.rbNTSC->isChecked());
    EXPECT_FALSE(w.rbPAL->isChecked());
    EXPECT_EQ(w.rgStretchMode->itemIndex(), 3);
    EXPECT_EQ(w.lbOptions->currentRow(), 1);
    EXPECT_EQ(w.tbTrackBarUpdateInterval->value(), 5);
    EXPECT_EQ(w.buNext->property("ShortCut").toInt(), 16500);
    EXPECT_EQ(w.lbTransType->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.lbTransType->item(6)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(w.lbTransType->item(7)->checkState(), Qt::Checked);
}

TEST_F(FormStorageTest, AnEmptyStoreLeavesTheDefaults) {
    platform::Registry registry(file());
    Form form(registry);
    form.storage.restore();
    const TfmTest& w = form.window;
    EXPECT_FALSE(w.cbTransEnable->isChecked());
    EXPECT_DOUBLE_EQ(w.udTransTime->value(), 1.5);
    EXPECT_EQ(w.cbAudioRate->currentIndex(), 2);
    EXPECT_TRUE(w.rbPAL->isChecked());
    EXPECT_EQ(w.rgStretchMode->itemIndex(), 2);
    EXPECT_EQ(w.lbOptions->currentRow(), -1);
    EXPECT_EQ(w.buNext->property("ShortCut").toInt(), 40);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(w.lbTransType->item(i)->checkState(), Qt::Checked) << i;
    }
}

TEST_F(FormStorageTest, NumbersUseAPointUnderACommaLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::Registry registry(file());
    {
        Form form(registry);
        form.window.udTransTime->setValue(1.5);
        ASSERT_TRUE(form.storage.save());
    }
    EXPECT_EQ(registry.readString(kKey, "udTransTime_Value"), QString("1.5"));
    Form next(registry);
    next.window.udTransTime->setValue(3);
    next.storage.restore();
    EXPECT_DOUBLE_EQ(next.window.udTransTime->value(), 1.5);

    // A comma is not taken for the decimal separator.
    ASSERT_TRUE(registry.writeString(kKey, "udTransTime_Value", "2,5"));
    next.storage.restore();
    EXPECT_DOUBLE_EQ(next.window.udTransTime->value(), 1.5);
    QLocale::setDefault(saved);
}

TEST_F(FormStorageTest, ValuesThatDoNotConvertAreSkipped) {
    platform::Registry registry(file());
    const std::pair<const char*, const char*> values[] = {
        {"cbTransEnable_Checked", "yes"},
        {"udTransTime_Value", "nan"},
        {"udAudShift_Value", " -250 "}, // blanks are trimmed
        {"cbAudioRate_ItemIndex", "one"},
        {"rgStretchMode_ItemIndex", "99999999999"}, // does not fit the property
        {"lbOptions_ItemIndex", ""},
        {"buNext_ShortCut", "0x20"},
        {"tbTrackBarUpdateInterval_Position", "3"},
    };
    for (const auto& [name, text] : values) {
        ASSERT_TRUE(registry.writeString(kKey, name, text));
    }
    Form form(registry);
    form.storage.restore();
    const TfmTest& w = form.window;
    EXPECT_FALSE(w.cbTransEnable->isChecked());
    EXPECT_DOUBLE_EQ(w.udTransTime->value(), 1.5);
    EXPECT_EQ(w.udAudShift->value(), -250);
    EXPECT_EQ(w.cbAudioRate->currentIndex(), 2);
    EXPECT_EQ(w.rgStretchMode->itemIndex(), 2);
    EXPECT_EQ(w.lbOptions->currentRow(), -1);
    EXPECT_EQ(w.buNext->property("ShortCut").toInt(), 40);
    EXPECT_EQ(w.tbTrackBarUpdateInterval->value(), 3);
}

TEST_F(FormStorageTest, ANegativeFormVersionRestoresNothing) {
    platform::Registry registry(file());
    ASSERT_TRUE(registry.writeString(kKey, "FormVersion", "-1"));
    ASSERT_TRUE(registry.writeString(kKey, "cbTransEnable_Checked", "True"));
    ASSERT_TRUE(registry.writeString(kKey, "NormPos", "10,10,300,200"));
    Form form(registry);
    const QRect before = form.window.geometry();
    form.storage.restore();
    EXPECT_FALSE(form.window.cbTransEnable->isChecked());
    EXPECT_EQ(form.window.geometry(), before);
    ASSERT_TRUE(registry.writeString(kKey, "FormVersion", "0"));
    form.storage.restore();
    EXPECT_TRUE(form.window.cbTransEnable->isChecked());
}

TEST_F(FormStorageTest, CheckListsReadOnlyTheStoredCount) {
    platform::Registry registry(file());
    ASSERT_TRUE(registry.writeString(kListKey, "Item9", "1")); // left from a longer list
    {
        Form form(registry);
        ASSERT_TRUE(form.storage.save());
    }
    EXPECT_FALSE(registry.valueExists(kListKey, "Item9")); // the key is erased first

    ASSERT_TRUE(registry.eraseKey(kListKey));
    ASSERT_TRUE(registry.writeString(kListKey, "Count", "4"));
    ASSERT_TRUE(registry.writeString(kListKey, "Item0", "0"));
    ASSERT_TRUE(registry.writeString(kListKey, "Item1", "2"));
    ASSERT_TRUE(registry.writeString(kListKey, "Item2", "7")); // no check state: skipped
    ASSERT_TRUE(registry.writeString(kListKey, "Item4", "0")); // beyond Count
    Form form(registry);
    form.storage.restore();
    const QListWidget& list = *form.window.lbTransType;
    EXPECT_EQ(list.item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list.item(1)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(list.item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(list.item(3)->checkState(), Qt::Unchecked); // missing reads as 0
    EXPECT_EQ(list.item(4)->checkState(), Qt::Checked);

    // A count larger than the list reads only the list's items.
    ASSERT_TRUE(registry.writeString(kListKey, "Count", "20"));
    form.storage.restore();
    EXPECT_EQ(list.item(7)->checkState(), Qt::Unchecked);
}

TEST_F(FormStorageTest, PlacementComesBackAtTheSameResolution) {
    platform::Registry registry(file());
    {
        Form form(registry);
        form.window.setGeometry(40, 50, 320, 240);
        ASSERT_TRUE(form.storage.save(true));
    }
    EXPECT_EQ(registry.readString(kKey, "NormPos"), QString("40,50,360,290"));
    EXPECT_EQ(registry.readString(kKey, "MinMaxPos"), QString("-1,-1,-1,-1"));
    EXPECT_EQ(registry.readString(kKey, "ShowCmd"), QString("1"));
    EXPECT_EQ(registry.readString(kKey, "Visible"), QString("1"));
    {
        Form form(registry);
        form.storage.restore();
        EXPECT_EQ(form.window.geometry(), QRect(40, 50, 320, 240));
    }
    {
        // Saved at another resolution: not applied.
        ASSERT_TRUE(registry.writeString(kKey, "PixelsPerInch",
                                         QString::number(TfmTest().logicalDpiY() + 24)));
        Form form(registry);
        const QRect before = form.window.geometry();
        form.storage.restore();
        EXPECT_EQ(form.window.geometry(), before);
        ASSERT_TRUE(registry.deleteValue(kKey, "PixelsPerInch"));
    }
    {
        // Missing edges keep the current ones.
        ASSERT_TRUE(registry.writeString(kKey, "NormPos", "100,120"));
        Form form(registry);
        form.window.setGeometry(10, 20, 300, 200);
        form.storage.restore();
        EXPECT_EQ(form.window.geometry(), QRect(100, 120, 210, 100));
    }
    {
        // A window that cannot be resized takes only the corner.
        ASSERT_TRUE(registry.writeString(kKey, "NormPos", "60,70,600,500"));
        Form form(registry);
        form.window.setFixedSize(280, 180);
        form.storage.restore();
        EXPECT_EQ(form.window.geometry(), QRect(60, 70, 280, 180));
    }
    {
        // A place on no screen is not taken.
        ASSERT_TRUE(registry.writeString(kKey, "NormPos", "-5000,-5000,-4700,-4800"));
        Form form(registry);
        const QRect before = form.window.geometry();
        form.storage.restore();
        EXPECT_EQ(form.window.geometry(), before);
    }
}

TEST_F(FormStorageTest, SingleValuesAreReadWithDefaultsAndWrittenAtOnce) {
    platform::Registry registry(file());
    Form form(registry);
    EXPECT_EQ(form.storage.readInteger("cbVideoOut_ItemIndex", 0), 0);
    EXPECT_EQ(form.storage.readInteger("cbAudioOut_ItemIndex", 1), 1);
    ASSERT_TRUE(form.storage.writeInteger("cbVideoOut_ItemIndex", 3));
    EXPECT_EQ(platform::Registry(file()).readString(kKey, "cbVideoOut_ItemIndex"), QString("3"));
    EXPECT_EQ(form.storage.readInteger("cbVideoOut_ItemIndex", 0), 3);
    ASSERT_TRUE(registry.writeString(kKey, "cbAudioOut_ItemIndex", "two"));
    EXPECT_EQ(form.storage.readInteger("cbAudioOut_ItemIndex", 1), 1);
}

TEST_F(FormStorageTest, AFailedSaveIsReportedWithTheReason) {
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    platform::Registry registry(path("plain/registry.ini"));
    Form form(registry);
    EXPECT_FALSE(form.storage.save());
    EXPECT_TRUE(form.storage.errorString().contains(registry.errorString()));
    EXPECT_FALSE(registry.errorString().isEmpty());
    EXPECT_FALSE(form.storage.writeInteger("cbVideoOut_ItemIndex", 1));
}

TEST_F(FormStorageTest, UnknownControlsAndPropertiesAreRefused) {
    platform::Registry registry(file());
    TfmTest window;
    widgets::FormStorage storage(registry, window, kBase);
    EXPECT_THROW(storage.addProperties({"cbMissing_Checked"}), std::invalid_argument);
    EXPECT_THROW(storage.addProperties({"cbTransEnable_Nonsense"}), std::invalid_argument);
    EXPECT_THROW(storage.addProperty(window.cbAudioRate, "Count", "count"),
                 std::invalid_argument); // read-only
    QCheckBox unnamed;
    EXPECT_THROW(storage.addProperty(&unnamed, "Checked"), std::invalid_argument);
    EXPECT_TRUE(storage.valueNames().isEmpty());
}

TEST(StoredText, FloatsReadBackExactly) {
    using namespace widgets::stored_text;
    EXPECT_EQ(fromFloat(7), "7");
    EXPECT_EQ(fromFloat(0.1), "0.1"); // no binary noise
    const double third = 1.0 / 3;
    EXPECT_EQ(toFloat(fromFloat(third)), third);
    EXPECT_EQ(toFloat(" 2.5e3 "), 2500.0);
    EXPECT_EQ(toFloat("inf"), std::nullopt);
}

} // namespace

#include "form_storage_test.moc"
