// The registry's file reader on an arbitrary file. Whatever it reads must survive the next
// write of the file: a change to one value never loses or alters the others.
#include "fuzz/fuzz_support.h"
#include "platform/system/registry.h"

#include <map>

namespace {

using Tree = std::map<QString, std::map<QString, QString>>;

void collect(const platform::Registry& registry, const QString& key, Tree& tree, int depth) {
    auto& values = tree[key];
    for (const QString& name : registry.valueNames(key)) {
        values[name] = registry.readString(key, name, QString());
    }
    if (depth > 64) {
        return;
    }
    for (const QString& child : registry.subKeyNames(key)) {
        collect(registry, key.isEmpty() ? child : key + QLatin1Char('\\') + child, tree, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = fuzzsupport::writeInputFile(QStringLiteral("registry.ini"), data, size);
    Tree before;
    {
        platform::Registry registry(path);
        collect(registry, QString(), before, 0);
        if (!registry.isLoaded()) {
            return 0;
        }
        fuzzsupport::require(registry.writeString(QStringLiteral("Software\\Fuzz"),
                                                  QStringLiteral("Name"), QStringLiteral("x")),
                             "a loaded registry takes a change");
    }
    before[QStringLiteral("Software")];
    before[QStringLiteral("Software\\Fuzz")][QStringLiteral("Name")] = QStringLiteral("x");
    Tree after;
    platform::Registry reread(path);
    collect(reread, QString(), after, 0);
    // Keys created on the way are compared case-insensitively by the registry; compare the
    // values of every key that was read.
    for (const auto& [key, values] : before) {
        const auto found = after.find(key);
        if (found == after.end()) {
            bool spelled_otherwise = false;
            for (const auto& [other, unused] : after) {
                spelled_otherwise |= other.compare(key, Qt::CaseInsensitive) == 0;
            }
            fuzzsupport::require(spelled_otherwise, "every key survives a write");
            continue;
        }
        for (const auto& [name, value] : values) {
            const auto read = found->second.find(name);
            fuzzsupport::require(read != found->second.end(), "every value survives a write");
            fuzzsupport::require(read->second == value, "values read back unchanged");
        }
    }
    return 0;
}
