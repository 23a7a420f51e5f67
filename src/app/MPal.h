#pragma once

#include "app/CommonDialog.h"
#include "app/KeyboardFocus.h"
#include "app/RaceHost.h"
#include "app/StaleInputFilter.h"
#include "bridge/PortMap.h"
#include "mapping/MappingTable.h"
#include "session/Race.h"
#include "session/RaceView.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvanel {

class WrappingCheckBox;

// The main window: the twelve-row table, the bridge buttons, the port list and the status line, as
// a view of the race. It owns the race (through its host), and with it the bridge, which therefore
// lives exactly as long as the window.
class MPal : public QMainWindow, public RaceView
{
    Q_OBJECT

public:
    struct Options
    {
        // Where the file dialogs begin until a file has been chosen; empty: the current folder.
        std::string fileDialogFolder;
        // The device behind each entry of the port list, shown on its tooltip.
        PortMap ports;
    };

    // The race on the window's own event loop.
    explicit MPal(std::unique_ptr<Race> race, const Options& options = Options());
    explicit MPal(std::unique_ptr<RaceHost> host, const Options& options = Options());
    ~MPal() override;

    // "?" on the menu bar; the About window is created and shown by whoever sets this.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }
    // Which way the key-strokes go, kept under whatever the status line's tooltip says.
    void setKeysRoute(const std::string& route);

    // Only with the race on the window's own event loop.
    Race& race() { return m_inline->race(); }

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
    // Every command goes to the race this way, in order.
    void run(RaceHost::Command command);
    // A button's command (see RaceHost::runClick).
    void click(RaceHost::Command command);
    void Form_Load();
    void Form_Unload();
    void ConnectBridge();
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void MCargarIds_Click();
    void MGuardarIds_Click();
    void MAbout_Click();

    void showStatus(const std::string& text) override;
    void showReason(const std::string& text) override;
    void showLink(BridgeSession::LinkState state, const std::string& reason) override;
    void showRunning(bool running) override;
    void showText(std::size_t row, MappingTable::Column column, const std::string& text) override;
    void showAutoAssign(bool on) override;
    void showPort(int index) override;
    KeyTarget keyTarget() override { return m_keyboardFocus.target(); }

    std::unique_ptr<RaceHost> m_host;
    InlineRaceHost* m_inline = nullptr;
    StaleInputFilter m_staleInput;
    KeyboardFocus m_keyboardFocus;
    std::function<void()> m_about;
    QString m_keysRoute;
    QString m_reason;
    CommonDialog CD1;

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
