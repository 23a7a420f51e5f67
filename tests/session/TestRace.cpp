#include "fakes/FakeBridge.h"
#include "fakes/ManualTimer.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingServices.h"
#include "mapping/KeyNotation.h"
#include "session/Race.h"
#include "session/RaceView.h"

#include <array>
#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

using Strings = std::vector<std::string>;
using LinkState = BridgeSession::LinkState;

// What a window would show, kept as the race told it.
class FakeView : public RaceView
{
public:
    void showStatus(const std::string& text) override { status = text; }
    void showReason(const std::string& text) override { reason = text; }
    void showLink(LinkState state, const std::string& why) override
    {
        link = state;
        reason = why;
    }
    void showRunning(bool on) override { running = on; }
    void showText(std::size_t row, MappingTable::Column column, const std::string& text) override
    {
        (column == MappingTable::Column::Id ? ids : keys).at(row) = text;
    }
    void showAutoAssign(bool on) override { autoAssign = on; }
    void showPort(int index) override { port = index; }
    KeyTarget keyTarget() override { return target; }

    std::string status;
    std::string reason;
    LinkState link = LinkState::NotConnected;
    bool running = true; // until the race says otherwise
    std::array<std::string, MappingTable::kRows> ids;
    std::array<std::string, MappingTable::kRows> keys;
    bool autoAssign = false;
    int port = -1;
    KeyTarget target = KeyTarget::OtherProgram;
};

class RaceTest : public testing::Test
{
protected:
    ~RaceTest() override { m_race.reset(); }

    // The race as the window makes it, before the window is shown; the bridge may be set up then.
    void make(RaceOptions options = {})
    {
        m_race.reset();
        auto bridge = std::make_unique<FakeBridge>();
        m_bridge = bridge.get();
        RaceServices services{std::move(bridge),
                              m_keys,
                              m_beeper,
                              m_files,
                              [this] {
                                  auto timer = std::make_unique<ManualTimer>();
                                  m_timer = timer.get();
                                  return timer;
                              },
                              [this] { return m_steadyMs; },
                              [] { return WallTime{}; },
                              [this](const std::string& line) { m_terminal.push_back(line); }};
        m_race = std::make_unique<Race>(std::move(services), std::move(options));
        m_race->attach(m_view);
    }
    // The window shown: loaded, then connected and started as asked.
    void run()
    {
        m_race->load();
        m_race->startUp();
    }
    std::string contentsOf(const std::string& path) const
    {
        const auto file = m_files.files.find(path);
        return file != m_files.files.end() ? file->second : "<unreadable>";
    }
    std::string typed() const
    {
        std::string all;
        for (const auto& keys : m_keys.sent)
            all += (all.empty() ? "" : " | ") + toString(keys);
        return all;
    }

    MemoryFiles m_files;
    FakeView m_view;
    RecordingKeyInjector m_keys;
    CountingBeeper m_beeper;
    std::uint64_t m_steadyMs = 0;
    Strings m_terminal;
    FakeBridge* m_bridge = nullptr;
    ManualTimer* m_timer = nullptr;
    std::unique_ptr<Race> m_race;
};

const std::string kAt = "1970-01-01T00:00:00.000+00:00,";

} // namespace

