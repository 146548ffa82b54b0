#include "platform/streaming/streaming_errors.h"

namespace platform {

QString AMGetErrorText(HRESULT hr) {
    switch (hr) {
    case S_OK:
        return QStringLiteral("No error.");
    case S_FALSE:
        return QStringLiteral("The operation completed, but not fully.");
    case E_NOTIMPL:
        return QStringLiteral("Not implemented.");
    case E_NOINTERFACE:
        return QStringLiteral("No such interface supported.");
    case E_POINTER:
        return QStringLiteral("Invalid pointer.");
    case E_ABORT:
        return QStringLiteral("Operation aborted.");
    case E_FAIL:
        return QStringLiteral("Unspecified error.");
    case E_UNEXPECTED:
        return QStringLiteral("Catastrophic failure.");
    case E_ACCESSDENIED:
        return QStringLiteral("Access is denied.");
    case E_OUTOFMEMORY:
        return QStringLiteral("Not enough storage is available to complete this operation.");
    case E_INVALIDARG:
        return QStringLiteral("The parameter is incorrect.");
    case VFW_E_INVALIDMEDIATYPE:
        return QStringLiteral("An invalid media type was specified.");
    case VFW_E_ALREADY_CONNECTED:
        return QStringLiteral("At least one of the pins involved in the operation is already "
                              "connected.");
    case VFW_E_FILTER_ACTIVE:
        return QStringLiteral("This operation cannot be performed because the filter is active.");
    case VFW_E_NO_TYPES:
        return QStringLiteral("One of the specified pins supports no media types.");
    case VFW_E_NO_ACCEPTABLE_TYPES:
        return QStringLiteral("There is no common media type between these pins.");
    case VFW_E_INVALID_DIRECTION:
        return QStringLiteral("Two pins of the same direction cannot be connected together.");
    case VFW_E_NOT_CONNECTED:
        return QStringLiteral("The operation cannot be performed because the pins are not "
                              "connected.");
    case VFW_E_RUNTIME_ERROR:
        return QStringLiteral("A run-time error occurred.");
    case VFW_E_BUFFER_OVERFLOW:
        return QStringLiteral("The buffer is not big enough.");
    case VFW_E_NO_CLOCK:
        return QStringLiteral("This object does not have a clock.");
    case VFW_E_NO_SINK:
        return QStringLiteral("No event sink is available.");
    case VFW_E_NOT_FOUND:
        return QStringLiteral("An object or name was not found.");
    case VFW_E_CANNOT_CONNECT:
        return QStringLiteral("No combination of intermediate filters could be found to make "
                              "the connection.");
    case VFW_E_CANNOT_RENDER:
        return QStringLiteral("No combination of filters could be found to render the stream.");
    case VFW_E_NOT_STOPPED:
        return QStringLiteral("The operation could not be performed because the filter is not "
                              "stopped.");
    case VFW_E_NOT_PAUSED:
        return QStringLiteral("The operation could not be performed because the filter is not "
                              "paused.");
    case VFW_E_NOT_RUNNING:
        return QStringLiteral("The operation could not be performed because the filter is not "
                              "running.");
    case VFW_E_WRONG_STATE:
        return QStringLiteral("The operation could not be performed because the filter is in "
                              "the wrong state.");
    case VFW_E_START_TIME_AFTER_END:
        return QStringLiteral("The sample start time is after the sample end time.");
    case VFW_E_TYPE_NOT_ACCEPTED:
        return QStringLiteral("The specified media type is not accepted.");
    case VFW_E_SAMPLE_REJECTED:
        return QStringLiteral("The sample was rejected.");
    case VFW_E_SAMPLE_REJECTED_EOS:
        return QStringLiteral("The sample was rejected because the end of the stream has been "
                              "reached.");
    case VFW_E_DUPLICATE_NAME:
        return QStringLiteral("An attempt to add a filter with a duplicate name failed.");
    case VFW_S_DUPLICATE_NAME:
        return QStringLiteral("A filter was added under a modified name because its name was "
                              "already in use.");
    case VFW_E_TIMEOUT:
        return QStringLiteral("A time-out has expired.");
    case VFW_E_CIRCULAR_GRAPH:
        return QStringLiteral("The connection would make the graph circular.");
    case VFW_S_STATE_INTERMEDIATE:
        return QStringLiteral("The state transition has not completed.");
    case VFW_E_SAMPLE_TIME_NOT_SET:
        return QStringLiteral("No time stamp has been set for this sample.");
    case VFW_E_NOT_IN_GRAPH:
        return QStringLiteral("The operation cannot be performed because the filter is not in "
                              "a graph.");
    case VFW_E_NO_TIME_FORMAT:
        return QStringLiteral("The object does not support the specified time format.");
    case VFW_E_NO_TRANSPORT:
        return QStringLiteral("The pins cannot connect because they do not support the same "
                              "transport.");
    case VFW_S_CANT_CUE:
        return QStringLiteral("The filter is paused but cannot deliver data.");
    case VFW_E_UNKNOWN_FILE_TYPE:
        return QStringLiteral("The media type of this file is not recognized.");
    case STG_E_FILENOTFOUND:
        return QStringLiteral("The system cannot find the file specified.");
    default:
        return {};
    }
}

} // namespace platform
