#pragma once

#include "platform/system/hresult.h"

#include <QString>

#include <stdexcept>

namespace graph {

// Raised for a failed media-graph call; carries the result code and a message made of the
// platform's error text and the code, such as "Unspecified error. ($80004005).".
class EDirectShowException : public std::runtime_error {
public:
    explicit EDirectShowException(platform::HRESULT hr);

    QString message() const { return message_; }
    platform::HRESULT ErrorCode() const { return errorCode_; }

private:
    QString message_;
    platform::HRESULT errorCode_;
};

// The message of an EDirectShowException for `hr`: the error text (at most 255 characters),
// then " ($" and the code in upper-case hexadecimal, then ").".
QString directShowErrorMessage(platform::HRESULT hr);

// Returns a success code unchanged; raises EDirectShowException for a failure code.
platform::HRESULT CheckGraphResult(platform::HRESULT hr);

} // namespace graph
