#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: a private folder for the files an input becomes, and a check
// that stops the run with a report when a property of the code under test does not hold.
namespace fuzzsupport {

// Writes the input to `name` in a folder of this process (on tmpfs when there is one) and
// gives its path.
QString writeInputFile(const QString& name, const std::uint8_t* data, std::size_t size);
// A file path in the same folder.
QString scratchPath(const QString& name);

// Reports the broken property and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* property);

inline void require(bool holds, const char* property) {
    if (!holds) {
        fail(property);
    }
}

} // namespace fuzzsupport
