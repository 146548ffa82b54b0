#pragma once

#include "graph/filter_graph.h"
#include "graph/graph_member.h"
#include "platform/streaming/filter_registry.h"
#include "platform/streaming/moniker.h"
#include "platform/system/query.h"

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QPointer>

#include <memory>

namespace graph {

// One byte block kept among a window's stored properties. Stored as "data": a 32-bit
// little-endian length N followed by the N bytes.
class TPersistentMemory {
public:
    const QByteArray& Data() const { return data_; }
    void setData(QByteArray data) { data_ = std::move(data); }

    // Replaces the block with one read in the stored layout. A truncated or implausibly long
    // record leaves the block empty and gives false.
    bool ReadData(QIODevice& in);
    bool WriteData(QIODevice& out) const;
    // The stored layout as bytes, and back.
    QByteArray StoredData() const;
    bool LoadStoredData(const QByteArray& stored);

private:
    QByteArray data_;
};

// A stored reference to a filter: its block is a serialised device moniker.
class TBaseFilter : public TPersistentMemory {
public:
    explicit TBaseFilter(
        std::shared_ptr<platform::FilterRegistry> registry = platform::platformFilterRegistry())
        : registry_(std::move(registry)) {}

    // The moniker in the block; none for an empty or unreadable block.
    std::shared_ptr<platform::IMoniker> LoadMoniker() const;
    // A new instance of the referenced filter; none when there is no moniker or it cannot bind.
    std::shared_ptr<platform::IBaseFilter> BindFilter() const;
    // Stores `moniker` as the block.
    bool SaveMoniker(platform::IMoniker& moniker);

private:
    std::shared_ptr<platform::FilterRegistry> registry_;
};

// Display names of the two stored encoder references.
QString MSDVVideoEncoderDisplayName();
QString MainConceptDVVideoEncoderDisplayName();
// The stored "data" property of a reference to `displayName` (158 and 202 bytes for the two
// encoders).
QByteArray StoredFilterReference(const QString& displayName);

// A non-visual component that holds a stored filter reference and, as a member of a
// filter-graph wrapper, creates a new instance of that filter whenever it joins an active
// graph. Its objectName is its component name, under which the filter is added to the graph.
class TFilter : public QObject, public IGraphMember {
    Q_OBJECT

public:
    explicit TFilter(
        const QString& name, QObject* parent = nullptr,
        std::shared_ptr<platform::FilterRegistry> registry = platform::platformFilterRegistry());
    // Leaves its graph first.
    ~TFilter() override;
    TFilter(const TFilter&) = delete;
    TFilter& operator=(const TFilter&) = delete;

    TBaseFilter& BaseFilter() { return baseFilter_; }
    const TBaseFilter& BaseFilter() const { return baseFilter_; }

    // The wrapper it is a member of; becomes none when that wrapper is destroyed.
    TFilterGraph* FilterGraph() const { return graph_.data(); }
    // Leaves the old wrapper and joins the new one; nothing when unchanged.
    void setFilterGraph(TFilterGraph* graph);

    // An interface of the held filter (IBaseFilter, IDVEnc ...); none when no filter is held.
    template <typename T> std::shared_ptr<T> query() const {
        return filter_ ? platform::query<T>(filter_) : nullptr;
    }

    std::shared_ptr<platform::IBaseFilter> GetFilter() override { return filter_; }
    QString GetName() override { return objectName(); }
    void NotifyFilter(TFilterOperation operation, int parameter) override;

private:
    TBaseFilter baseFilter_;
    QPointer<TFilterGraph> graph_;
    std::shared_ptr<platform::IBaseFilter> filter_;
};

} // namespace graph
