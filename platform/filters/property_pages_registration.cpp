#include "platform/filters/property_pages_registration.h"

#include "platform/filters/dv_device_pages.h"
#include "platform/filters/dv_encoder_filter.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/dv_mux_filter.h"

namespace platform {

void RegisterFilterPropertyPages(PropertyPageRegistry& pages) {
    for (const GUID& page : {CLSID_DvEncoderPropertyPage, CLSID_DvMuxPropertyPage}) {
        pages.add(page, [page](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) {
            return CreateDvFilterPropertyPage(page, filter, parent);
        });
    }
    RegisterDvDevicePropertyPages(pages);
}

} // namespace platform
