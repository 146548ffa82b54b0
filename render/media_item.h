#pragma once

#include "platform/system/hresult.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace render {

// The trailing decimal number of a file name without extension.
struct TrailingNumber {
    QString prefix;           // everything before the digits
    std::uint32_t number = 0; // the value the digits spell
    int width = 0;            // how many digits there are
};

// Whether the name ends in decimal digits and, if so, their value and count. Returns nullopt
// when there are none or the number does not fit 32 bits (such a file is a single picture).
std::optional<TrailingNumber> SplitTrailingNumber(const QString& name);

// prefix + number left-padded with "0" to at least width characters (never cut) + extension.
QString SequenceFileName(const QString& prefix, std::uint32_t number, int width,
                         const QString& extension);

// The extension as the platform gives it: everything from the last "." of the file name part,
// or empty when the name part has no ".".
QString ExtractFileExt(const QString& fileName);

// Number of files of the picture sequence that starts with fileName: 1 + the count of
// consecutive existing successors; 0 when fileName is not the start of a sequence (no trailing
// number, or no successor).
int SequenceFileCount(const QString& fileName);

// All file names of the sequence that starts with fileName, in order (just fileName when it is
// not a sequence). Walks the names afresh, so files deleted since probing are not listed.
QStringList SequenceFileNames(const QString& fileName);

// Formats a time given in days: "<days>." when there is at least one whole day, then the time
// of day in the system locale's long time format without its time-zone field.
QString DurationText(double days);

// A locale's time format with its time-zone field taken out, together with the brackets,
// comma and spaces that only set that field apart ("HH:mm:ss (t)" gives "HH:mm:ss"). Quoted
// text is kept as it stands.
QString TimeFormatWithoutZone(const QString& format);

} // namespace render
