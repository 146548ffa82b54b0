#include "graph/filter_graph_registration.h"

#include "platform/streaming/running_object_table.h"
#include "platform/system/query.h"

#include <QCoreApplication>

#include <cstdint>

namespace graph {

QString runningObjectTableItemName(const void* graphManager, std::uint64_t processId) {
    const auto address = reinterpret_cast<std::uintptr_t>(graphManager);
    const int digits = static_cast<int>(sizeof(void*) * 2);
    return QStringLiteral("FilterGraph %1 pid %2")
        .arg(QString::number(address, 16).toUpper().rightJustified(digits, QLatin1Char('0')),
             QString::number(processId, 16).toUpper());
}

void GraphRegistration::registerGraph(const std::shared_ptr<platform::IFilterGraph2>& graph) {
    if (registered() || !graph) {
        return;
    }
    std::shared_ptr<platform::IRunningObjectTable> table;
    if (platform::FAILED(platform::GetRunningObjectTable(0, &table)) || !table) {
        return;
    }
    const auto pid = static_cast<std::uint64_t>(QCoreApplication::applicationPid());
    unsigned long cookie = 0;
    if (platform::SUCCEEDED(
            table->Register(0, graph, runningObjectTableItemName(graph.get(), pid), &cookie)) &&
        cookie != 0) {
        table_ = std::move(table);
        cookie_ = cookie;
        // Keep the description current as filters are added, removed and connected.
        if (const auto topology = platform::query<platform::IGraphTopology>(graph)) {
            topology_ = topology;
            topology->SetTopologyObserver([table = std::weak_ptr(table_), cookie] {
                if (const auto rot = table.lock()) {
                    rot->NoteChangeTime(cookie);
                }
            });
        }
    }
}

void GraphRegistration::revoke() {
    if (!registered()) {
        return;
    }
    if (const auto topology = topology_.lock()) {
        topology->SetTopologyObserver({});
    }
    topology_.reset();
    table_->Revoke(cookie_);
    table_.reset();
    cookie_ = 0;
}

} // namespace graph
