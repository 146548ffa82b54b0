#include "platform/streaming/running_object_table.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace platform {

namespace {

// Escapes text for a field of a record-shaped node.
QString recordText(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (QStringLiteral("\\{}|<>\"").contains(c)) {
            escaped += QLatin1Char('\\');
        }
        escaped += c;
    }
    return escaped;
}

QString quotedText(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString pinName(IPin& pin) {
    PIN_INFO info;
    if (FAILED(pin.QueryPinInfo(&info))) {
        return QStringLiteral("?");
    }
    return info.achName;
}

} // namespace

QString describeGraph(IFilterGraph& graph, const QString& title) {
    const auto filters = graph.EnumFilters();
    QStringList lines;
    lines << QStringLiteral("digraph %1 {").arg(quotedText(title));
    lines << QStringLiteral("    rankdir=LR;");
    lines << QStringLiteral("    node [shape=record];");

    // Port of a pin: filter index and pin index in enumeration order.
    const auto portOf = [&](const std::shared_ptr<IPin>& pin) -> QString {
        PIN_INFO info;
        if (!pin || FAILED(pin->QueryPinInfo(&info)) || !info.pFilter) {
            return {};
        }
        const auto f = std::ranges::find(filters, info.pFilter);
        if (f == filters.end()) {
            return {};
        }
        const auto pins = info.pFilter->EnumPins();
        const auto p = std::ranges::find(pins, pin);
        if (p == pins.end()) {
            return {};
        }
        return QStringLiteral("f%1:p%2").arg(f - filters.begin()).arg(p - pins.begin());
    };

    QStringList edges;
    for (std::size_t f = 0; f < filters.size(); ++f) {
        FILTER_INFO info;
        filters[f]->QueryFilterInfo(&info);
        QStringList inputs;
        QStringList outputs;
        const auto pins = filters[f]->EnumPins();
        for (std::size_t p = 0; p < pins.size(); ++p) {
            PIN_DIRECTION direction = PINDIR_INPUT;
            pins[p]->QueryDirection(&direction);
            const QString field =
                QStringLiteral("<p%1> %2").arg(p).arg(recordText(pinName(*pins[p])));
            (direction == PINDIR_INPUT ? inputs : outputs) << field;
            std::shared_ptr<IPin> peer;
            if (direction != PINDIR_OUTPUT || pins[p]->ConnectedTo(&peer) != S_OK) {
                continue;
            }
            const QString to = portOf(peer);
            if (to.isEmpty()) {
                continue;
            }
            AM_MEDIA_TYPE mt;
            QString label;
            if (SUCCEEDED(pins[p]->ConnectionMediaType(&mt))) {
                label = describeMediaType(mt);
            }
            edges << QStringLiteral("    f%1:p%2 -> %3 [label=%4];")
                         .arg(f)
                         .arg(p)
                         .arg(to, quotedText(label));
        }
        lines << QStringLiteral("    f%1 [label=\"{{%2}|%3|{%4}}\"];")
                     .arg(f)
                     .arg(inputs.join(QLatin1Char('|')), recordText(info.achName),
                          outputs.join(QLatin1Char('|')));
    }
    lines << edges;
    lines << QStringLiteral("}");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

RunningObjectTable::RunningObjectTable(QString directory) : directory_(std::move(directory)) {}

RunningObjectTable::~RunningObjectTable() {
    for (const auto& [cookie, entry] : entries_) {
        QFile::remove(descriptionPath(entry.itemName));
    }
}

QString RunningObjectTable::descriptionPath(const QString& itemName) const {
    return QDir(directory_).filePath(itemName + QStringLiteral(".dot"));
}

HRESULT RunningObjectTable::writeDescription(const Entry& entry) const {
    const auto graph = entry.graph.lock();
    if (!graph) {
        return E_FAIL;
    }
    QSaveFile file(descriptionPath(entry.itemName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return E_FAIL;
    }
    const QByteArray text = describeGraph(*graph, entry.itemName).toUtf8();
    if (file.write(text) != text.size() || !file.commit()) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT RunningObjectTable::Register(unsigned long, const std::shared_ptr<IFilterGraph>& graph,
                                     const QString& itemName, unsigned long* cookie) {
    if (!graph || !cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    const Entry entry{graph, itemName};
    const std::lock_guard lock(mutex_);
    const bool taken = std::ranges::any_of(
        entries_, [&](const auto& registered) { return registered.second.itemName == itemName; });
    if (itemName.isEmpty() || taken) {
        return E_INVALIDARG;
    }
    if (const HRESULT hr = writeDescription(entry); FAILED(hr)) {
        return hr;
    }
    *cookie = nextCookie_++;
    entries_.emplace(*cookie, entry);
    return S_OK;
}

HRESULT RunningObjectTable::Revoke(unsigned long cookie) {
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(cookie);
    if (it == entries_.end()) {
        return E_INVALIDARG;
    }
    const QString path = descriptionPath(it->second.itemName);
    entries_.erase(it);
    if (QFile::exists(path) && !QFile::remove(path)) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT RunningObjectTable::NoteChangeTime(unsigned long cookie) {
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(cookie);
    if (it == entries_.end()) {
        return E_INVALIDARG;
    }
    return writeDescription(it->second);
}

HRESULT RunningObjectTable::IsRunning(const QString& itemName) {
    const std::lock_guard lock(mutex_);
    const bool found = std::ranges::any_of(
        entries_, [&](const auto& registered) { return registered.second.itemName == itemName; });
    return found ? S_OK : S_FALSE;
}

QString runningObjectDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() || !QDir(runtime).exists() ? QDir::tempPath() : runtime;
}

HRESULT GetRunningObjectTable(unsigned long, std::shared_ptr<IRunningObjectTable>* table) {
    if (!table) {
        return E_POINTER;
    }
    static const auto processTable = std::make_shared<RunningObjectTable>(runningObjectDirectory());
    *table = processTable;
    return S_OK;
}

RotEntry::RotEntry(std::shared_ptr<IRunningObjectTable> table,
                   const std::shared_ptr<IFilterGraph>& graph, const QString& itemName)
    : table_(std::move(table)) {
    if (table_ && FAILED(table_->Register(0, graph, itemName, &cookie_))) {
        cookie_ = 0;
    }
}

RotEntry::~RotEntry() {
    if (cookie_ != 0) {
        table_->Revoke(cookie_);
    }
}

void RotEntry::refresh() {
    if (cookie_ != 0) {
        table_->NoteChangeTime(cookie_);
    }
}

} // namespace platform