TEST_F(RaceTest, PortReadAtStartConnectedWhenAskedAndKeptAtTheEnd)
{
    const struct
    {
        const char* name;
        const char* stored; // nullptr: no file; "/": a file that cannot be read or written
        int index;
        std::size_t told; // lines on the terminal: why the file was not used, or not written
    } cases[] = {{"first run", nullptr, 0, 0},
                 {"COM 3", " 2 \r\n", 2, 0},
                 {"out of range", " 9 \r\n", 0, 1},
                 {"not a number", "COM3\r\n", 0, 1},
                 {"folder", "/", 0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.name;
        if (c.stored && *c.stored == '/')
            m_files.problems[file] = file + ": es una carpeta";
        else if (c.stored)
            m_files.files[file] = c.stored;
        m_terminal.clear();
        RaceOptions options;
        options.portSettingFile = file;
        make(options);
        run();
        EXPECT_FALSE(m_view.running);
        EXPECT_EQ(m_view.port, c.index);
        // Read before the first connection, which is made on the stored port.
        EXPECT_EQ(m_bridge->calls,
                  (Strings{"ClosePort", "OpenPort " + std::to_string(c.index + 1), "ReadTransponder"}));
        EXPECT_EQ(m_view.status, "Conexión Establecida");
        EXPECT_EQ(m_view.link, LinkState::Connected);
        // A new selection is connected when asked, and kept on the way out; neither Stop nor a port
        // close runs then.
        m_race->selectPort(4);
        m_race->connectBridge();
        m_race->selectPort(5);
        m_race->unload();
        EXPECT_EQ(m_bridge->calls.back(), "ReadTransponder");
        EXPECT_EQ(m_bridge->calls[4], "OpenPort 5");
        EXPECT_EQ(contentsOf(file), c.told == 2 ? "<unreadable>" : " 5 \r\n");
        EXPECT_EQ(m_terminal.size(), c.told);
    }
    EXPECT_EQ(m_terminal.back(), "no se guardó el puerto: folder: es una carpeta");
}

TEST_F(RaceTest, PassingPathTypesIntoAnotherProgramOnly)
{
    RaceOptions options;
    options.minGapMs = 500;
    options.logFile = "carrera.csv";
    make(options);
    run();
    m_race->table().PresetFunctionKeys();
    m_race->table().setIdText(4, "21");
    m_race->table().setIdText(5, "8");
    m_race->table().setKeyText(5, "a,{");
    m_race->start();
    ASSERT_TRUE(m_view.running);
    EXPECT_EQ(m_view.keys[11], "{F12}");

    // Each step: the car, the bridge's stamp, where the keys would land, auto-assign; then what was
    // typed so far, the row the car claimed (none: -1) and why nothing was typed (empty: typed or
    // nothing to type).
    const struct
    {
        std::int16_t id;
        std::uint32_t stamp;
        KeyTarget target;
        bool autoAssign;
        const char* typed;
        int claimed;
        const char* reason;
    } steps[] = {
        // Keys typed while Orvanel has the focus would press its own buttons; they do not start the
        // car's minimum gap.
        {21, 1000, KeyTarget::OwnWindow, false, "", -1, "ventana de Orvanel"},
        {21, 1100, KeyTarget::Nobody, false, "", -1, "ningún programa"},
        {21, 1200, KeyTarget::OtherProgram, false, "F5", -1, ""},
        {21, 1300, KeyTarget::OtherProgram, false, "F5", -1, "--min-gap"},
        {8, 1350, KeyTarget::OtherProgram, false, "F5", -1, ""},
        {99, 1400, KeyTarget::OtherProgram, false, "F5", -1, ""},
        // A car claims its row even while the keys are held back, and types at its next passing.
        {98, 1450, KeyTarget::OwnWindow, true, "F5", 0, "ventana de Orvanel"},
        {99, 1500, KeyTarget::OtherProgram, true, "F5 | F2", 1, ""},
        {99, 1600, KeyTarget::OtherProgram, true, "F5 | F2", -1, "--min-gap"},
        {98, 1700, KeyTarget::OtherProgram, false, "F5 | F2 | F1", -1, ""},
    };
    int beeps = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.id) + "@" + std::to_string(s.stamp));
        m_view.target = s.target;
        m_race->setAutoAssign(s.autoAssign);
        EXPECT_EQ(m_view.autoAssign, s.autoAssign);
        m_view.reason.clear();
        m_bridge->pass(s.id, s.stamp);
        EXPECT_EQ(typed(), s.typed);
        EXPECT_EQ(m_beeper.beeps, ++beeps);
        EXPECT_EQ(m_view.status, TransponderIdText(s.id));
        if (s.claimed >= 0) {
            EXPECT_EQ(m_view.ids[static_cast<std::size_t>(s.claimed)], std::to_string(s.id));
        }
        EXPECT_NE(m_view.reason.find(s.reason), std::string::npos) << m_view.reason;
        EXPECT_EQ(m_view.reason.empty(), *s.reason == 0);
    }
    m_race->stop();
    EXPECT_FALSE(m_view.running);
    const std::string held = ",held back (min gap: 100 ms < 500 ms)\r\n";
    EXPECT_EQ(contentsOf(options.logFile),
              "host time,bridge stamp,transponder ID,row,key text,outcome\r\n" + kAt +
                  ",,,,started (min gap 500 ms)\r\n" + kAt + ",,,,connected\r\n" + kAt + ",,,,detection on\r\n" + kAt +
                  "1000,21,5,{F5},not typed (Orvanel had the keyboard focus)\r\n" + kAt +
                  "1100,21,5,{F5},not typed (no program had the keyboard focus)\r\n" + kAt +
                  "1200,21,5,{F5},typed\r\n" + kAt + "1300,21,5,{F5}" + held + kAt +
                  "1350,8,6,\"a,{\",key text not valid\r\n" + kAt + "1400,99,,,unknown ID\r\n" + kAt +
                  "1450,98,1,{F1},claimed row 1; not typed (Orvanel had the keyboard focus)\r\n" + kAt +
                  "1500,99,2,{F2},claimed row 2\r\n" + kAt + "1600,99,2,{F2}" + held + kAt +
                  "1700,98,1,{F1},typed\r\n" + kAt + ",,,,detection off\r\n");
}

