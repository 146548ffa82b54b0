#include "render/file_info.h"

namespace render {

void CopyFileInfo(TFileInfo& destination, const TFileInfo& source) {
    // The media type is a value with its own format block, so plain assignment copies it deeply.
    destination = source;
}

} // namespace render
