#include "platform/filters/dv_1394_access.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <unistd.h>

namespace platform {

namespace {

bool canOpenForReadAndWrite(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
}

bool isLocalNode(const QString& sysfs_folder, const QString& name) {
    QFile attribute(QDir(sysfs_folder).filePath(name + QStringLiteral("/is_local")));
    if (!attribute.open(QIODevice::ReadOnly)) {
        return false;
    }
    return attribute.readAll().trimmed() == "1";
}

// "fw10" sorts after "fw9".
int nodeNumber(const QString& name) {
    return name.mid(2).toInt();
}

QString joinedPaths(const QStringList& paths) {
    if (paths.size() == 1) {
        return paths.front();
    }
    return QStringList(paths.mid(0, paths.size() - 1)).join(QStringLiteral(", ")) +
           QStringLiteral(" and ") + paths.back();
}

} // namespace

std::vector<Ieee1394DeviceFile>
listIeee1394DeviceFiles(const QString& dev_folder, const QString& sysfs_folder,
                        const std::function<bool(const QString& path)>& accessible) {
    QStringList names =
        QDir(dev_folder).entryList({QStringLiteral("fw*")}, QDir::System | QDir::Files);
    names.removeIf([](const QString& name) {
        bool number = false;
        name.mid(2).toInt(&number);
        return !number;
    });
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return nodeNumber(a) < nodeNumber(b); });
    std::vector<Ieee1394DeviceFile> files;
    for (const QString& name : names) {
        Ieee1394DeviceFile file;
        file.path = QDir(dev_folder).filePath(name);
        file.local = isLocalNode(sysfs_folder, name);
        file.accessible = accessible ? accessible(file.path) : canOpenForReadAndWrite(file.path);
        files.push_back(file);
    }
    return files;
}

QString dv1394AccessProblemText(const std::vector<Ieee1394DeviceFile>& files) {
    QStringList cards;
    QStringList devices;
    for (const Ieee1394DeviceFile& file : files) {
        if (!file.accessible) {
            (file.local ? cards : devices) << file.path;
        }
    }
    if (cards.isEmpty() && devices.isEmpty()) {
        return {};
    }
    QStringList parts;
    if (!cards.isEmpty()) {
        parts << QStringLiteral("%1 (the FireWire card itself%2)")
                     .arg(joinedPaths(cards), cards.size() > 1 ? QStringLiteral("s") : QString());
    }
    if (!devices.isEmpty()) {
        parts << QStringLiteral("%1 (%2)").arg(
            joinedPaths(devices), devices.size() > 1 ? QStringLiteral("devices on the bus")
                                                     : QStringLiteral("a device on the bus"));
    }
    const bool several = cards.size() + devices.size() > 1;
    return QStringLiteral("No permission to open the IEEE 1394 device file%1 %2. The user must be "
                          "allowed to read and write %3: see \"IEEE 1394 camcorders\" in the "
                          "README for the udev rule and the group \"video\".")
        .arg(several ? QStringLiteral("s") : QString(), parts.join(QStringLiteral(" and ")),
             several ? QStringLiteral("them") : QStringLiteral("it"));
}

} // namespace platform
