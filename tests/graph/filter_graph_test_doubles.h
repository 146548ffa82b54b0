#pragma once

// Test doubles around a filter-graph wrapper: a listener and handlers that log in one shared
// order, a member component that creates its filter when added, and a device filter that
// reports its loss on command.
#include "graph/filter_graph.h"
#include "tests/platform/streaming/test_filters.h"

#include <QStringList>

namespace graphtest {

using namespace platform;
using graph::IGraphListener;
using graph::IGraphMember;
using graph::TControlEvent;
using graph::TFilterOperation;

class LoggingListener final : public IGraphListener {
public:
    explicit LoggingListener(QStringList& log) : log_(log) {}
    void GraphEvent(long code, LONG_PTR, LONG_PTR) override {
        log_.append(QStringLiteral("listener event %1").arg(code));
    }
    void ControlEvent(TControlEvent event, int parameter) override {
        log_.append(
            QStringLiteral("listener control %1 %2").arg(static_cast<int>(event)).arg(parameter));
    }

private:
    QStringList& log_;
};

// Creates a new filter at every FilterAdding and drops it at FilterRemoved.
class TestMember final : public IGraphMember {
public:
    TestMember(QString name, std::function<std::shared_ptr<IBaseFilter>()> create)
        : name_(std::move(name)), create_(std::move(create)) {}

    std::shared_ptr<IBaseFilter> GetFilter() override { return filter_; }
    QString GetName() override { return name_; }
    void NotifyFilter(TFilterOperation operation, int parameter) override {
        operations.push_back(operation);
        parameters.push_back(parameter);
        if (operation == TFilterOperation::FilterAdding) {
            filter_ = create_();
        } else if (operation == TFilterOperation::FilterRemoved) {
            filter_.reset();
        }
    }

    std::vector<TFilterOperation> operations;
    std::vector<int> parameters;

private:
    QString name_;
    std::function<std::shared_ptr<IBaseFilter>()> create_;
    std::shared_ptr<IBaseFilter> filter_;
};

// A device without pins that reports EC_DEVICE_LOST on command and can refuse to start.
class LosableDevice final : public FilterBase {
public:
    LosableDevice() : FilterBase(QStringLiteral("Device")) {}
    void reportLost(LONG_PTR param2) {
        notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(this), param2);
    }
    bool refuseStart = false;

protected:
    HRESULT onActivate() override { return refuseStart ? VFW_E_NO_TRANSPORT : S_OK; }
};

} // namespace graphtest
