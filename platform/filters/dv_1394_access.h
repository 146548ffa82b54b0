#pragma once

#include <QString>

#include <functional>
#include <vector>

// Why a user sees no IEEE 1394 port although the machine has one: the library counts a card only
// when the device file of the card's own node can be opened, and Debian's udev rules leave that
// file to root while they give the camcorders' files to the group "video".
namespace platform {

struct Ieee1394DeviceFile {
    QString path;
    // The node of the FireWire card itself (sysfs attribute is_local).
    bool local = false;
    // This user can open it for reading and writing.
    bool accessible = false;
};

// The /dev/fw* files in `dev_folder`, sorted by name, with is_local read from
// `sysfs_folder`/fwN/is_local and `accessible` from the check (access(2) when empty).
std::vector<Ieee1394DeviceFile>
listIeee1394DeviceFiles(const QString& dev_folder = QStringLiteral("/dev"),
                        const QString& sysfs_folder = QStringLiteral("/sys/bus/firewire/devices"),
                        const std::function<bool(const QString& path)>& accessible = {});

// The text for a bus that shows no port: which device files cannot be opened, the card's own
// node first, and where the udev rule that opens them is described. Empty when every file can
// be opened (or there is none), so that the port is really missing.
QString dv1394AccessProblemText(const std::vector<Ieee1394DeviceFile>& files);

} // namespace platform
