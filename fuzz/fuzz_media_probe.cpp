// The media detector and the probe on arbitrary files. The first byte picks the file's
// extension (so that a picture can be named .avi or text named .jpg); the rest is its content.
// The seeds are the generated test media.
#include "fuzz/fuzz_support.h"
#include "fuzz/media_extensions.h"
#include "platform/editing/media_det.h"
#include "render/probe.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QString name =
        QStringLiteral("input") +
        QLatin1String(
            fuzzsupport::kMediaExtensions[data[0] % fuzzsupport::kMediaExtensions.size()]);
    const QString path = fuzzsupport::writeInputFile(name, data + 1, size - 1);

    const auto detector = platform::CreateMediaDet();
    detector->put_Filename(path);
    long streams = 0;
    detector->get_OutputStreams(&streams);
    fuzzsupport::require(streams >= 0, "a stream count is never negative");
    for (long stream = 0; stream < streams; ++stream) {
        detector->put_CurrentStream(stream);
        double length_s = 0;
        detector->get_StreamLength(&length_s);
        fuzzsupport::require(std::isfinite(length_s) && length_s >= 0, "a stream length is a time");
        platform::GUID major;
        detector->get_StreamType(&major);
        platform::AM_MEDIA_TYPE type;
        detector->get_StreamMediaType(&type);
        double rate = 0;
        detector->get_FrameRate(&rate);
    }
    render::ProbeSettings settings;
    settings.noSequence = (data[0] & 0x80) != 0;
    const auto info = render::ProbeFile(path, settings);
    fuzzsupport::require(info != nullptr, "the probe gives a record");
    fuzzsupport::require(info->Duration >= 0, "a length on the timeline is not negative");
    return 0;
}
