#include "platform/streaming/filter_registry.h"

#include <algorithm>

namespace platform {

namespace {

const QString kDevicePrefix = QStringLiteral("@device:sw:");
constexpr qsizetype kGuidTextLength = 38;

bool sameInstance(const DeviceRegistration& device, const GUID& category, const QString& name) {
    return device.category == category &&
           device.instanceName.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

DeviceRegistration namedDevice(const GUID& category, const QString& friendlyName,
                               std::optional<CLSID> clsid,
                               std::function<std::shared_ptr<IBaseFilter>()> create) {
    return DeviceRegistration{category, friendlyName, friendlyName, clsid, 0, std::move(create)};
}

DeviceRegistration filterClass(const GUID& category, const CLSID& clsid,
                               const QString& friendlyName,
                               std::function<std::shared_ptr<IBaseFilter>()> create) {
    return DeviceRegistration{category, clsid.toString(), friendlyName, clsid,
                              0,        std::move(create)};
}

QString deviceDisplayName(const GUID& category, const QString& instanceName) {
    return kDevicePrefix + category.toString() + QLatin1Char('\\') + instanceName;
}

std::optional<DeviceName> parseDeviceDisplayName(const QString& displayName) {
    if (!displayName.startsWith(kDevicePrefix, Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    const QString rest = displayName.mid(kDevicePrefix.size());
    if (rest.size() < kGuidTextLength + 2 || !rest.startsWith(QLatin1Char('{')) ||
        rest.at(kGuidTextLength) != QLatin1Char('\\')) {
        return std::nullopt;
    }
    const auto category = GUID::fromString(rest.left(kGuidTextLength).toStdString());
    if (!category) {
        return std::nullopt;
    }
    return DeviceName{*category, rest.mid(kGuidTextLength + 1)};
}

bool FilterRegistry::add(DeviceRegistration device) {
    const std::lock_guard lock(mutex_);
    const bool taken = std::ranges::any_of(entries_, [&](const Entry& e) {
        return sameInstance(e.device, device.category, device.instanceName);
    });
    if (taken || device.instanceName.isEmpty()) {
        return false;
    }
    entries_.push_back(Entry{std::move(device), nextSerial_++});
    return true;
}

bool FilterRegistry::remove(const GUID& category, const QString& instanceName) {
    const std::lock_guard lock(mutex_);
    return std::erase_if(entries_, [&](const Entry& e) {
               return sameInstance(e.device, category, instanceName);
           }) > 0;
}

void FilterRegistry::clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

std::vector<DeviceRegistration> FilterRegistry::devices(const GUID& category) const {
    std::vector<Entry> selected;
    {
        const std::lock_guard lock(mutex_);
        std::ranges::copy_if(entries_, std::back_inserter(selected),
                             [&](const Entry& e) { return e.device.category == category; });
    }
    std::ranges::sort(selected, [](const Entry& a, const Entry& b) {
        return std::pair(a.device.order, a.serial) < std::pair(b.device.order, b.serial);
    });
    std::vector<DeviceRegistration> result;
    result.reserve(selected.size());
    for (auto& e : selected) {
        result.push_back(std::move(e.device));
    }
    return result;
}

std::optional<DeviceRegistration> FilterRegistry::find(const GUID& category,
                                                       const QString& instanceName) const {
    const std::lock_guard lock(mutex_);
    const auto it = std::ranges::find_if(
        entries_, [&](const Entry& e) { return sameInstance(e.device, category, instanceName); });
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->device;
}

std::shared_ptr<FilterRegistry> platformFilterRegistry() {
    static const auto registry = std::make_shared<FilterRegistry>();
    return registry;
}

} // namespace platform
