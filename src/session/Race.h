#pragma once

#include "mapping/MappingTable.h"
#include "session/BridgeSession.h"
#include "session/GapGuard.h"
#include "session/PassingDispatcher.h"
#include "session/RaceLog.h"
#include "session/RaceOptions.h"
#include "session/RaceServices.h"
#include "status/StatusLine.h"
#include "system/FileProblem.h"
#include "system/Files.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvanel {

class RaceView;

// Everything Orvanel does between the bridge and the lap counter, apart from any window: the table,
// the status line, the bridge, the passing dispatch with its minimum gap and log, the port kept
// between runs, the ID lists and the unattended start. A front end attaches a view, runs the file
// dialogs and forwards the user's commands; it is told whatever happens, to show it.
class Race
{
public:
    Race(RaceServices services, RaceOptions options);
    // Key-strokes still waiting are settled (and logged) while the view is still there.
    ~Race();
    Race(const Race&) = delete;
    Race& operator=(const Race&) = delete;

    // Before anything else; the view must outlive the race. Passings and link events reach the race
    // only from then on.
    void attach(RaceView& view);

    // Before the window is shown: the log's first line, detection off, the stored port selected.
    void load();
    // Once it is shown: the first connection, then the unattended start (ID list, preset, Start).
    void startUp();
    // When the window closes: the selected port is kept. Detection is not stopped.
    void unload();

    // The port list's entry (0 for "COM 1"): the next connection opens it, and unload() keeps it.
    void selectPort(int index);
    void connectBridge();
    void start();
    void stop();
    void readTransponder();
    void programTransponder(const std::string& text);
    // Read by every passing: whether an unlisted transponder claims the first empty row.
    void setAutoAssign(bool on);
    // Failure says so on the status line and why behind it; the table is then untouched.
    FileProblem loadIdList(const std::string& path);
    void saveIdList(const std::string& path);

    // A box of the view's table edited by the user. The view is not told back: when the race runs on
    // a thread of its own, its box may already hold a newer text.
    void editText(std::size_t row, MappingTable::Column column, std::string text);

    void showStatus(const std::string& text) { m_status.showStatus(text); }
    MappingTable& table() { return m_table; }

private:
    void setUpLog();
    void onPassing(std::int16_t id, std::optional<std::uint32_t> stamp);
    void onPassingsLost(const LostPassings& lost);
    void showLink();
    void reportFileProblem(const FileProblem& problem, const char* status);

    RaceOptions m_options;
    MappingTable m_table;
    std::unique_ptr<BridgeControl> m_bridge;
    KeyInjector& m_keys;
    Files& m_files;
    SteadyClock m_steadyClock;
    WallClock m_wallClock;
    std::function<void(const std::string&)> m_tellTerminal;
    RaceView* m_view = nullptr;
    std::unique_ptr<OneShotTimer> m_statusTimer;
    StatusLine m_status;
    PassingDispatcher m_dispatcher;
    BridgeSession m_session;
    std::optional<GapGuard> m_gapGuard;
    std::unique_ptr<LineSink> m_logFile;
    std::optional<RaceLog> m_log;
    bool m_autoAssign = false;
    bool m_viewEdit = false; // while the view's own edit is applied
    int m_portIndex = 0;
    std::string m_logProblem;        // why the log cannot be written, kept behind the status line
    std::string m_untrustedSettings; // settings files of another user's, kept there too
};

} // namespace orvanel
