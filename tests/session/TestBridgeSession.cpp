#include "fakes/FakeBridge.h"
#include "fakes/RecordingLineSink.h"
#include "fakes/RecordingServices.h"
#include "session/BridgeSession.h"
#include "session/RaceLog.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

class BridgeSessionTest : public testing::Test
{
protected:
    FakeBridge bridge;
    RecordingStatus status;
    BridgeSession session{bridge, status};
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(BridgeSessionTest, ConnectAsksTheBridgeOnceThePortIsOpen)
{
    // Asking a closed port always answers "port closed", which would report a bridge that is not there.
    const struct
    {
        bool opens;
        std::int16_t status;
        const char* message;
        const char* problem;
    } cases[] = {
        {true, kNoTransponder, "Conexión Establecida", ""},
        {true, 17, "Conexión Establecida", ""},
        {true, kNoCommunication, "Error de Comunicación", "El puente no contesta"},
        {true, -4, "Error de Comunicación", "El puente no contesta"},
        {false, kNoTransponder, "Error de Comunicación", "no such device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.opens) + " " + std::to_string(c.status));
        bridge.calls.clear();
        status.posts.clear();
        bridge.openSucceeds = c.opens;
        bridge.readResult = c.status;
        session.connect(3);
        EXPECT_EQ(bridge.calls, (Strings{"ClosePort", "OpenPort 3", "ReadTransponder"}));
        EXPECT_EQ(status.posts, Strings{c.message});
        EXPECT_EQ(session.lastConnectionProblem(), c.problem);
        EXPECT_EQ(session.linkState(),
                  *c.problem ? BridgeSession::LinkState::Failed : BridgeSession::LinkState::Connected);
    }
}

TEST_F(BridgeSessionTest, StartOnlyWhenTheBridgeAnswersAndLocksFirst)
{
    const struct
    {
        bool open;
        std::int16_t status;
        bool starts;
    } cases[] = {{true, kNoTransponder, true},
                 {true, 5, true},
                 {false, kNoTransponder, false},
                 {true, kNoCommunication, false},
                 {true, -9, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.open) + " " + std::to_string(c.status));
        bridge.calls.clear();
        status.posts.clear();
        bridge.open = c.open;
        bridge.readResult = c.status;
        Strings order;
        EXPECT_EQ(session.startDetection([&] { order.push_back("lock after " + bridge.calls.back()); }), c.starts);
        // A refused start says so: the window would otherwise look as if nothing had been asked.
        EXPECT_EQ(status.posts, c.starts ? Strings{} : Strings{"Error de Comunicación"});
        EXPECT_EQ(order, c.starts ? Strings{"lock after ReadTransponder"} : Strings{});
        EXPECT_EQ(bridge.calls, c.starts ? (Strings{"ReadTransponder", "StartDetection"}) : Strings{"ReadTransponder"});
    }
}

TEST_F(BridgeSessionTest, StopUnlocksAndKeepsThePortOpen)
{
    int unlocked = 0;
    session.stopDetection([&] { ++unlocked; });
    EXPECT_EQ(unlocked, 1);
    EXPECT_EQ(bridge.calls, Strings{"StopDetection"});
    EXPECT_TRUE(status.posts.empty());
}

TEST_F(BridgeSessionTest, ReadShowsTheIdOrWhyThereIsNone)
{
    const struct
    {
        bool open;
        std::int16_t result;
        const char* message;
    } cases[] = {{true, kNoTransponder, "Ponga el coche bajo el puente"},
                 {false, kNoTransponder, "Puerto cerrado"},
                 {true, kNoCommunication, "Sin comunicación con el puente"},
                 {true, 123, "Transponder ID =  123"},
                 {true, 0, "Transponder ID =  0"}};
    for (const auto& c : cases) {
        status.posts.clear();
        bridge.open = c.open;
        bridge.readResult = c.result;
        session.readTransponder();
        EXPECT_EQ(status.posts, Strings{c.message});
    }
}

TEST_F(BridgeSessionTest, ProgramTheLeadingNumberOnly)
{
    const struct
    {
        const char* text;
        std::vector<double> sent; // to the bridge; none when the text holds no number
        bool accepted;
        const char* message;
    } cases[] = {
        {"12", {12.0}, true, "Grabación Correcta"},
        {"12abc", {12.0}, true, "Grabación Correcta"},
        {"1 2", {12.0}, true, "Grabación Correcta"},
        {"0", {0.0}, true, "Grabación Correcta"},
        {"7.5", {7.5}, false, "Error de Grabación"},
        {"-3", {-3.0}, false, "Error de Grabación"},
        // A box left empty or holding no number must not give the car under the bridge ID 0.
        {"", {}, true, "Error de Grabación"},
        {"  ", {}, true, "Error de Grabación"},
        {"abc", {}, true, "Error de Grabación"},
        {"-", {}, true, "Error de Grabación"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        bridge.written.clear();
        status.posts.clear();
        bridge.writeSucceeds = c.accepted;
        const std::string why = session.programTransponder(c.text);
        EXPECT_EQ(bridge.written, c.sent);
        EXPECT_EQ(status.posts, Strings{c.message});
        // Only a refusal of the program's own says why; the bridge's answer speaks for itself.
        EXPECT_EQ(why.empty(), !c.sent.empty());
    }
}

// A network line knows why it failed after it opened: that reason stands before the usual ones.
TEST_F(BridgeSessionTest, AReasonTheLineGaveComesFirst)
{
    const std::string refused = "127.0.0.1:4001: el servidor rechazó la conexión";
    bridge.readResult = kNoCommunication;
    bridge.lineError = refused;
    session.connect(1);
    EXPECT_EQ(status.posts, Strings{"Error de Comunicación"});
    EXPECT_EQ(session.lastConnectionProblem(), refused);
    session.onLinkLost();
    EXPECT_EQ(session.lastConnectionProblem(),
              refused + ". Se perdió la conexión; se recupera sola en cuanto el puente conteste");
}

TEST_F(BridgeSessionTest, LinkLostReportsCommunicationErrorUntilRestored)
{
    RecordingLineSink sink;
    RaceLog log(sink, [] { return WallTime{}; }, {});
    session.setLog(&log);
    session.onLinkLost();
    EXPECT_EQ(status.posts, Strings{"Error de Comunicación"});
    EXPECT_EQ(status.standing, "Error de Comunicación");
    EXPECT_EQ(session.linkState(), BridgeSession::LinkState::Lost);
    EXPECT_FALSE(session.lastConnectionProblem().empty());
    LostPassings lost;
    lost.add(5, 10);
    lost.add(12, 13);
    session.onPassingsLost(lost);
    LostPassings one;
    one.add(65535, 0);
    session.onPassingsLost(one);
    EXPECT_EQ(session.lostPassings(), 7u);
    EXPECT_EQ(session.statusDetails(),
              "Se perdió la conexión; se recupera sola en cuanto el puente conteste\n7 pasadas perdidas");
    session.onLinkRestored();
    EXPECT_EQ(status.posts.back(), "Conexión Establecida");
    EXPECT_EQ(status.standing, "");
    EXPECT_EQ(session.linkState(), BridgeSession::LinkState::Connected);
    EXPECT_EQ(session.statusDetails(), "7 pasadas perdidas");
    // One record per report, with the bridge's numbers of the passings lost.
    const std::string time = "1970-01-01T00:00:00.000+00:00,,,,,";
    EXPECT_EQ(sink.lines, (Strings{time + "lost\r\n", time + "\"6 passings lost (bridge numbers 5-9,12)\"\r\n",
                                   time + "1 passing lost (bridge number 65535)\r\n", time + "reconnected\r\n"}));
}
