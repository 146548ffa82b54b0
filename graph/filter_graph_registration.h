#pragma once

#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/running_object_table.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace graph {

// The running-object-table item name of a graph manager: "FilterGraph %p pid %x", the
// pointer as zero-padded upper-case hexadecimal of the platform's pointer width, the process
// id in upper-case hexadecimal without leading zeros.
QString runningObjectTableItemName(const void* graphManager, std::uint64_t processId);

// A graph's registration in the running object table, so that an external graph viewer can
// attach to it. Failures are not reported: the graph is then simply not registered.
// The registration holds the graph weakly.
class GraphRegistration {
public:
    GraphRegistration() = default;
    ~GraphRegistration() { revoke(); }
    GraphRegistration(const GraphRegistration&) = delete;
    GraphRegistration& operator=(const GraphRegistration&) = delete;

    // Registers `graph` unless already registered.
    void registerGraph(const std::shared_ptr<platform::IFilterGraph2>& graph);
    void revoke();
    bool registered() const { return cookie_ != 0; }

private:
    std::shared_ptr<platform::IRunningObjectTable> table_;
    unsigned long cookie_ = 0;
    std::weak_ptr<platform::IGraphTopology> topology_;
};

} // namespace graph
