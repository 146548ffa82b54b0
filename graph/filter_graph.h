#pragma once

#include "graph/filter_graph_listener.h"
#include "graph/filter_graph_registration.h"
#include "graph/graph_member.h"
#include "platform/streaming/graph_interfaces.h"
#include "platform/system/query.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace graph {

// The state GetGraphState reports; None also stands for "no graph".
enum class TGraphState : int { None = 0, Stopped = 1, Paused = 2, Running = 3 };

class GraphNotifyRelay;

// Owns one filter graph manager while Active and makes it usable from the user-interface
// thread: graph events arrive as a queued call on the thread that owns this object and are
// raised there as the On... events, after every listener has seen them. Member filter
// components are kept inside the graph across activations; listeners are told about every
// event and every transport command.
//
// An exception thrown by an event handler or listener leaves the event pump and propagates
// into the event delivery of the Qt application, whose notify() override reports it; the
// remaining events are taken by the queued calls that follow.
class TFilterGraph : public QObject {
    Q_OBJECT

public:
    using GraphFactory = std::function<std::shared_ptr<platform::IFilterGraph2>()>;

    // `createGraph` makes the graph manager at activation; by default the platform's.
    explicit TFilterGraph(QObject* parent = nullptr, GraphFactory createGraph = {});
    ~TFilterGraph() override;
    TFilterGraph(const TFilterGraph&) = delete;
    TFilterGraph& operator=(const TFilterGraph&) = delete;

    bool Active() const { return graph_ != nullptr; }
    // Creates or releases the graph manager; setting the current value does nothing. Raises
    // EDirectShowException when the graph manager cannot be created.
    void setActive(bool active);
    bool AutoCreate() const { return autoCreate_; }
    void setAutoCreate(bool autoCreate) { autoCreate_ = autoCreate; }
    // While active, registers the graph in the running object table for external viewers.
    bool GraphEdit() const { return graphEdit_; }
    void setGraphEdit(bool graphEdit);
    // Called by the owner once its stored settings are loaded: activates when AutoCreate.
    void Loaded();

    // Event properties; an unset one is skipped. The first argument is this component.
    std::function<void(TFilterGraph* sender, platform::HRESULT result,
                       const std::shared_ptr<platform::IBaseFilter>& renderer)>
        OnGraphComplete;
    std::function<void(TFilterGraph* sender, platform::HRESULT result)> OnGraphPaused;
    std::function<void(TFilterGraph* sender)> OnGraphChanged;
    // `removed` is true when the event's second parameter is 1, the value the graph sends
    // when the device is available again.
    std::function<void(TFilterGraph* sender, const std::shared_ptr<platform::IBaseFilter>& device,
                       bool removed)>
        OnGraphDeviceLost;

    // Transport commands: false (and nothing sent) when inactive; a refused request raises
    // EDirectShowException. Play counts S_FALSE as success, Pause and Stop only S_OK. Play from
    // a stop first lets the renderers cue their first samples, waiting at most kCueTimeout_ms.
    static constexpr long kCueTimeout_ms = 3000;
    bool Play();
    bool Pause();
    bool Stop();
    TGraphState GetGraphState();
    // Stops, disconnects every pin and removes every filter except those of the members.
    void ClearFilters();

    // Members and listeners are not owned; they remove themselves before they are destroyed.
    void AddMember(IGraphMember* member);
    void RemoveMember(IGraphMember* member);
    void AddListener(IGraphListener* listener);
    void RemoveListener(IGraphListener* listener);

    // An interface of the graph manager (IGraphBuilder, IMediaControl, IMediaSeeking ...);
    // null while inactive.
    template <typename T> std::shared_ptr<T> query() const {
        return graph_ ? platform::query<T>(graph_) : nullptr;
    }

private:
    void activate();
    void deactivate();
    void insertMember(IGraphMember& member);
    void removeMemberFilter(IGraphMember& member);
    void notifyListeners(TControlEvent event, int parameter);
    bool controlCommand(TControlEvent event,
                        platform::HRESULT (platform::IMediaControl::*request)(), bool acceptSFalse);
    // Takes and dispatches every queued event; runs as the queued call of the notify callback.
    void pumpEvents();
    void dispatchEvent(long code, platform::LONG_PTR param1, platform::LONG_PTR param2);
    std::shared_ptr<platform::IBaseFilter> filterOfEventParam(platform::LONG_PTR param) const;

    GraphFactory createGraph_;
    std::shared_ptr<platform::IFilterGraph2> graph_;
    std::shared_ptr<platform::IMediaEventEx> events_;
    std::shared_ptr<GraphNotifyRelay> relay_;
    GraphRegistration registration_;
    bool autoCreate_ = false;
    bool graphEdit_ = false;
    std::vector<IGraphMember*> members_;
    std::vector<IGraphListener*> listeners_;
};

} // namespace graph
