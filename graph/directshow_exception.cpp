#include "graph/directshow_exception.h"

#include "platform/streaming/streaming_errors.h"

#include <cstdint>

namespace graph {

namespace {
constexpr qsizetype kMaxErrorTextLength = 255;
} // namespace

QString directShowErrorMessage(platform::HRESULT hr) {
    const QString text = platform::AMGetErrorText(hr).left(kMaxErrorTextLength);
    // The code as an unsigned 32-bit number, so failures read as 8000xxxx.
    const QString code = QString::number(static_cast<std::uint32_t>(hr), 16).toUpper();
    return text + QStringLiteral(" ($") + code + QStringLiteral(").");
}

EDirectShowException::EDirectShowException(platform::HRESULT hr)
    : std::runtime_error(directShowErrorMessage(hr).toStdString()),
      message_(directShowErrorMessage(hr)), errorCode_(hr) {}

platform::HRESULT CheckGraphResult(platform::HRESULT hr) {
    if (platform::FAILED(hr)) {
        throw EDirectShowException(hr);
    }
    return hr;
}

} // namespace graph
