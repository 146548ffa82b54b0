// Graph membership, names, connections, converters and events tied to topology.
#include "tests/platform/streaming/graph_fixture.h"

namespace streamingtest {
namespace {

using MembershipTest = GraphTest;

TEST_F(MembershipTest, NameClashesGetNumberedSuffixes) {
    EXPECT_EQ(graph->AddFilter(std::make_shared<RecordingRenderer>(), "dvCam"), S_OK);
    EXPECT_EQ(graph->AddFilter(std::make_shared<RecordingRenderer>(), "dvCam"),
              VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(std::make_shared<RecordingRenderer>(), "dvCam"),
              VFW_S_DUPLICATE_NAME);
    const auto third = graph->EnumFilters().at(2);
    FILTER_INFO info;
    ASSERT_EQ(third->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.achName, "dvCam 0002");
    EXPECT_EQ(info.pGraph, std::shared_ptr<IFilterGraph>(graph));

    std::shared_ptr<IBaseFilter> found;
    EXPECT_EQ(graph->FindFilterByName("dvCam 0001", &found), S_OK);
    EXPECT_EQ(found, graph->EnumFilters().at(1));
    EXPECT_EQ(graph->FindFilterByName("dvMux", &found), VFW_E_NOT_FOUND);
    EXPECT_EQ(found, nullptr);

    // An empty name takes the filter's own; the same filter cannot be added twice.
    const auto source = std::make_shared<NumberSource>(1);
    EXPECT_EQ(graph->AddFilter(source, QString()), S_OK);
    EXPECT_EQ(graph->FindFilterByName("Number Source", &found), S_OK);
    EXPECT_TRUE(FAILED(graph->AddFilter(source, "again")));
}

TEST_F(MembershipTest, RemovingDisconnectsAndLeavesTheGraph) {
    const auto source = add(std::make_shared<NumberSource>(3), "src");
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "out");
    ASSERT_EQ(connect(source, renderer), S_OK);
    std::shared_ptr<IPin> peer;
    EXPECT_EQ(pin(renderer, PINDIR_INPUT)->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, pin(source, PINDIR_OUTPUT));

