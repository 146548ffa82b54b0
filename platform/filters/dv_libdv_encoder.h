#pragma once

#include "platform/filters/dv_encoder.h"
#include "platform/filters/dv_picture_converter.h"

#include <memory>
#include <vector>

// The second DV video encoder, over libdv. The library is optional: it is loaded when the
// encoder is created, and creation fails with a clear text when it is not installed.
namespace platform {

inline constexpr const char* kLibdvLibraryName = "libdv.so.4";

class DvLibdvEncoder final : public DvEncoder {
public:
    // `library_name` is the shared object to load (tests name a missing one).
    static std::unique_ptr<DvLibdvEncoder> create(DvStandard standard, QString* error,
                                                  const char* library_name = kLibdvLibraryName);
    ~DvLibdvEncoder() override;
    DvLibdvEncoder(const DvLibdvEncoder&) = delete;
    DvLibdvEncoder& operator=(const DvLibdvEncoder&) = delete;

    DvStandard standard() const override { return standard_; }
    bool encode(const DvPicture& picture, std::span<std::uint8_t> frame, QString* error) override;

private:
    struct Library;
    DvLibdvEncoder(DvStandard standard, std::unique_ptr<Library> library);

    DvStandard standard_;
    std::unique_ptr<Library> library_;
    DvPictureConverter converter_;
    std::vector<std::uint8_t> packed_;
};

} // namespace platform
