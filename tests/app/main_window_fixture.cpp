#include "tests/app/main_window_fixture.h"

#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/media_type.h"
#include "platform/streaming/streaming_errors.h"

#include <QComboBox>
#include <QFile>

namespace testsupport {

namespace {

constexpr platform::CLSID kSinkA{0x51A4E001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xA1}};
constexpr platform::CLSID kSinkB{0x51A4E001, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xB2}};

} // namespace

platform::HRESULT NullDvDevice::CheckMediaType(const platform::AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == platform::MEDIATYPE_Interleaved ||
                   mediaType.majortype == platform::MEDIATYPE_Video
               ? platform::S_OK
               : platform::VFW_E_TYPE_NOT_ACCEPTED;
}

MainWindowTest::MainWindowTest()
    : registry(path(QStringLiteral("registry.ini"))),
      filters(std::make_shared<platform::FilterRegistry>()) {
    platform::RegisterDvFilters(*filters);
    for (const auto& [name, clsid] : {std::pair{QStringLiteral("Sink A"), kSinkA},
                                      std::pair{QStringLiteral("Sink B"), kSinkB}}) {
        filters->add(platform::namedDevice(platform::CLSID_VideoInputDeviceCategory, name, clsid,
                                           [this, name, clsid] {
                                               ++created[name];
                                               return std::make_shared<NullDvDevice>(clsid);
                                           }));
    }
}

MainWindowTest::~MainWindowTest() {
    if (window) {
        window->close();
        window.reset();
    }
}

app::TfmMain& MainWindowTest::open(const QStringList& arguments, int onOpenIndex) {
    create(arguments, onOpenIndex);
    window->show();
    EXPECT_TRUE(waitUntil([this] { return window->FirstActivationDone(); }));
    return *window;
}

app::TfmMain& MainWindowTest::create(const QStringList& arguments, int onOpenIndex) {
    app::TMainWindowServices services{registry,
                                      filters,
                                      masterList,
                                      history,
                                      [this] { return showPlayListEditor && showPlayListEditor(); },
                                      [this] { ++editorStores; },
                                      [this] { ++rescans; },
                                      arguments};
    services.setPriorityClass = [this](platform::DWORD requested) {
        priorityRequests << requested;
        int requestedNice = 0;
        int presentNice = 0;
        if (!platform::niceOfPriorityClass(requested, requestedNice) ||
            !platform::niceOfPriorityClass(priorityClass, presentNice) ||
            (refusePriorityRaise && requestedNice < presentNice)) {
            return false;
        }
        priorityClass = requested;
        return true;
    };
    services.getPriorityClass = [this] { return priorityClass; };
    window = std::make_unique<app::TfmMain>(std::move(services));
    if (onOpenIndex >= 0) {
        child<QComboBox>("cbOnOpen")->setCurrentIndex(onOpenIndex);
    }
    return *window;
}

QString MainWindowTest::dvCamDevice() const {
    const auto builder = window->fgMain.query<platform::IGraphBuilder>();
    if (!builder) {
        return {};
    }
    std::shared_ptr<platform::IBaseFilter> dvCam;
    builder->FindFilterByName(QStringLiteral("dvCam"), &dvCam);
    platform::CLSID clsid;
    if (!dvCam || platform::FAILED(dvCam->GetClassID(&clsid))) {
        return {};
    }
    return clsid == kSinkA ? QStringLiteral("Sink A")
                           : (clsid == kSinkB ? QStringLiteral("Sink B") : QString());
}

QString MainWindowTest::writePlayList(const QString& name, const QStringList& paths) {
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < paths.size(); ++i) {
        file.write(
            QStringLiteral("[%1]\r\nFile=%2\r\nChecked=1\r\n").arg(i).arg(paths[i]).toUtf8());
    }
    return file.fileName();
}

} // namespace testsupport
