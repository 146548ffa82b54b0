#include "platform/editing/property_setter.h"

#include <algorithm>

namespace platform {
namespace {

struct Property {
    DEXTER_PARAM param;
    std::vector<DEXTER_VALUE> values;
};

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

class PropertySetter final : public IPropertySetter {
public:
    HRESULT AddProp(const DEXTER_PARAM& param, std::span<const DEXTER_VALUE> values) override {
        if (param.Name.isEmpty() || param.nValues <= 0 ||
            static_cast<std::size_t>(param.nValues) != values.size()) {
            return E_INVALIDARG;
        }
        const bool ascending = std::is_sorted(
            values.begin(), values.end(),
            [](const DEXTER_VALUE& a, const DEXTER_VALUE& b) { return a.rt < b.rt; });
        if (!ascending) {
            return E_INVALIDARG;
        }
        Property property{param, {values.begin(), values.end()}};
        if (auto* existing = find(param.Name)) {
            *existing = std::move(property);
        } else {
            properties_.push_back(std::move(property));
        }
        return S_OK;
    }

    HRESULT GetProps(std::vector<DEXTER_PARAM>* params,
                     std::vector<DEXTER_VALUE>* values) const override {
        if (params == nullptr || values == nullptr) {
            return E_POINTER;
        }
        params->clear();
        values->clear();
        for (const auto& property : properties_) {
            params->push_back(property.param);
            values->insert(values->end(), property.values.begin(), property.values.end());
        }
        return S_OK;
    }

    HRESULT GetPropValue(const QString& name, REFERENCE_TIME time, QVariant* value) const override {
        if (value == nullptr) {
            return E_POINTER;
        }
        *value = QVariant();
        const auto* property = find(name);
        if (property == nullptr) {
            return S_FALSE;
        }
        const auto& values = property->values;
        // The last value whose time is at or before the given time.
        auto next =
            std::upper_bound(values.begin(), values.end(), time,
                             [](REFERENCE_TIME t, const DEXTER_VALUE& v) { return t < v.rt; });
        if (next == values.begin()) {
            *value = values.front().v;
            return S_OK;
        }
        const auto& current = *(next - 1);
        *value = current.v;
        if (next != values.end() && next->dwInterp == DEXTERF_INTERPOLATE && isNumber(current.v) &&
            isNumber(next->v) && next->rt > current.rt) {
            const double from = current.v.toDouble();
            const double to = next->v.toDouble();
            const double fraction =
                static_cast<double>(time - current.rt) / static_cast<double>(next->rt - current.rt);
            *value = from + (to - from) * fraction;
        }
        return S_OK;
    }

    HRESULT ClearProps() override {
        properties_.clear();
        return S_OK;
    }

private:
    template <typename List> static auto* findIn(List& list, const QString& name) {
        auto it = std::find_if(list.begin(), list.end(), [&](const Property& p) {
            return p.param.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        return it == list.end() ? nullptr : &*it;
    }
    Property* find(const QString& name) { return findIn(properties_, name); }
    const Property* find(const QString& name) const { return findIn(properties_, name); }

    std::vector<Property> properties_;
};

} // namespace

std::shared_ptr<IPropertySetter> CreatePropertySetter() {
    return std::make_shared<PropertySetter>();
}

} // namespace platform
