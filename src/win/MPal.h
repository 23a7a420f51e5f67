#pragma once

#include "bridge/PortMap.h"
#include "mapping/MappingTable.h"
#include "session/Race.h"
#include "session/RaceView.h"
#include "win/CommonDialog.h"
#include "win/Twips.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>
#include <windows.h>

namespace orvanel {

// The main window: the twelve-row table, the bridge buttons, the port list and the status line, as
// a view of the race. It owns the race, and with it the bridge, which therefore lives exactly as long
// as the window.
class MPal : public RaceView
{
public:
    struct Options
    {
        // Where the file dialogs begin until a file has been chosen; empty: the current folder.
        std::string fileDialogFolder;
        // The device behind each entry of the port list, shown on its tooltip.
        PortMap ports;
    };

    // Control identifiers, which a driver of the window finds the controls by.
    enum Control : int
    {
        kText2 = 1000, // + row
        kText3 = 1100, // + row
        kCommand1 = 101,
        kCommand2,
        kCommand4,
        kCommand5,
        kText1,
        kCheck1,
        kCcom,
        kLabel1,
        kPicture1,
        kLinkDot,
        kLabel3,
        kLabel4,
        kLabel5,
        kLabel6,
        kFrame1,
        kFrame2,
        kFrame3,
        kMBorrarIds = 201,
        kMKeyS10,
        kMKeySF1F12,
        kMBorrarKeyS,
        kMCargarIds,
        kMGuardarIds,
        kMAbout,
    };

    MPal(std::unique_ptr<Race> race, const Options& options);
    ~MPal() override;
    MPal(const MPal&) = delete;
    MPal& operator=(const MPal&) = delete;

    // "?" on the menu bar; the About window is created and shown by whoever sets this.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }
    // Told once the window is gone.
    void setClosedHandler(std::function<void()> handler) { m_closed = std::move(handler); }

    void show(int showCommand);
    HWND handle() const { return m_window; }
    // The window's keyboard handling for a message of the loop: the tab order, then the dialog keys.
    // True when the message was handled.
    bool translateDialogMessage(MSG& message);

    // The client area, in twips (15 to a pixel at 96 dpi).
    static constexpr int kClientWidthTwips = 10290;
    static constexpr int kClientHeightTwips = 6435;

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK portListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self);
    static LRESULT CALLBACK portEntriesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code);
    void drawItem(const DRAWITEMSTRUCT& item);

    HWND frame(const wchar_t* caption, int id, const TwipsRect& at, HFONT font);
    void buildControls();
    void fitPortList();
    void buildMenu();
    void buildTooltips();
    void setTooltip(HWND control, const std::string& text);
    bool moveFocusInTabOrder(bool backwards);
    void enableFrame(HWND frame, bool enabled);
    template <typename Call> void runDroppingStaleInput(Call&& call);

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
    KeyTarget keyTarget() override;

    std::unique_ptr<Race> m_race;
    TwipsLayout m_layout;
    PortMap m_ports;
    std::function<void()> m_about;
    std::function<void()> m_closed;
    CommonDialog CD1;
    HBITMAP m_bridgePicture = nullptr;
    BridgeSession::LinkState m_linkState = BridgeSession::LinkState::NotConnected;
    std::string m_reason;

    HWND m_window = nullptr;
    HWND m_tooltips = nullptr;
    HWND Frame1 = nullptr;
    HWND Frame2 = nullptr;
    HWND Frame3 = nullptr;
    HWND Command1 = nullptr;
    HWND Command2 = nullptr;
    HWND Command4 = nullptr;
    HWND Command5 = nullptr;
    HWND Text1 = nullptr;
    std::array<HWND, MappingTable::kRows> Text2{};
    std::array<HWND, MappingTable::kRows> Text3{};
    HWND Check1 = nullptr;
    HWND Label1 = nullptr;
    HWND Ccom = nullptr;
    HWND Picture1 = nullptr;
    HWND linkDot = nullptr;
    // The open port list, and the entry under the mouse there (-1: none).
    HWND m_portEntries = nullptr;
    int m_hoveredEntry = -1;
    std::vector<HWND> m_tabOrder;
};

} // namespace orvanel
