// The trailing-number and sequence-name functions on arbitrary names: a name split into prefix
// and number is made again, digit for digit, from its parts.
#include "fuzz/fuzz_support.h"
#include "render/media_item.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString extension = render::ExtractFileExt(text);
    fuzzsupport::require(text.endsWith(extension), "the extension ends the name");
    const QString name = text.left(text.size() - extension.size());
    const auto split = render::SplitTrailingNumber(name);
    if (!split) {
        return 0;
    }
    fuzzsupport::require(split->width > 0, "a trailing number has digits");
    fuzzsupport::require(name.startsWith(split->prefix), "the prefix begins the name");
    fuzzsupport::require(
        render::SequenceFileName(split->prefix, split->number, split->width, extension) == text,
        "a split name is made again from its parts");
    // The next names of a sequence keep the prefix and never lose digits.
    const QString next =
        render::SequenceFileName(split->prefix, split->number + 1u, split->width, extension);
    fuzzsupport::require(next.startsWith(split->prefix) && next.endsWith(extension),
                         "a successor keeps prefix and extension");
    return 0;
}
