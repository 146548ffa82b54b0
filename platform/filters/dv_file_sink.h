#pragma once

#include "platform/filters/dv_sink.h"

#include <QFile>

#include <functional>
#include <memory>

// Writes the raw DV stream (frame after frame, no container) to a file.
namespace platform {

struct DvFileSinkOptions {
    QString path;
    DvStandard standard = DvStandard::Pal;
    // Called before each frame with the frame's start time (100 ns from the first frame); it
    // returns when that time has come on the caller's clock. Empty: as fast as possible.
    std::function<void(std::int64_t frame_start_100ns)> wait_until;
};

class DvFileSink final : public DvSink {
public:
    // Creates (truncates) the file; nullptr and an error text when it cannot be opened.
    static std::unique_ptr<DvFileSink> create(const DvFileSinkOptions& options, QString* error);

    DvStandard standard() const override { return options_.standard; }
    DvSinkPacing pacing() const override;
    bool pushFrame(std::span<const std::uint8_t> frame, QString* error) override;
    std::uint64_t framesOut() const override { return frames_written_; }
    // Flushes and closes the file; later frames are refused.
    bool close(QString* error);

private:
    explicit DvFileSink(const DvFileSinkOptions& options);

    DvFileSinkOptions options_;
    QFile file_;
    std::uint64_t frames_written_ = 0;
};

} // namespace platform