TEST_F(RaceTest, KeysStillWaitingAreLoggedWhenTheRaceEnds)
{
    RaceOptions options;
    options.logFile = "carrera.csv";
    make(options);
    run();
    m_race->table().PresetFunctionKeys();
    m_race->table().setIdText(0, "7");
    m_keys.deferred = true;
    m_bridge->pass(7, 100);
    m_race.reset();
    const std::string log = contentsOf(options.logFile);
    EXPECT_EQ(log.substr(log.rfind(kAt)), kAt + "100,7,1,{F1},not typed (Orvanel was closing)\r\n");
}

TEST_F(RaceTest, LinkStateAndItsReasonsFollowTheBridge)
{
    RaceOptions options;
    options.statusDelayMs = 150;
    make(options);
    m_bridge->openSucceeds = false;
    run();
    // A port that does not open is told on the terminal too; Start is then refused and says why.
    EXPECT_EQ(m_view.link, LinkState::Failed);
    EXPECT_EQ(m_view.reason, "no such device");
    m_race->start();
    EXPECT_FALSE(m_view.running);
    EXPECT_EQ(m_view.status, "Error de Comunicación");
    EXPECT_EQ(m_view.reason, "Puerto cerrado");
    EXPECT_EQ(m_terminal, Strings{"no such device"});

    m_bridge->openSucceeds = true;
    m_race->connectBridge();
    m_timer->advance(149);
    EXPECT_EQ(m_view.status, "Conexión Establecida");
    m_timer->advance(1);
    EXPECT_EQ(m_view.status, "");
    m_race->start();
    m_bridge->loseLink();
    EXPECT_EQ(m_view.link, LinkState::Lost);
    EXPECT_EQ(m_view.reason, "Se perdió la conexión; se recupera sola en cuanto el puente conteste");
    // While the link is down the message stays, whatever else passes over the line.
    m_race->showStatus("y");
    m_timer->advance(150);
    EXPECT_EQ(m_view.status, "Error de Comunicación");
    // Still running: the link is being recovered, and Stop is what ends that.
    EXPECT_TRUE(m_view.running);
    m_bridge->losePassings(2);
    m_bridge->losePassings(1);
    EXPECT_EQ(m_terminal,
              (Strings{"no such device", "2 pasadas perdidas (2 en total)", "1 pasada perdida (3 en total)"}));
    EXPECT_EQ(m_view.reason,
              "Se perdió la conexión; se recupera sola en cuanto el puente conteste\n3 pasadas perdidas");
    m_bridge->restoreLink();
    EXPECT_EQ(m_view.status, "Conexión Establecida");
    EXPECT_EQ(m_view.link, LinkState::Connected);
    EXPECT_EQ(m_view.reason, "3 pasadas perdidas");
    // Programming with no number in the box: the reason stands behind the status line.
    m_race->programTransponder("");
    EXPECT_EQ(m_view.reason, "No se grabó nada: escriba en la casilla el número del nuevo ID");
}

