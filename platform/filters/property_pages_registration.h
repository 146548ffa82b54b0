#pragma once

#include "platform/filters/property_frame.h"

namespace platform {

// Makes the property pages of the platform's own filters (DV encoders, DV multiplexer, DV devices)
// known to `pages`.
void RegisterFilterPropertyPages(PropertyPageRegistry& pages);

} // namespace platform
