// The INI profile reader on arbitrary bytes. What it reads, written back and read again, must
// give the same file: a playlist saved after loading loses nothing.
#include "fuzz/fuzz_support.h"
#include "platform/system/profile.h"

namespace {

// The blanks the profile functions strip around values, as the format documents them.
QString withoutBlanks(const QString& text) {
    const auto blank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' ||
               c == QChar(0x1A);
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

// What the reader gives for a value written as `text`: without the blanks around it and
// without one pair of enclosing quotes, as the profile functions read values.
QString readBack(const QString& text) {
    const QString value = withoutBlanks(text);
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    return quoted ? value.mid(1, value.size() - 2) : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto profile =
        platform::ProfileFile::parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    const QStringList names = profile.sectionNames();
    for (int i = 0; i < profile.sectionCount(); ++i) {
        profile.value(i, QStringLiteral("File"));
        profile.value(i, QStringLiteral("Checked"));
        profile.value(profile.sectionName(i), QStringLiteral("File"), QString());
    }
    const QByteArray written = profile.serialize();
    const auto again = platform::ProfileFile::parse(written);
    fuzzsupport::require(again.sectionNames() == names, "sections survive a rewrite");
    fuzzsupport::require(again.serialize() == written, "a rewritten profile reads back the same");

    // Setting a value from the input's own text either works and reads back, or is refused.
    if (profile.sectionCount() > 0) {
        auto edited = again;
        const QString section = edited.sectionName(0);
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(data),
                              static_cast<qsizetype>(std::min<std::size_t>(size, 64)));
        if (edited.setValue(section, QStringLiteral("Fuzz"), text)) {
            const auto reread = platform::ProfileFile::parse(edited.serialize());
            fuzzsupport::require(reread.value(section, QStringLiteral("Fuzz")) == readBack(text),
                                 "a value that was accepted reads back");
        }
    }
    return 0;
}
