#include "platform/streaming/device_unpluggable.h"

#include "platform/streaming/filter_base.h"
#include "platform/streaming/pin_base.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

class DeviceFilter final : public FilterBase {
public:
    DeviceFilter(const QString& name, const CLSID& clsid) : FilterBase(name, clsid), input_(*this) {
        addPin(input_);
    }

private:
    class AnyInput final : public InputPinBase {
    public:
        explicit AnyInput(FilterBase& owner) : InputPinBase(owner, QStringLiteral("In")) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
    };
    AnyInput input_;
};

} // namespace

struct UnpluggableDevice::State {
    std::mutex mutex;
    bool plugged = true;
    std::vector<std::weak_ptr<DeviceFilter>> filters;
};

UnpluggableDevice::UnpluggableDevice(std::shared_ptr<FilterRegistry> registry, const GUID& category,
                                     const QString& friendlyName, std::optional<CLSID> clsid)
    : registry_(std::move(registry)), state_(std::make_shared<State>()) {
    const std::weak_ptr<State> weakState = state_;
    registration_ =
        namedDevice(category, friendlyName, clsid,
                    [weakState, friendlyName, clsid]() -> std::shared_ptr<IBaseFilter> {
                        const auto state = weakState.lock();
                        if (!state) {
                            return nullptr;
                        }
                        auto filter =
                            std::make_shared<DeviceFilter>(friendlyName, clsid.value_or(CLSID{}));
                        const std::lock_guard lock(state->mutex);
                        std::erase_if(state->filters, [](const auto& f) { return f.expired(); });
                        state->filters.push_back(filter);
                        return filter;
                    });
    registry_->add(registration_);
}

UnpluggableDevice::~UnpluggableDevice() {
    registry_->remove(registration_.category, registration_.instanceName);
}

void UnpluggableDevice::unplug() {
    {
        const std::lock_guard lock(state_->mutex);
        if (!state_->plugged) {
            return;
        }
        state_->plugged = false;
    }
    registry_->remove(registration_.category, registration_.instanceName);
    sendDeviceLost(0);
}

void UnpluggableDevice::plugIn() {
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->plugged) {
            return;
        }
        state_->plugged = true;
    }
    registry_->add(registration_);
    sendDeviceLost(1);
}

bool UnpluggableDevice::isPlugged() const {
    const std::lock_guard lock(state_->mutex);
    return state_->plugged;
}

void UnpluggableDevice::sendDeviceLost(LONG_PTR available) {
    std::vector<std::shared_ptr<DeviceFilter>> live;
    {
        const std::lock_guard lock(state_->mutex);
        for (const auto& weak : state_->filters) {
            if (auto filter = weak.lock()) {
                live.push_back(std::move(filter));
            }
        }
    }
    // Outside the lock: the graph may call back into the filter.
    for (const auto& filter : live) {
        filter->notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(filter.get()), available);
    }
}

} // namespace platform
