#include "platform/filters/dv_libdv_encoder.h"

#include <dlfcn.h>

namespace platform {

namespace {

// The public head of libdv 1.0's dv_encoder_t; the library allocates the whole structure.
struct LibdvEncoderHead {
    int isPAL;
    int is16x9;
    int vlc_encode_passes;
    int static_qno;
    int force_dct;
    int rem_ntsc_setup;
    int clamp_luma;
    int clamp_chroma;
    int frame_count;
    int samples_this_frame;
};

// libdv's dv_color_space_t.
constexpr int kLibdvColorYuy2 = 0;
constexpr int kLibdvColorRgb = 1;
constexpr int kLibdvDctAuto = -1;

using EncoderNew = LibdvEncoderHead* (*)(int, int, int);
using EncoderFree = void (*)(LibdvEncoderHead*);
using EncodeFullFrame = int (*)(LibdvEncoderHead*, std::uint8_t**, int, std::uint8_t*);

struct DlCloser {
    void operator()(void* handle) const { dlclose(handle); }
};

template <typename Function> Function symbol(void* handle, const char* name) {
    return reinterpret_cast<Function>(dlsym(handle, name));
}

} // namespace

struct DvLibdvEncoder::Library {
    std::unique_ptr<void, DlCloser> handle;
    EncoderFree encoder_free = nullptr;
    EncodeFullFrame encode_full_frame = nullptr;
    LibdvEncoderHead* encoder = nullptr;

    ~Library() {
        if (encoder != nullptr) {
            encoder_free(encoder);
        }
    }
};

DvLibdvEncoder::DvLibdvEncoder(DvStandard standard, std::unique_ptr<Library> library)
    : standard_(standard), library_(std::move(library)),
      packed_(static_cast<std::size_t>(kDvWidth * dvHeight(standard) * 3)) {}

DvLibdvEncoder::~DvLibdvEncoder() = default;

std::unique_ptr<DvLibdvEncoder> DvLibdvEncoder::create(DvStandard standard, QString* error,
                                                       const char* library_name) {
    auto library = std::make_unique<Library>();
    library->handle.reset(dlopen(library_name, RTLD_NOW | RTLD_LOCAL));
    if (!library->handle) {
        *error = QStringLiteral("The libdv DV encoder is not installed (%1 could not be loaded; "
                                "on Debian install the package libdv4).")
                     .arg(QString::fromUtf8(library_name));
        return nullptr;
    }
    void* const handle = library->handle.get();
    const auto encoder_new = symbol<EncoderNew>(handle, "dv_encoder_new");
    library->encoder_free = symbol<EncoderFree>(handle, "dv_encoder_free");
    library->encode_full_frame = symbol<EncodeFullFrame>(handle, "dv_encode_full_frame");
    if (encoder_new == nullptr || library->encoder_free == nullptr ||
        library->encode_full_frame == nullptr) {
        *error = QStringLiteral("%1 is not a usable libdv: it lacks the encoder functions.")
                     .arg(QString::fromUtf8(library_name));
        return nullptr;
    }
    library->encoder = encoder_new(0, 0, 0);
    if (library->encoder == nullptr) {
        *error = QStringLiteral("libdv could not create a DV encoder.");
        return nullptr;
    }
    LibdvEncoderHead* const head = library->encoder;
    head->isPAL = standard == DvStandard::Pal ? 1 : 0;
    head->is16x9 = 0;
    head->vlc_encode_passes = 3;
    head->static_qno = 0;
    head->force_dct = kLibdvDctAuto;
    return std::unique_ptr<DvLibdvEncoder>(new DvLibdvEncoder(standard, std::move(library)));
}

bool DvLibdvEncoder::encode(const DvPicture& picture, std::span<std::uint8_t> frame,
                            QString* error) {
    if (frame.size() < dvFrameBytes(standard_)) {
        *error = QStringLiteral("The DV frame buffer is too small.");
        return false;
    }
    const int height = dvHeight(standard_);
    // libdv takes packed RGB24 or packed YUY2, rows top-down without padding.
    const bool rgb_input =
        picture.layout == DvPixelLayout::Rgb24 || picture.layout == DvPixelLayout::Bgr24;
    const AVPixelFormat packed_format = rgb_input ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUYV422;
    std::uint8_t* planes[4] = {packed_.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {kDvWidth * (rgb_input ? 3 : 2), 0, 0, 0};
    if (!converter_.convert(picture, height, packed_format, planes, strides, error)) {
        return false;
    }
    std::uint8_t* input[3] = {packed_.data(), nullptr, nullptr};
    const int result = library_->encode_full_frame(
        library_->encoder, input, rgb_input ? kLibdvColorRgb : kLibdvColorYuy2, frame.data());
    if (result < 0) {
        *error = QStringLiteral("libdv failed to encode the frame (%1).").arg(result);
        return false;
    }
    return true;
}

} // namespace platform
