#pragma once

#include "platform/filters/dv_libdv_encoder.h"
#include "platform/streaming/filter_registry.h"

#include <QString>

#include <memory>
#include <string>

class QWidget;

// Registers the DV encoders and the DV multiplexer with a filter registry, and creates their
// property pages.
namespace platform {

struct DvFilterRegistrationOptions {
    // The libdv shared object the second encoder loads (tests name a missing one).
    std::string libdv_library_name = kLibdvLibraryName;
};

// The FFmpeg encoder as "DV Video Encoder" in the video compressor category, the libdv encoder
// as its class {E8AC42C1-0810-11D5-8062-00001C0B1B7F} in the DirectShow filter category (its
// factory gives null when libdv is not installed, so binding fails), and the multiplexer class
// CLSID_DVMux in the DirectShow filter category. Registrations already present are kept.
void RegisterDvFilters(FilterRegistry& registry, const DvFilterRegistrationOptions& options = {});

// The property page `page` (a class from ISpecifyPropertyPages::GetPages) of `filter`; null
// when the page is not one of these filters' or does not fit the filter.
QWidget* CreateDvFilterPropertyPage(const GUID& page, const std::shared_ptr<IBaseFilter>& filter,
                                    QWidget* parent = nullptr);

} // namespace platform
