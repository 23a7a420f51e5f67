#include "session/Race.h"

#include "bridge/PortMap.h"
#include "session/Messages.h"
#include "session/RaceView.h"
#include "storage/IdListFile.h"
#include "storage/PortSettingFile.h"

namespace orvanel {

Race::Race(RaceServices services, RaceOptions options)
    : m_options(std::move(options)), m_bridge(std::move(services.bridge)), m_keys(services.keys),
      m_files(services.files), m_steadyClock(std::move(services.steadyClock)),
      m_wallClock(std::move(services.wallClock)), m_tellTerminal(std::move(services.tellTerminal)),
      m_statusTimer(services.makeTimer()),
      m_status([this](const std::string& text) { m_view->showStatus(text); }, *m_statusTimer, m_options.statusDelayMs),
      m_dispatcher(m_table, services.keys, services.beeper, m_status), m_session(*m_bridge, m_status),
      m_untrustedSettings(m_options.untrustedSettings)
{
    setUpLog();
}

Race::~Race()
{
    // The bridge may outlive nothing of the race: no passing reaches a half-destroyed table.
    m_bridge->setPassingHandler({});
    m_bridge->setLinkLostHandler({});
    m_bridge->setLinkRestoredHandler({});
    m_bridge->setPassingsLostHandler({});
    // The key injector outlives the race: what it still holds is settled while the log is there.
    m_keys.cancelQueued();
    m_keys.setTargetCheck({});
}

void Race::attach(RaceView& view)
{
    m_view = &view;
    m_table.setChangeListener([this](std::size_t row, MappingTable::Column column) {
        if (m_viewEdit)
            return;
        const MappingRow& texts = m_table.row(row);
        m_view->showText(row, column, column == MappingTable::Column::Id ? texts.IdText : texts.KeyText);
    });
    m_bridge->setPassingHandler(
        [this](const std::int16_t& id, std::optional<std::uint32_t> stamp) { onPassing(id, stamp); });
    m_bridge->setLinkLostHandler([this] {
        m_session.onLinkLost();
        showLink();
    });
    m_bridge->setLinkRestoredHandler([this] {
        m_session.onLinkRestored();
        showLink();
    });
    m_bridge->setPassingsLostHandler([this](const LostPassings& lost) { onPassingsLost(lost); });
    // Why a passing typed nothing, or what the keyboard map could not type, stands behind its ID.
    m_dispatcher.setHoldHandler([this](const std::string& why) { m_view->showReason(why); });
    // Keys that wait behind slower ones (--key-delay) are checked again when their turn comes.
    m_keys.setTargetCheck([this] { return m_view->keyTarget(); });
}

void Race::setUpLog()
{
    if (m_options.minGapMs > 0) {
        m_gapGuard.emplace(m_options.minGapMs, m_steadyClock);
        m_dispatcher.setGapGuard(&*m_gapGuard);
    }
    if (m_options.logFile.empty())
        return;
    m_logFile = m_files.openLog(m_options.logFile, RaceLog::kHeader);
    m_log.emplace(*m_logFile, m_wallClock, [this](const std::string& problem) {
        m_logProblem = messages::kLogNotWritten + problem;
        m_tellTerminal(m_logProblem);
        // Seen without hovering: a desktop start has no terminal to read standard error on.
        m_status.setBackgroundStatus(messages::kLogError);
        showLink();
    });
    m_dispatcher.setLog(&*m_log);
    m_session.setLog(&*m_log);
}

void Race::load()
{
    // The log's first line says what its passings were judged by, and finds a file that cannot be
    // written before the race does.
    if (m_log)
        m_log->event(logText::started(m_options.minGapMs));
    m_view->showRunning(false);
    const StoredPortIndex stored =
        m_options.portSettingFile.empty() ? StoredPortIndex() : readPortIndex(m_files, m_options.portSettingFile);
    if (!stored.problem.empty())
        m_tellTerminal(stored.problem);
    if (stored.untrusted)
        m_untrustedSettings += (m_untrustedSettings.empty() ? "" : "\n") + stored.problem;
    selectPort(stored.index);
    m_view->showPort(stored.index);
}

void Race::startUp()
{
    connectBridge();
    if (!m_options.idListFile.empty()) {
        const FileProblem problem = loadIdList(m_options.idListFile);
        if (!problem.empty())
            m_tellTerminal(problem);
    }
    if (m_options.preset == KeyPreset::Digits)
        m_table.PresetDigitKeys();
    else if (m_options.preset == KeyPreset::FunctionKeys)
        m_table.PresetFunctionKeys();
    if (m_options.start && m_session.linkState() == BridgeSession::LinkState::Connected)
        start();
    else if (m_options.start)
        m_tellTerminal(std::string("no se inició la detección: ") + m_session.statusDetails());
}

void Race::unload()
{
    // The window closes whatever happens to the file; the user learns why it was not kept.
    if (m_options.portSettingFile.empty())
        return;
    const FileProblem problem = writePortIndex(m_files, m_options.portSettingFile, m_portIndex);
    if (!problem.empty())
        m_tellTerminal("no se guardó el puerto: " + problem);
}

void Race::selectPort(int index)
{
    m_portIndex = index;
}

void Race::connectBridge()
{
    m_session.connect(PortMap::kFirstPort + m_portIndex);
    showLink();
    // Told on the terminal too: a port that cannot be opened is mostly a set-up matter.
    if (m_session.linkState() == BridgeSession::LinkState::Failed)
        m_tellTerminal(m_session.statusDetails());
}

void Race::start()
{
    m_session.startDetection([this] { m_view->showRunning(true); });
    showLink();
}

void Race::stop()
{
    m_session.stopDetection([this] { m_view->showRunning(false); });
}

void Race::readTransponder()
{
    m_session.readTransponder();
}

void Race::programTransponder(const std::string& text)
{
    const std::string why = m_session.programTransponder(text);
    if (!why.empty())
        m_view->showReason(why);
}

void Race::editText(std::size_t row, MappingTable::Column column, std::string text)
{
    m_viewEdit = true;
    if (column == MappingTable::Column::Id)
        m_table.setIdText(row, std::move(text));
    else
        m_table.setKeyText(row, std::move(text));
    m_viewEdit = false;
}

void Race::setAutoAssign(bool on)
{
    if (on == m_autoAssign)
        return;
    m_autoAssign = on;
    m_view->showAutoAssign(on);
}

FileProblem Race::loadIdList(const std::string& path)
{
    const IdListRead list = readIdList(m_files, path);
    if (list.problem.empty()) {
        static_assert(kIdListRows == MappingTable::kRows);
        for (std::size_t i = 0; i < list.ids.size(); ++i)
            m_table.setIdText(i, list.ids[i]);
    }
    reportFileProblem(list.problem, messages::kIdListNotLoaded);
    return list.problem;
}

void Race::saveIdList(const std::string& path)
{
    IdList ids;
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = m_table.row(i).IdText;
    reportFileProblem(writeIdList(m_files, path, ids), messages::kIdListNotSaved);
}

void Race::onPassing(std::int16_t id, std::optional<std::uint32_t> stamp)
{
    // Keys typed while one of Orvanel's own windows has the focus would press its buttons; with no
    // program focused they would land in whatever lies under the pointer.
    m_dispatcher.onPassing(id, m_autoAssign, m_view->keyTarget(), stamp);
}

void Race::onPassingsLost(const LostPassings& lost)
{
    m_session.onPassingsLost(lost);
    m_tellTerminal(lostPassingsText(lost.count()) + " (" + std::to_string(m_session.lostPassings()) + " en total)");
    showLink();
}

void Race::showLink()
{
    // The status line's texts are fixed; the reason behind "Error de Comunicación" is one hover away.
    std::string reason;
    for (const std::string& part : {m_session.statusDetails(), m_logProblem, m_untrustedSettings}) {
        if (!part.empty())
            reason += (reason.empty() ? "" : "\n") + part;
    }
    m_view->showLink(m_session.linkState(), reason);
}

// Success says nothing; a failure says so on the status line, and why behind it.
void Race::reportFileProblem(const FileProblem& problem, const char* status)
{
    if (problem.empty())
        return;
    m_status.showStatus(status);
    m_view->showReason(problem);
}

} // namespace orvanel
