// The Filters page: which filters of the running graph it lists, and their property pages; the
// stretch mode reaching the running graph.

#include "app/used_filters.h"
#include "platform/editing/resizer.h"
#include "platform/filters/property_frame.h"
#include "platform/filters/property_pages_registration.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/test_media.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testsupport::MainWindowTest;

constexpr platform::CLSID kPagedSink{0x51A4E001, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xC3}};
constexpr platform::GUID kSinkPage{0x51A4E0FF, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};

// A DV device with a property page of its own.
class PagedDvDevice final : public platform::RendererBase, public platform::ISpecifyPropertyPages {
public:
    PagedDvDevice() : RendererBase(QStringLiteral("PagedDvDevice"), kPagedSink) {}
    platform::HRESULT GetPages(platform::CAUUID* pages) override {
        pages->elems = {kSinkPage};
        return platform::S_OK;
    }

protected:
    platform::HRESULT CheckMediaType(const platform::AM_MEDIA_TYPE& type) override {
        return type.majortype == platform::MEDIATYPE_Interleaved ||
                       type.majortype == platform::MEDIATYPE_Video
                   ? platform::S_OK
                   : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }
    platform::HRESULT DoRenderSample(platform::IMediaSample&) override { return platform::S_OK; }
};

// Filters with and without property pages.
class PagedFilter final : public platform::FilterBase, public platform::ISpecifyPropertyPages {
public:
    PagedFilter() : FilterBase(QStringLiteral("paged")) {}
    platform::HRESULT GetPages(platform::CAUUID* pages) override {
        pages->elems = {kSinkPage};
        return platform::S_OK;
    }
};

class PlainFilter final : public platform::FilterBase {
public:
    PlainFilter() : FilterBase(QStringLiteral("plain")) {}
};

// The titles of the modal windows that open while it lives, each closed at once.
class ModalWatch {
public:
    ModalWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* frame = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                titles << frame->windowTitle();
                parents << frame->parentWidget();
                frame->reject();
            }
        });
        timer_.start();
    }
    QStringList titles;
    QList<QWidget*> parents;

private:
    QTimer timer_;
};

class MainWindowFilters : public MainWindowTest {
protected:
    MainWindowFilters() {
        filters->add(platform::namedDevice(platform::CLSID_VideoInputDeviceCategory,
                                           QStringLiteral("Paged Sink"), kPagedSink,
                                           [] { return std::make_shared<PagedDvDevice>(); }));
        platform::RegisterFilterPropertyPages(platform::platformPropertyPages());
        platform::platformPropertyPages().add(kSinkPage, [](const auto&, QWidget* parent) {
            auto* page = new QWidget(parent);
            page->setWindowTitle(QStringLiteral("Sink"));
            return page;
        });
        // The third device, and "Play" on open.
        registry.writeString(QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain"),
                             QStringLiteral("cbVideoOut_ItemIndex"), QStringLiteral("2"));
        open({testsupport::testMedia(QStringLiteral("picture.jpg"))}, 0);
        QTabBar& tabs = *child<QTabWidget>("PageControl1")->tabBar();
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(2).center());
    }

    QListWidget& list() const { return *child<QListWidget>("lbUsedFilters"); }
    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < list().count(); ++i) {
            names << list().item(i)->text();
        }
        return names;
    }
    QPoint itemCentre(const QString& name) const {
        return list().visualItemRect(list().findItems(name, Qt::MatchExactly).value(0)).center();
    }
    std::vector<std::shared_ptr<platform::IBaseFilter>> graphFilters() const {
        const auto graph = window->fgMain.query<platform::IFilterGraph>();
        return graph ? graph->EnumFilters() : std::vector<std::shared_ptr<platform::IBaseFilter>>{};
    }
    static QString nameOf(const std::shared_ptr<platform::IBaseFilter>& filter) {
        platform::FILTER_INFO info;
        filter->QueryFilterInfo(&info);
        return info.achName;
    }
};

