#include "graph/sys_dev_enum.h"

#include "platform/streaming/device_enumerator.h"

namespace graph {

namespace {

constexpr qsizetype kMaxFriendlyNameLength = 255;

} // namespace

TSysDevEnum::TSysDevEnum(const platform::GUID& category,
                         std::shared_ptr<platform::FilterRegistry> registry)
    : registry_(std::move(registry)) {
    SelectCategory(category);
}

void TSysDevEnum::SelectCategory(const platform::GUID& category) {
    filters_.clear();
    category_ = category;
    const auto devEnum = platform::CreateSystemDeviceEnum(registry_);
    std::shared_ptr<platform::IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category, &monikers, 0) != platform::S_OK) {
        return;
    }
    std::shared_ptr<platform::IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == platform::S_OK) {
        std::shared_ptr<platform::IPropertyBag> bag;
        // A device that vanished between listing and reading is left out.
        if (platform::FAILED(moniker->BindToStorage(nullptr, nullptr, &bag))) {
            continue;
        }
        TDeviceEntry entry;
        QString name;
        if (platform::SUCCEEDED(bag->Read(QStringLiteral("FriendlyName"), &name))) {
            entry.FriendlyName = name.left(kMaxFriendlyNameLength);
        }
        QString clsid;
        if (platform::SUCCEEDED(bag->Read(QStringLiteral("CLSID"), &clsid))) {
            entry.CLSID =
                platform::GUID::fromString(clsid.toStdString()).value_or(platform::GUID_NULL);
        }
        filters_.push_back(std::move(entry));
    }
}

TDeviceEntry TSysDevEnum::Filters(int index) const {
    if (index < 0 || index >= FilterCount()) {
        return {};
    }
    return filters_[static_cast<std::size_t>(index)];
}

std::shared_ptr<platform::IBaseFilter> TSysDevEnum::CreateFilter(int index) {
    if (index < 0 || index >= FilterCount()) {
        return nullptr;
    }
    const auto devEnum = platform::CreateSystemDeviceEnum(registry_);
    std::shared_ptr<platform::IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category_, &monikers, 0) != platform::S_OK) {
        return nullptr;
    }
    std::shared_ptr<platform::IMoniker> moniker;
    unsigned long fetched = 0;
    // The category may have shrunk since it was listed: never bind a missing moniker.
    if (monikers->Skip(static_cast<unsigned long>(index)) != platform::S_OK ||
        monikers->Next(1, &moniker, &fetched) != platform::S_OK || fetched != 1 || !moniker) {
        return nullptr;
    }
    std::shared_ptr<platform::IBaseFilter> filter;
    moniker->BindToObject(nullptr, nullptr, &filter);
    monikers->Reset();
    return filter;
}

std::shared_ptr<platform::IBaseFilter>
TSysDevEnum::CreateFilterByCLSID(const platform::CLSID& clsid) {
    for (int i = 0; i < FilterCount(); ++i) {
        if (filters_[static_cast<std::size_t>(i)].CLSID == clsid) {
            return CreateFilter(i);
        }
    }
    return nullptr;
}

} // namespace graph