    EXPECT_EQ(graph->RemoveFilter(source), S_OK);
    EXPECT_EQ(graph->RemoveFilter(source), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin(renderer, PINDIR_INPUT)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pin(source, PINDIR_OUTPUT)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    FILTER_INFO info;
    source->QueryFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(graph->EnumFilters().size(), 1u);
}

TEST_F(MembershipTest, PinsReportDirectionTypeAndKeepTheirFilterAlive) {
    std::shared_ptr<IPin> input;
    {
        auto renderer = std::make_shared<RecordingRenderer>();
        input = pin(renderer, PINDIR_INPUT);
    }
    PIN_INFO info;
    ASSERT_EQ(input->QueryPinInfo(&info), S_OK);
    ASSERT_NE(info.pFilter, nullptr);
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(info.achName, "In");
    AM_MEDIA_TYPE mt;
    EXPECT_EQ(input->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(input->QueryAccept(numberType(kSubtypeA)), S_OK);
    EXPECT_EQ(input->QueryAccept(numberType(kSubtypeB)), S_FALSE);
}

TEST_F(MembershipTest, ConnectionRulesAreEnforced) {
    const auto source = add(std::make_shared<NumberSource>(3), "src");
    const auto other = add(std::make_shared<NumberSource>(3), "src2");
    const auto renderer = add(std::make_shared<RecordingRenderer>(kSubtypeB), "out");
    const auto outsider = std::make_shared<RecordingRenderer>();

    EXPECT_EQ(
        graph->ConnectDirect(pin(source, PINDIR_OUTPUT), pin(renderer, PINDIR_INPUT), nullptr),
        VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(graph->Connect(pin(source, PINDIR_OUTPUT), pin(renderer, PINDIR_INPUT)),
              VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(graph->ConnectDirect(pin(source, PINDIR_OUTPUT), pin(other, PINDIR_OUTPUT), nullptr),
              VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(
        graph->ConnectDirect(pin(source, PINDIR_OUTPUT), pin(outsider, PINDIR_INPUT), nullptr),
        VFW_E_NOT_IN_GRAPH);

    const auto sink = add(std::make_shared<RecordingRenderer>(), "ok");
    const AM_MEDIA_TYPE wrongTemplate = numberType(kSubtypeB);
    EXPECT_EQ(
        graph->ConnectDirect(pin(source, PINDIR_OUTPUT), pin(sink, PINDIR_INPUT), &wrongTemplate),
        VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(connect(source, sink), S_OK);
    AM_MEDIA_TYPE mt;
    ASSERT_EQ(pin(sink, PINDIR_INPUT)->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt, numberType(kSubtypeA));
    EXPECT_EQ(
        graph->ConnectDirect(pin(source, PINDIR_OUTPUT), pin(renderer, PINDIR_INPUT), nullptr),
        VFW_E_ALREADY_CONNECTED);

    // While the graph is active connections cannot change.
    useNoClock();
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    EXPECT_EQ(graph->Disconnect(pin(sink, PINDIR_INPUT)), VFW_E_NOT_STOPPED);
    EXPECT_EQ(connect(other, renderer), VFW_E_NOT_STOPPED);
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(graph->Disconnect(pin(sink, PINDIR_INPUT)), S_OK);
    EXPECT_EQ(graph->Disconnect(pin(sink, PINDIR_INPUT)), S_FALSE);
}

TEST_F(MembershipTest, IntelligentConnectInsertsTheFittingConverter) {
    int created = 0;
    // A converter of the wrong kind (higher merit, tried first) and the fitting one.
    converters->add({"Wrong Converter", 10, [&created] {
                         ++created;
                         return std::make_shared<AddTransform>(0, kSubtypeB, kSubtypeB);
                     }});
    converters->add({"A to B", 5, [&created] {
                         ++created;
                         return std::make_shared<AddTransform>(100, kSubtypeA, kSubtypeB);
                     }});
    const auto source = add(std::make_shared<NumberSource>(3), "src");
    const auto renderer = add(std::make_shared<RecordingRenderer>(kSubtypeB), "out");
    ASSERT_EQ(connect(source, renderer), S_OK);
    EXPECT_EQ(created, 2);

    const auto filters = graph->EnumFilters();
    ASSERT_EQ(filters.size(), 3u);
    std::shared_ptr<IBaseFilter> converter;
    ASSERT_EQ(graph->FindFilterByName("A to B", &converter), S_OK);
    EXPECT_EQ(graph->FindFilterByName("Wrong Converter", &converter), VFW_E_NOT_FOUND);

    // Data flows through the converter.
    useNoClock();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(waitEvent(EC_COMPLETE));
    EXPECT_EQ(std::static_pointer_cast<RecordingRenderer>(renderer)->numbers(),
              (std::vector<std::int32_t>{100, 101, 102}));
}

TEST_F(MembershipTest, TopologyChangesWhileActiveRaiseGraphChanged) {
    useNoClock();
    add(std::make_shared<RecordingRenderer>(), "a");
    EXPECT_TRUE(drainEvents().empty());
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(drainEvents(), (std::vector<long>{EC_PAUSED}));
    const auto added = add(std::make_shared<RecordingRenderer>(), "b");
    EXPECT_EQ(graph->RemoveFilter(added), S_OK);
    EXPECT_EQ(drainEvents(), (std::vector<long>{EC_GRAPH_CHANGED, EC_GRAPH_CHANGED}));
}

TEST_F(MembershipTest, DeviceEventsCarryTheFilterUntilFreed) {
    auto device = add(std::make_shared<RecordingRenderer>(), "dvCam");
    const std::weak_ptr<IBaseFilter> watch = device;
    int notified = 0;
    events->SetNotifyCallback([&notified] { ++notified; });
    device->notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(device.get()), 0);
    EXPECT_EQ(notified, 1);

    // The queued event holds the filter even after it leaves the graph.
    ASSERT_EQ(graph->RemoveFilter(device), S_OK);
    device.reset();
    EXPECT_FALSE(watch.expired());
    Event e;
    ASSERT_EQ(events->GetEvent(&e.code, &e.param1, &e.param2, 0), S_OK);
    EXPECT_EQ(e.code, EC_DEVICE_LOST);
    EXPECT_EQ(filterFromEventParam(e.param1), watch.lock().get());
    EXPECT_EQ(e.param2, 0);
    EXPECT_FALSE(watch.expired());
    events->FreeEventParams(e.code, e.param1, e.param2);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(events->GetEvent(&e.code, &e.param1, &e.param2, 0), E_ABORT);
}

TEST_F(MembershipTest, NoNotifyDropsEventsAndTheCallback) {
    const auto filter = add(std::make_shared<RecordingRenderer>(), "r");
    int notified = 0;
    events->SetNotifyCallback([&notified] { ++notified; });
    ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
    filter->notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(filter.get()), 1);
    EXPECT_EQ(notified, 0);
    EXPECT_TRUE(drainEvents().empty());
    ASSERT_EQ(events->SetNotifyFlags(0), S_OK);
    filter->notifyEvent(EC_DEVICE_LOST, eventParamFromFilter(filter.get()), 1);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(drainEvents(), (std::vector<long>{EC_DEVICE_LOST}));
}

TEST_F(MembershipTest, ChangingTheClockIsAnnounced) {
    useNoClock();
    EXPECT_TRUE(drainEvents().empty());
    useManualClock();
    EXPECT_EQ(drainEvents(), (std::vector<long>{EC_CLOCK_CHANGED}));
    std::shared_ptr<IReferenceClock> clock;
    ASSERT_EQ(mediaFilter->GetSyncSource(&clock), S_OK);
    EXPECT_NE(clock, nullptr);
    // The filters get the graph's clock.
    const auto renderer = add(std::make_shared<RecordingRenderer>(), "r");
    std::shared_ptr<IReferenceClock> filterClock;
    renderer->GetSyncSource(&filterClock);
    EXPECT_EQ(filterClock, clock);
}

TEST(ErrorText, KnownCodesHaveTextUnknownCodesNone) {
    EXPECT_EQ(AMGetErrorText(VFW_E_NOT_CONNECTED),
              "The operation cannot be performed because the pins are not connected.");
    EXPECT_FALSE(AMGetErrorText(VFW_E_CANNOT_CONNECT).isEmpty());
    EXPECT_FALSE(AMGetErrorText(E_FAIL).isEmpty());
    EXPECT_FALSE(AMGetErrorText(VFW_S_STATE_INTERMEDIATE).isEmpty());
    EXPECT_TRUE(AMGetErrorText(makeHresult(0x8004FFFFu)).isEmpty());
    EXPECT_LE(AMGetErrorText(VFW_E_CANNOT_CONNECT).size(), 255);
}

} // namespace
} // namespace streamingtest
