#pragma once

#include "app/CommandLine.h"
#include "app/KeyboardFocus.h"
#include "app/QtOneShotTimer.h"
#include "app/StaleInputFilter.h"
#include "bridge/BridgeControl.h"
#include "mapping/MappingTable.h"
#include "session/BridgeSession.h"
#include "session/GapGuard.h"
#include "session/PassingDispatcher.h"
#include "session/RaceLog.h"
#include "status/StatusLine.h"
#include "system/Files.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvanel {

class Beeper;
class KeyInjector;
class WrappingCheckBox;

// The main window: the twelve-row table, the bridge buttons, the port list and the status line.
// It owns the bridge control, which therefore lives exactly as long as the window.
class MPal : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        int statusDelayMs = StatusLine::kClearDelayMs;
        // Where the chosen port is kept between runs; empty keeps it nowhere.
        std::string portSettingFile;
        // Unattended start-up: an ID list to load, key-strokes to preset, and Start once connected.
        std::string idListFile;
        CommandLine::Preset preset = CommandLine::Preset::None;
        bool start = false;
        // Race day: a car's passings closer than this type once (0: no minimum), and the log's file
        // (empty: none).
        std::uint32_t minGapMs = 0;
        std::string logFile;
        // Where the file dialogs begin until a file has been chosen; empty: the current folder.
        std::string fileDialogFolder;
        // The device behind each entry of the port list, shown on its tooltip.
        PortMap ports;
        // Why orvanel.conf was not used (another user's file), kept on the status line's tooltip.
        std::string untrustedSettings;
    };

    MPal(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper, Files& files,
         const Options& options);
    MPal(std::unique_ptr<BridgeControl> bridge, KeyInjector& keys, Beeper& beeper, Files& files);
    ~MPal() override;

    // "?" on the menu bar; the About window is created and shown by whoever sets this.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }

    MappingTable& table() { return m_table; }

    void ShowStatus(const std::string& text) { m_status.showStatus(text); }

    // The client area, in twips (15 to a pixel at 96 dpi).
    static constexpr int kClientWidthTwips = 10290;
    static constexpr int kClientHeightTwips = 6435;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(const PortMap& ports);
    void buildMenu();
    void buildTabOrder();
    void wireTable();
    void setUpRaceOptions(const Options& options);
    void Form_Load(const Options& options);
    void startUnattended(const Options& options);
    FileProblem loadIdList(const std::string& path);
    void Form_Unload();
    void ConnectBridge();
    void showLinkState();
    void reportLostPassings(const LostPassings& lost);
    void OnPassing(const std::int16_t& id, std::optional<std::uint32_t> stamp);
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void MCargarIds_Click();
    void MGuardarIds_Click();
    QString showFileDialog(const QString& title, bool save);
    void reportFileProblem(const FileProblem& problem, const std::string& status);
    void MAbout_Click();
    void setRunning(bool running);
    void showLabelCaption(const std::string& text);

    MappingTable m_table;
    std::unique_ptr<BridgeControl> m_bridge;
    QtOneShotTimer m_timer2;
    StatusLine m_status;
    KeyInjector& m_keys;
    PassingDispatcher m_dispatcher;
    BridgeSession m_session;
    StaleInputFilter m_staleInput;
    KeyboardFocus m_keyboardFocus;
    std::function<void()> m_about;
    std::string m_portSettingFile;
    QString m_cd1FileName; // proposed by the next file dialog
    QString m_fileDialogFolder;
    std::optional<GapGuard> m_gapGuard;
    Files& m_files;
    std::unique_ptr<LineSink> m_logFile;
    std::optional<RaceLog> m_log;
    std::string m_logProblem;        // why the log cannot be written, kept on the status line's tooltip
    std::string m_untrustedSettings; // settings files of another user's, kept there too

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<QLineEdit*, MappingTable::kRows> Text2{};
    std::array<QLineEdit*, MappingTable::kRows> Text3{};
    WrappingCheckBox* Check1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Ccom = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* linkDot = nullptr;
};

} // namespace orvanel
