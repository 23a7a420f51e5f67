#pragma once

#include "about/SystemInfo.h"
#include "about/SystemInfoServices.h"
#include "win/Twips.h"
#include "win/WinMessageBox.h"

#include <functional>
#include <vector>
#include <windows.h>

namespace orvanel {

// The About window: the program's title and version, what it does, a warning, and "System Info...".
// Modeless; owned by a hidden window so that it has no button of its own on the task bar. Each
// opening creates and loads it afresh; closing destroys it.
class frmAbout
{
public:
    enum Control : int
    {
        kCmdOK = IDOK, // Enter and Esc reach it through the dialog manager
        kCmdSysInfo = 3,
        kPicIcon,
        kLblDescription,
        kLblTitle,
        kLblVersion,
        kLblDisclaimer,
    };

    // The services must outlive the window; closed is told once the window is gone.
    frmAbout(SystemInfoServices& services, HWND owner, std::function<void()> closed);
    ~frmAbout();
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    HWND handle() const { return m_window; }
    bool isOpen() const { return m_open; }
    void bringForward();
    // The dialog keys (Tab, Enter, Esc, Alt+S) for a message of the loop; true when handled.
    bool translateDialogMessage(MSG& message);

    // The client area, in twips.
    static constexpr int kClientWidthTwips = 6585;
    static constexpr int kClientHeightTwips = 4725;

private:
    template <typename Owner>
    friend LRESULT CALLBACK ownedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void buildControls();
    void paintSeparator(HDC dc);
    void drawPicture(const DRAWITEMSTRUCT& item);
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    TwipsLayout m_layout;
    WinMessageBox m_messages;
    SystemInfo m_systemInfo;
    std::function<void()> m_closed;
    HBITMAP m_picture = nullptr;
    bool m_open = true;

    HWND m_window = nullptr;
    HWND picIcon = nullptr;
    HWND cmdOK = nullptr;
    HWND cmdSysInfo = nullptr;
    HWND lblDescription = nullptr;
    HWND lblTitle = nullptr;
    HWND lblVersion = nullptr;
    HWND lblDisclaimer = nullptr;
};

} // namespace orvanel