TEST_F(RaceTest, UnwritableLogStaysInSight)
{
    RaceOptions options;
    options.statusDelayMs = 150;
    options.logFile = "carrera.csv";
    m_files.problems[options.logFile] = "carrera.csv: sin permiso de acceso";
    options.untrustedSettings = "orvanel.conf: es de otro usuario (ana); no se tiene en cuenta";
    make(options);
    run();
    ASSERT_EQ(m_terminal.size(), 1u);
    EXPECT_EQ(m_terminal[0].rfind("No se puede escribir el registro de pasadas: ", 0), 0u);
    EXPECT_EQ(m_view.reason, m_terminal[0] + "\n" + options.untrustedSettings);
    m_timer->advance(150);
    EXPECT_EQ(m_view.status, "Error en el registro de pasadas");
    // A lost link outranks it while it lasts.
    m_bridge->loseLink();
    m_timer->advance(150);
    EXPECT_EQ(m_view.status, "Error de Comunicación");
    m_bridge->restoreLink();
    m_timer->advance(150);
    EXPECT_EQ(m_view.status, "Error en el registro de pasadas");
}

TEST_F(RaceTest, IdListsSavedAndLoadedBack)
{
    make();
    run();
    const std::string list = "coches.txt";
    m_race->table().setIdText(0, "7");
    m_race->table().setIdText(3, "1,2");
    m_race->table().setKeyText(0, "{F1}");
    m_race->saveIdList(list);
    EXPECT_EQ(contentsOf(list).substr(0, 14), "7\r\n\r\n\r\n\"1,2\"\r\n");
    m_race->table().ClearIds();
    m_race->loadIdList(list);
    EXPECT_EQ(m_view.ids[0], "7");
    EXPECT_EQ(m_view.ids[3], "1,2");
    EXPECT_EQ(m_view.keys[0], "{F1}");
    // Success says nothing.
    EXPECT_EQ(m_view.status, "Conexión Establecida");

    // A file that cannot be loaded changes nothing and says so; a list that cannot be saved too.
    const std::string picture = "foto.jpg";
    m_files.files[picture] = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    m_race->table().setIdText(0, "8");
    m_race->loadIdList(picture);
    EXPECT_EQ(m_view.ids[0], "8");
    EXPECT_EQ(m_view.status, "Error al leer IDs");
    EXPECT_EQ(m_view.reason,
              picture + ": no es una lista de IDs: el ID de la fila 1 tiene un carácter de control (U+0000)");
    m_files.problems["carpeta"] = "carpeta: es una carpeta";
    m_race->saveIdList("carpeta");
    EXPECT_EQ(m_view.status, "Error al guardar IDs");
    EXPECT_EQ(m_view.reason, "carpeta: es una carpeta");
    EXPECT_EQ(contentsOf(list).substr(0, 3), "7\r\n");
}

TEST_F(RaceTest, UnattendedStart)
{
    const std::string list = "coches.txt";
    const std::string missing = "nada.txt";
    m_files.files[list] = "101\r\n102\r\n";
    const Strings silent{"El puente no contesta", "no se inició la detección: El puente no contesta"};
    const struct
    {
        const std::string& idList;
        KeyPreset preset;
        bool bridgeAnswers;
        const char* id1;
        const char* key0;
        Strings terminal;
    } cases[] = {{list, KeyPreset::FunctionKeys, true, "102", "{F1}", {}},
                 {list, KeyPreset::Digits, true, "102", "1", {}},
                 {list, KeyPreset::None, false, "102", "", silent},
                 {missing, KeyPreset::FunctionKeys, true, "", "{F1}", {missing + ": no existe"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.idList + " " + c.key0);
        m_terminal.clear();
        m_view = FakeView();
        RaceOptions options;
        options.idListFile = c.idList;
        options.preset = c.preset;
        options.start = true;
        make(options);
        m_bridge->readResult = c.bridgeAnswers ? kNoTransponder : kNoCommunication;
        run();
        EXPECT_EQ(m_view.ids[1], c.id1);
        EXPECT_EQ(m_view.keys[0], c.key0);
        EXPECT_EQ(m_view.running, c.bridgeAnswers);
        EXPECT_EQ(m_terminal, c.terminal);
    }
}
