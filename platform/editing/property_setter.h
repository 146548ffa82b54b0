#pragma once

#include "platform/system/hresult.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace platform {

// How a property value leads to the next one: held until the next value, or interpolated.
inline constexpr std::uint32_t DEXTERF_JUMP = 0;
inline constexpr std::uint32_t DEXTERF_INTERPOLATE = 1;

// One property of an effect or transition: its name, dispatch identifier and value count.
struct DEXTER_PARAM {
    QString Name;
    std::int32_t dispID = 0;
    std::int32_t nValues = 0;
};

// One value of a property, valid from time rt (relative to the object's start).
struct DEXTER_VALUE {
    QVariant v;
    REFERENCE_TIME rt = 0;
    std::uint32_t dwInterp = DEXTERF_JUMP;
};

// Holds timed property values for a transition or effect (the stand-in for CLSID_PropertySetter).
class IPropertySetter {
public:
    virtual ~IPropertySetter() = default;

    // Adds a property with param.nValues values in ascending time order. A property of the
    // same name (case-insensitive) is replaced. E_INVALIDARG when the name is empty, the count
    // does not match, there is no value or the times are not ascending.
    virtual HRESULT AddProp(const DEXTER_PARAM& param, std::span<const DEXTER_VALUE> values) = 0;
    // All properties in the order they were added; values holds each property's values one
    // after the other, params[i].nValues of them.
    virtual HRESULT GetProps(std::vector<DEXTER_PARAM>* params,
                             std::vector<DEXTER_VALUE>* values) const = 0;
    // The value of a property at a time: the last value at or before the time (the first one
    // before it starts), interpolated linearly towards the next for DEXTERF_INTERPOLATE when
    // both values are numbers. S_FALSE and an invalid variant when there is no such property.
    virtual HRESULT GetPropValue(const QString& name, REFERENCE_TIME time,
                                 QVariant* value) const = 0;
    virtual HRESULT ClearProps() = 0;
};

// Creates an empty property setter.
std::shared_ptr<IPropertySetter> CreatePropertySetter();

} // namespace platform
