#include "platform/filters/dv_file_sink.h"

namespace platform {

DvFileSink::DvFileSink(const DvFileSinkOptions& options) : options_(options), file_(options.path) {}

std::unique_ptr<DvFileSink> DvFileSink::create(const DvFileSinkOptions& options, QString* error) {
    std::unique_ptr<DvFileSink> sink(new DvFileSink(options));
    if (!sink->file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("Cannot write the DV file \"%1\": %2")
                     .arg(options.path, sink->file_.errorString());
        return nullptr;
    }
    return sink;
}

DvSinkPacing DvFileSink::pacing() const {
    return options_.wait_until ? DvSinkPacing::ReferenceClock : DvSinkPacing::AsFastAsPossible;
}

bool DvFileSink::pushFrame(std::span<const std::uint8_t> frame, QString* error) {
    if (!file_.isOpen()) {
        *error = QStringLiteral("The DV file \"%1\" is closed.").arg(options_.path);
        return false;
    }
    if (!isWholeDvFrame(frame, options_.standard, error)) {
        return false;
    }
    if (options_.wait_until) {
        options_.wait_until(
            dvFrameStart100ns(options_.standard, static_cast<std::int64_t>(frames_written_)));
    }
    const auto size = static_cast<qint64>(frame.size());
    if (file_.write(reinterpret_cast<const char*>(frame.data()), size) != size) {
        *error = QStringLiteral("Writing the DV file \"%1\" failed: %2")
                     .arg(options_.path, file_.errorString());
        return false;
    }
    ++frames_written_;
    return true;
}

bool DvFileSink::close(QString* error) {
    if (!file_.isOpen()) {
        return true;
    }
    const bool flushed = file_.flush();
    file_.close();
    if (!flushed || file_.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Writing the DV file \"%1\" failed: %2")
                     .arg(options_.path, file_.errorString());
        return false;
    }
    return true;
}

} // namespace platform
