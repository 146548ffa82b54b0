#include "platform/filters/dv_1394_bus.h"

#include <algorithm>

namespace platform {

const Dv1394Node* Dv1394Scan::find(std::uint64_t guid) const {
    const auto found = std::find_if(nodes.begin(), nodes.end(),
                                    [guid](const Dv1394Node& node) { return node.guid == guid; });
    return found == nodes.end() ? nullptr : &*found;
}

std::optional<bool> Dv1394Scan::presence(std::uint64_t guid) const {
    if (find(guid) != nullptr) {
        return true;
    }
    if (status == Dv1394ScanStatus::Complete || status == Dv1394ScanStatus::NoPort) {
        return false;
    }
    return std::nullopt;
}

QString dv1394NoPortText() {
    return QStringLiteral("No IEEE 1394 (FireWire) port was found.");
}

QString dv1394NoPermissionText() {
    return QStringLiteral("No permission to use the IEEE 1394 devices (/dev/fw*): see \"IEEE 1394 "
                          "camcorders\" in the README for the udev rule and the group \"video\".");
}

QString dv1394RefusesDvText(const QString& device_label, const QString& answer) {
    return QStringLiteral("The DV device \"%1\" refuses DV input: %2").arg(device_label, answer);
}

QString dv1394InputPlugOfflineText(std::uint32_t plug_register) {
    return QStringLiteral("its input plug is offline (iPCR[0] = 0x%1); a camcorder must be in VCR "
                          "(playback) mode to record from the bus.")
        .arg(plug_register, 8, 16, QLatin1Char('0'));
}

QString dv1394NotConnectedText(std::uint64_t guid) {
    return QStringLiteral("The DV device %1 is not connected.")
        .arg(QStringLiteral("%1").arg(guid, 16, 16, QLatin1Char('0')).toUpper());
}

} // namespace platform
