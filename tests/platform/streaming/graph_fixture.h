#pragma once

#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/system/query.h"
#include "tests/platform/streaming/test_filters.h"

#include <gtest/gtest.h>

#include <optional>

namespace streamingtest {

struct Event {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
};

// A graph with its control, seeking and event interfaces, and helpers to build chains.
class GraphTest : public ::testing::Test {
protected:
    GraphTest()
        : converters(std::make_shared<ConverterRegistry>()), graph(CreateFilterGraph(converters)),
          control(query<IMediaControl>(graph)), seeking(query<IMediaSeeking>(graph)),
          events(query<IMediaEventEx>(graph)), mediaFilter(query<IMediaFilter>(graph)) {}

    // As fast as possible: no reference clock.
    void useNoClock() { ASSERT_EQ(mediaFilter->SetSyncSource(nullptr), S_OK); }
    std::shared_ptr<ManualReferenceClock> useManualClock() {
        auto clock = std::make_shared<ManualReferenceClock>();
        EXPECT_EQ(mediaFilter->SetSyncSource(clock), S_OK);
        return clock;
    }

    template <typename F> std::shared_ptr<F> add(std::shared_ptr<F> filter, const QString& name) {
        EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter, name)));
        return filter;
    }
    static std::shared_ptr<IPin> pin(const std::shared_ptr<IBaseFilter>& filter,
                                     PIN_DIRECTION direction) {
        for (const auto& p : filter->EnumPins()) {
            PIN_DIRECTION d = PINDIR_INPUT;
            p->QueryDirection(&d);
            if (d == direction) {
                return p;
            }
        }
        return nullptr;
    }
    HRESULT connect(const std::shared_ptr<IBaseFilter>& from,
                    const std::shared_ptr<IBaseFilter>& to) {
        return graph->Connect(pin(from, PINDIR_OUTPUT), pin(to, PINDIR_INPUT));
    }

    // Takes events until one with `code` arrives (10 s safety limit); frees what it takes.
    std::optional<Event> waitEvent(long code, long timeout_ms = 10000) {
        for (;;) {
            Event e;
            if (events->GetEvent(&e.code, &e.param1, &e.param2, timeout_ms) != S_OK) {
                return std::nullopt;
            }
            events->FreeEventParams(e.code, e.param1, e.param2);
            if (e.code == code) {
                return e;
            }
        }
    }
    // Codes of every event queued now.
    std::vector<long> drainEvents() {
        std::vector<long> codes;
        Event e;
        while (events->GetEvent(&e.code, &e.param1, &e.param2, 0) == S_OK) {
            events->FreeEventParams(e.code, e.param1, e.param2);
            codes.push_back(e.code);
        }
        return codes;
    }
    FILTER_STATE settledState() {
        FILTER_STATE state = State_Stopped;
        EXPECT_EQ(control->GetState(10000, &state), S_OK);
        return state;
    }

    std::shared_ptr<ConverterRegistry> converters;
    std::shared_ptr<IFilterGraph2> graph;
    std::shared_ptr<IMediaControl> control;
    std::shared_ptr<IMediaSeeking> seeking;
    std::shared_ptr<IMediaEventEx> events;
    std::shared_ptr<IMediaFilter> mediaFilter;
};

} // namespace streamingtest
