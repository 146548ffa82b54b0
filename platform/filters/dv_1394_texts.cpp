#include "platform/filters/dv_1394_bus.h"

namespace platform {

QString dv1394NoPortText() {
    return QStringLiteral("No IEEE 1394 (FireWire) port was found.");
}

QString dv1394NoPermissionText() {
    return QStringLiteral("No permission to use the IEEE 1394 devices (/dev/fw*): the user must "
                          "be a member of the group \"video\".");
}

QString dv1394RefusesDvText(const QString& device_label) {
    return QStringLiteral("The DV device \"%1\" does not accept DV input.").arg(device_label);
}

QString dv1394NotConnectedText(std::uint64_t guid) {
    return QStringLiteral("The DV device %1 is not connected.")
        .arg(QStringLiteral("%1").arg(guid, 16, 16, QLatin1Char('0')).toUpper());
}

} // namespace platform
