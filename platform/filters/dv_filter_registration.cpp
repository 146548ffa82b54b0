#include "platform/filters/dv_filter_registration.h"

#include "platform/filters/dv_encoder_page.h"
#include "platform/filters/dv_mux_page.h"
#include "platform/streaming/device_categories.h"
#include "platform/system/query.h"

namespace platform {

void RegisterDvFilters(FilterRegistry& registry, const DvFilterRegistrationOptions& options) {
    registry.add(namedDevice(CLSID_VideoCompressorCategory, QStringLiteral("DV Video Encoder"),
                             CLSID_DVVideoEnc, [] { return CreateDvVideoEncoderFilter(); }));
    registry.add(filterClass(CLSID_LegacyAmFilterCategory, CLSID_MainConceptDVVideoEncoder,
                             QStringLiteral("MainConcept DV Video Encoder"),
                             [library = options.libdv_library_name] {
                                 return CreateLibdvEncoderFilter(library.c_str());
                             }));
    registry.add(filterClass(CLSID_LegacyAmFilterCategory, CLSID_DVMux, QStringLiteral("DV Muxer"),
                             [] { return CreateDvMuxFilter(); }));
}

QWidget* CreateDvFilterPropertyPage(const GUID& page, const std::shared_ptr<IBaseFilter>& filter,
                                    QWidget* parent) {
    if (page == CLSID_DvEncoderPropertyPage) {
        if (auto encoder = query<DvEncoderFilter>(filter)) {
            return new DvEncoderPage(std::move(encoder), parent);
        }
    } else if (page == CLSID_DvMuxPropertyPage) {
        if (auto mux = query<DvMuxFilter>(filter)) {
            return new DvMuxPage(std::move(mux), parent);
        }
    }
    return nullptr;
}

} // namespace platform
