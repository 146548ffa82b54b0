#include "platform/filters/device_registration.h"

#include "platform/filters/audio_renderer.h"
#include "platform/filters/dv_device_camcorder.h"
#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_monitor.h"
#include "platform/streaming/device_categories.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QStringList>

namespace platform {

namespace {

// Enumeration order in the video input category.
constexpr int kCamcorderOrder = 0;
constexpr int kMonitorOrder = 100;
constexpr int kFileRecorderOrder = 200;

} // namespace

QString dvCamcorderInstanceName(std::uint64_t guid) {
    return QStringLiteral("DV Camcorder %1").arg(guid, 16, 16, QLatin1Char('0')).toUpper();
}

bool RegisterDvDevices(FilterRegistry& registry, std::shared_ptr<Ieee1394Bus> bus, QString* error,
                       DvDeviceRegistrationOptions options) {
    Dv1394Scan scan;
    if (bus) {
        scan = bus->scan();
    } else {
        scan.error = dv1394NoPortText();
    }
    const bool scanned = scan.succeeded();
    if (error != nullptr) {
        *error = scanned ? QString() : scan.error;
    }

    // Camcorders: drop the old list, register what is on the bus now. A camcorder that an
    // incomplete scan missed (its ROM did not answer after a reset) stays listed.
    QStringList found;
    for (const Dv1394Node& node : scan.nodes) {
        found << dvCamcorderInstanceName(node.guid);
    }
    const bool complete = scan.status != Dv1394ScanStatus::Incomplete;
    for (const DeviceRegistration& device : registry.devices(CLSID_VideoInputDeviceCategory)) {
        if (device.clsid == CLSID_DvCamcorder &&
            (complete || found.contains(device.instanceName))) {
            registry.remove(device.category, device.instanceName);
        }
    }
    for (const Dv1394Node& node : scan.nodes) {
        const QString label =
            node.label.trimmed().isEmpty() ? QStringLiteral("DV Camcorder") : node.label.trimmed();
        DvCamcorderDevice device{bus, node.guid, label, options.watch_interval_ms};
        DeviceRegistration registration =
            namedDevice(CLSID_VideoInputDeviceCategory, label, CLSID_DvCamcorder,
                        [device]() -> std::shared_ptr<IBaseFilter> {
                            return std::make_shared<DvCamcorderFilter>(device);
                        });
        registration.instanceName = dvCamcorderInstanceName(node.guid);
        registration.order = kCamcorderOrder;
        registry.add(std::move(registration));
    }

    DeviceRegistration monitor = namedDevice(
        CLSID_VideoInputDeviceCategory, QStringLiteral("DV Monitor"), CLSID_DvMonitor,
        []() -> std::shared_ptr<IBaseFilter> { return std::make_shared<DvMonitorFilter>(); });
    monitor.order = kMonitorOrder;
    registry.add(std::move(monitor));
    DeviceRegistration recorder = namedDevice(
        CLSID_VideoInputDeviceCategory, QStringLiteral("DV File Recorder"), CLSID_DvFileRecorder,
        []() -> std::shared_ptr<IBaseFilter> { return std::make_shared<DvFileRecorderFilter>(); });
    recorder.order = kFileRecorderOrder;
    registry.add(std::move(recorder));
    return scanned;
}

int RegisterAudioRenderers(FilterRegistry& registry) {
    for (const DeviceRegistration& device : registry.devices(CLSID_AudioRendererCategory)) {
        if (device.clsid == CLSID_QtAudioRenderer) {
            registry.remove(device.category, device.instanceName);
        }
    }
    int count = 0;
    for (const QAudioDevice& output : QMediaDevices::audioOutputs()) {
        const QByteArray id = output.id();
        const QString name = output.description();
        DeviceRegistration registration =
            namedDevice(CLSID_AudioRendererCategory, name, CLSID_QtAudioRenderer,
                        [id, name]() -> std::shared_ptr<IBaseFilter> {
                            return std::make_shared<AudioRendererFilter>(id, name);
                        });
        registration.instanceName = QString::fromUtf8(id);
        if (registry.add(std::move(registration))) {
            ++count;
        }
    }
    return count;
}

} // namespace platform
