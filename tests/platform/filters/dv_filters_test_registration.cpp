// Binding the DV filters through their stored monikers, their property pages, and the frame
// compressor that the smart render engine uses.
#include "platform/filters/dv_encoder_filter.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/moniker.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"
#include "tests/platform/filters/dv_test_support.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace dvfilterstest {
namespace {

using namespace platform;

const QString kMsdvName =
    QStringLiteral("@device:sw:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\DV Video Encoder");
const QString kMainConceptName = QStringLiteral(
    "@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\{E8AC42C1-0810-11D5-8062-00001C0B1B7F}");
const QString kMuxName = QStringLiteral(
    "@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\{129D7E40-C10D-11D0-AFB9-00AA00B67A42}");

// Binds `displayName` the way a stored reference does: the moniker is saved to a stream,
// loaded back and bound.
std::shared_ptr<IBaseFilter> bindStored(const QString& displayName,
                                        const std::shared_ptr<FilterRegistry>& registry,
                                        HRESULT* result) {
    std::shared_ptr<IMoniker> moniker;
    EXPECT_EQ(CreateDeviceMoniker(displayName, registry, &moniker), S_OK);
    MemoryStream saved;
    EXPECT_EQ(OleSaveToStream(*moniker, saved), S_OK);
    MemoryStream stored(saved.data());
    std::shared_ptr<IMoniker> loaded;
    EXPECT_EQ(OleLoadFromStream(stored, registry, &loaded), S_OK);
    std::shared_ptr<IBaseFilter> filter;
    *result = loaded->BindToObject(nullptr, nullptr, &filter);
    return filter;
}

bool libdvInstalled() {
    QString error;
    return DvLibdvEncoder::create(DvStandard::Pal, &error) != nullptr;
}

TEST(DvFilterRegistrationTest, StoredReferencesBindTheEncodersAndTheMuxClass) {
    const auto registry = std::make_shared<FilterRegistry>();
    RegisterDvFilters(*registry);
    HRESULT hr = E_FAIL;

    const auto msdv = bindStored(kMsdvName, registry, &hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(query<IDVEnc>(msdv));
    EXPECT_TRUE(query<IDvFrameCompressor>(msdv));
    CAUUID pages;
    ASSERT_EQ(query<ISpecifyPropertyPages>(msdv)->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.elems.size(), 1u);
    const std::unique_ptr<QWidget> page(CreateDvFilterPropertyPage(pages.elems[0], msdv));
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->findChild<QLabel*>("lbVideoFormat")->text().startsWith("PAL"));
    // Each bind gives a new instance.
    EXPECT_NE(bindStored(kMsdvName, registry, &hr), msdv);

    const auto mux = bindStored(kMuxName, registry, &hr);
    ASSERT_EQ(hr, S_OK);
    CLSID clsid;
    ASSERT_EQ(mux->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_DVMux);
    ASSERT_EQ(query<ISpecifyPropertyPages>(mux)->GetPages(&pages), S_OK);
    EXPECT_EQ(CreateDvFilterPropertyPage(pages.elems[0], msdv), nullptr);
    EXPECT_EQ(mux->EnumPins().size(), 2u);

    if (!libdvInstalled()) {
        GTEST_SKIP() << "libdv is not installed";
    }
    const auto mainConcept = bindStored(kMainConceptName, registry, &hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_TRUE(query<IDVEnc>(mainConcept));
}

TEST(DvFilterRegistrationTest, WithoutLibdvTheSecondEncoderDoesNotBind) {
    const auto registry = std::make_shared<FilterRegistry>();
    RegisterDvFilters(*registry, {.libdv_library_name = "libdv-not-installed.so.0"});
    // Still listed in its category, as an installed class would be.
    EXPECT_EQ(registry->devices(CLSID_LegacyAmFilterCategory).size(), 2u);
    HRESULT hr = S_OK;
    EXPECT_EQ(bindStored(kMainConceptName, registry, &hr), nullptr);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(bindStored(kMsdvName, registry, &hr) != nullptr, true);
}

std::vector<std::uint8_t> concatenated(const dvtest::TestPicture& picture) {
    std::vector<std::uint8_t> bytes;
    for (const auto& plane : picture.planes) {
        bytes.insert(bytes.end(), plane.begin(), plane.end());
    }
    return bytes;
}

TEST(DvFrameCompressorTest, EncodesEveryInputTypeAndRepeatsStillsByteForByte) {
    const auto encoder = CreateDvVideoEncoderFilter();
    IDvFrameCompressor& compressor = *encoder;
    ASSERT_EQ(compressor.SetDvStandard(false), S_OK);
    const auto rgbType = makeDvEncoderInputType(DvStandard::Pal, DvInputKind::Rgb24BottomUp);
    const auto rgb = dvtest::rgbPicture(DvStandard::Pal, 3, true).planes[0];

    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> again;
    ASSERT_EQ(compressor.CompressFrame(rgbType, rgb.data(), rgb.size(), &first), S_OK);
    ASSERT_EQ(compressor.CompressFrame(rgbType, rgb.data(), rgb.size(), &again), S_OK);
    EXPECT_EQ(first.size(), 144000u);
    EXPECT_EQ(first, again);
    EXPECT_EQ(encoder->status().frames_reused, 1u);

    // The native planar type of PAL goes in without conversion.
    const auto yuv = dvtest::yuvPicture(DvStandard::Pal, 4);
    const auto yuvBytes = concatenated(yuv);
    std::vector<std::uint8_t> frame;
    ASSERT_EQ(compressor.CompressFrame(makeDvEncoderInputType(DvStandard::Pal, DvInputKind::I420),
                                       yuvBytes.data(), yuvBytes.size(), &frame),
              S_OK);
    EXPECT_GT(dvtest::psnr(dvtest::decodeVideo(frame).luma, yuv.planes[0]), 38.0);

    // Wrong standard for the compressor, and a buffer too short for its type.
    const auto ntscType = makeDvEncoderInputType(DvStandard::Ntsc, DvInputKind::Y41b);
    EXPECT_EQ(compressor.CompressFrame(ntscType, yuvBytes.data(), yuvBytes.size(), &frame),
              VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(compressor.CompressFrame(rgbType, rgb.data(), rgb.size() / 2, &frame), E_INVALIDARG);

    if (!libdvInstalled()) {
        GTEST_SKIP() << "libdv is not installed";
    }
    const auto libdv = CreateLibdvEncoderFilter();
    ASSERT_TRUE(libdv);
    const auto ntsc = dvtest::yuvPicture(DvStandard::Ntsc, 2);
    const auto ntscBytes = concatenated(ntsc);
    ASSERT_EQ(libdv->CompressFrame(ntscType, ntscBytes.data(), ntscBytes.size(), &frame), S_OK);
    ASSERT_EQ(frame.size(), 120000u);
    const auto decoded = dvtest::decodeVideo(frame);
    EXPECT_EQ(decoded.height, 480);
    EXPECT_GT(dvtest::psnr(decoded.luma, ntsc.planes[0]), 28.0);
}

} // namespace
} // namespace dvfilterstest
