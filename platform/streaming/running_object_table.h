#pragma once

#include "platform/streaming/graph_interfaces.h"

#include <QString>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

// The running object table: graphs registered here can be inspected from outside the process.
// Each registered graph is described in Graphviz (dot) form — filters with their pins,
// connections labelled with their media types — in a file "<item name>.dot" of the table's
// folder. The description is written at registration and again at every NoteChangeTime;
// revoking the registration removes the file.
class IRunningObjectTable {
public:
    virtual ~IRunningObjectTable() = default;
    // Registers `graph` (held weakly) under `itemName`; `cookie` receives a non-zero value.
    // `flags` is unused (0). E_FAIL when the description cannot be written.
    virtual HRESULT Register(unsigned long flags, const std::shared_ptr<IFilterGraph>& graph,
                             const QString& itemName, unsigned long* cookie) = 0;
    // E_INVALIDARG for a cookie that is not registered.
    virtual HRESULT Revoke(unsigned long cookie) = 0;
    // The registered graph has changed: writes its description again.
    virtual HRESULT NoteChangeTime(unsigned long cookie) = 0;
    // S_OK while something is registered under `itemName`, S_FALSE otherwise.
    virtual HRESULT IsRunning(const QString& itemName) = 0;
};

class RunningObjectTable final : public IRunningObjectTable {
public:
    // Descriptions go to `directory`.
    explicit RunningObjectTable(QString directory);
    // Removes the files of registrations still present.
    ~RunningObjectTable() override;
    RunningObjectTable(const RunningObjectTable&) = delete;
    RunningObjectTable& operator=(const RunningObjectTable&) = delete;

    HRESULT Register(unsigned long flags, const std::shared_ptr<IFilterGraph>& graph,
                     const QString& itemName, unsigned long* cookie) override;
    HRESULT Revoke(unsigned long cookie) override;
    HRESULT NoteChangeTime(unsigned long cookie) override;
    HRESULT IsRunning(const QString& itemName) override;

    // Path of the description of `itemName`.
    QString descriptionPath(const QString& itemName) const;

private:
    struct Entry {
        std::weak_ptr<IFilterGraph> graph;
        QString itemName;
    };
    HRESULT writeDescription(const Entry& entry) const;

    QString directory_;
    std::mutex mutex_;
    std::map<unsigned long, Entry> entries_;
    unsigned long nextCookie_ = 1;
};

// $XDG_RUNTIME_DIR, or the temporary folder when it is not set.
QString runningObjectDirectory();

// The process-wide table (descriptions in runningObjectDirectory()).
HRESULT GetRunningObjectTable(unsigned long reserved, std::shared_ptr<IRunningObjectTable>* table);

// The Graphviz description of a graph.
QString describeGraph(IFilterGraph& graph, const QString& title);

// A registration that is revoked when the object goes away.
class RotEntry {
public:
    RotEntry(std::shared_ptr<IRunningObjectTable> table, const std::shared_ptr<IFilterGraph>& graph,
             const QString& itemName);
    ~RotEntry();
    RotEntry(const RotEntry&) = delete;
    RotEntry& operator=(const RotEntry&) = delete;

    bool isRegistered() const { return cookie_ != 0; }
    // Writes the description again after the graph changed.
    void refresh();

private:
    std::shared_ptr<IRunningObjectTable> table_;
    unsigned long cookie_ = 0;
};

} // namespace platform
