#include "app/used_filters.h"

#include "platform/system/query.h"

#include <array>

namespace app {

namespace {

// The internal filters of the editing engine; their pages are not the user's business.
const std::array<QString, 5> kInternalPrefixes{
    QStringLiteral("DEXFILT"), QStringLiteral("Audio Repackager"), QStringLiteral("Resizer"),
    QStringLiteral("Frame Rate Converter"), QStringLiteral("ACM Wrapper")};

bool isInternal(const QString& name) {
    for (const QString& prefix : kInternalPrefixes) {
        if (name.startsWith(prefix, Qt::CaseSensitive)) {
            return true;
        }
    }
    return false;
}

} // namespace

QStringList UsedFilterNames(platform::IFilterGraph& graph) {
    QStringList names;
    for (const auto& filter : graph.EnumFilters()) {
        platform::FILTER_INFO info;
        if (!filter || platform::FAILED(filter->QueryFilterInfo(&info)) ||
            isInternal(info.achName) || !platform::query<platform::ISpecifyPropertyPages>(filter)) {
            continue;
        }
        names << info.achName;
    }
    return names;
}

} // namespace app
