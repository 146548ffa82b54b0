#include "platform/streaming/device_enumerator.h"

namespace platform {

namespace {

class MonikerList final : public IEnumMoniker {
public:
    explicit MonikerList(std::vector<std::shared_ptr<IMoniker>> monikers)
        : monikers_(std::move(monikers)) {}

    HRESULT Next(unsigned long count, std::shared_ptr<IMoniker>* monikers,
                 unsigned long* fetched) override {
        if (!monikers && count > 0) {
            return E_POINTER;
        }
        unsigned long taken = 0;
        while (taken < count && next_ < monikers_.size()) {
            monikers[taken++] = monikers_[next_++];
        }
        if (fetched) {
            *fetched = taken;
        }
        return taken == count ? S_OK : S_FALSE;
    }

    HRESULT Skip(unsigned long count) override {
        const std::size_t left = monikers_.size() - next_;
        const std::size_t skipped = std::min<std::size_t>(count, left);
        next_ += skipped;
        return skipped == count ? S_OK : S_FALSE;
    }

    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }

private:
    std::vector<std::shared_ptr<IMoniker>> monikers_;
    std::size_t next_ = 0;
};

class SystemDeviceEnum final : public ICreateDevEnum {
public:
    explicit SystemDeviceEnum(std::shared_ptr<FilterRegistry> registry)
        : registry_(std::move(registry)) {}

    HRESULT CreateClassEnumerator(const GUID& category, std::shared_ptr<IEnumMoniker>* enumerator,
                                  unsigned long) override {
        if (!enumerator) {
            return E_POINTER;
        }
        enumerator->reset();
        std::vector<std::shared_ptr<IMoniker>> monikers;
        for (const auto& device : registry_->devices(category)) {
            std::shared_ptr<IMoniker> moniker;
            const QString name = deviceDisplayName(device.category, device.instanceName);
            if (SUCCEEDED(CreateDeviceMoniker(name, registry_, &moniker))) {
                monikers.push_back(std::move(moniker));
            }
        }
        if (monikers.empty()) {
            return S_FALSE;
        }
        *enumerator = std::make_shared<MonikerList>(std::move(monikers));
        return S_OK;
    }

private:
    std::shared_ptr<FilterRegistry> registry_;
};

} // namespace

std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnum(std::shared_ptr<FilterRegistry> registry) {
    return std::make_shared<SystemDeviceEnum>(std::move(registry));
}

std::shared_ptr<ICreateDevEnum> CreateSystemDeviceEnum() {
    return CreateSystemDeviceEnum(platformFilterRegistry());
}

} // namespace platform