TEST_F(MainWindowFilters, AfterPlayTheOutputFiltersAreListedButNoneOfTheEngines) {
    ASSERT_EQ(window->fgMain.GetGraphState(), graph::TGraphState::Running);
    EXPECT_EQ(listed(), QStringList({"dvCam", "dvMux", "MSDVVideoEncoder"}));
    // The engine's own filters are there, only not listed.
    QStringList inGraph;
    for (const auto& filter : graphFilters()) {
        inGraph << nameOf(filter);
    }
    EXPECT_FALSE(inGraph.filter(QRegularExpression(QStringLiteral("^DEXFILT"))).isEmpty());
    EXPECT_FALSE(inGraph.filter(QRegularExpression(QStringLiteral("^Resizer"))).isEmpty());

    // Every "Apply Changes" refreshes the list.
    list().clear();
    QTest::mouseClick(child<QPushButton>("Button7"), Qt::LeftButton);
    EXPECT_EQ(listed(), QStringList({"dvCam", "dvMux", "MSDVVideoEncoder"}));
}

TEST_F(MainWindowFilters, PropertiesShowTheChosenFiltersPagesInAModalFrame) {
    const ModalWatch watch;
    auto& properties = *child<QPushButton>("buProperties");
    QTest::mouseClick(&properties, Qt::LeftButton);
    EXPECT_TRUE(watch.titles.isEmpty()); // nothing chosen

    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, itemCentre(QStringLiteral("dvMux")));
    QTest::mouseClick(&properties, Qt::LeftButton);
    // A double click: press, release, and the second press that the system reports as one.
    const QPoint dvCam = itemCentre(QStringLiteral("dvCam"));
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, dvCam);
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, dvCam);
    QTest::mouseRelease(list().viewport(), Qt::LeftButton, {}, dvCam);
    EXPECT_EQ(watch.titles, QStringList({"dvMux", "dvCam"}));
    EXPECT_EQ(watch.parents, QList<QWidget*>({window.get(), window.get()}));

    // Once the graph is gone the names stay, and open nothing.
    window->TearDownGraph();
    window->FillUsedFilters();
    EXPECT_EQ(listed(), QStringList({"dvCam", "dvMux", "MSDVVideoEncoder"}));
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, itemCentre(QStringLiteral("dvMux")));
    QTest::mouseClick(&properties, Qt::LeftButton);
    EXPECT_EQ(watch.titles.size(), 2);
}

TEST_F(MainWindowFilters, AStretchModeReachesTheRunningGraphAtOnce) {
    QTest::mouseClick(child<widgets::TRadioGroup>("rgStretchMode")->button(0), Qt::LeftButton);
    int resizers = 0;
    for (const auto& filter : graphFilters()) {
        if (const auto resize = platform::query<platform::IResize>(filter)) {
            int height = 0;
            int width = 0;
            long flag = -1;
            ASSERT_EQ(resize->get_Size(&height, &width, &flag), platform::S_OK);
            EXPECT_EQ(flag, 0);
            ++resizers;
        }
    }
    EXPECT_GT(resizers, 0);
}

TEST(UsedFilterNames, LeavesOutTheEnginesFiltersByExactPrefixAndThoseWithoutPages) {
    const auto graph = platform::CreateFilterGraph();
    const QStringList paged{"Resizer 0001",
                            "Resize",
                            "resizer",
                            "DEXFILT 1",
                            "Audio Repackager 2",
                            "ACM Wrapper",
                            "Frame Rate Converter",
                            "dvMux"};
    for (const QString& name : paged) {
        ASSERT_TRUE(platform::SUCCEEDED(graph->AddFilter(std::make_shared<PagedFilter>(), name)));
    }
    ASSERT_TRUE(platform::SUCCEEDED(graph->AddFilter(std::make_shared<PlainFilter>(), "dvCam")));
    EXPECT_EQ(app::UsedFilterNames(*graph), QStringList({"Resize", "resizer", "dvMux"}));
}

} // namespace
