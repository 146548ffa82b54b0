#include "platform/filters/property_pages_registration.h"

#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_encoder_filter.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_file_recorder_page.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/system/query.h"

namespace platform {

void RegisterFilterPropertyPages(PropertyPageRegistry& pages) {
    for (const GUID& page : {CLSID_DvEncoderPropertyPage, CLSID_DvMuxPropertyPage}) {
        pages.add(page, [page](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) {
            return CreateDvFilterPropertyPage(page, filter, parent);
        });
    }
    pages.add(CLSID_DvFileRecorderPropertyPage,
              [](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) -> QWidget* {
                  const auto recorder = query<IDvFileRecorder>(filter);
                  return recorder ? new DvFileRecorderPage(recorder, parent) : nullptr;
              });
}

} // namespace platform
