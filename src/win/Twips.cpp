#include "win/Twips.h"

#include <cmath>

namespace orvanel {

Twips::Twips()
{
    // The system's DPI, which a per-monitor aware program still gets from the screen's device context.
    if (HDC screen = GetDC(nullptr)) {
        m_dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
}

HFONT Twips::dialogFont(double points, bool bold, bool underline) const
{
    const int height = -static_cast<int>(std::lround(points * m_dpi / 72.0));
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

HWND placeControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& at, int id,
                  HFONT font, DWORD exStyle)
{
    HWND control =
        CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                        at.bottom - at.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HWND createFramedWindow(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, bool hasMenu,
                        const RECT& client, HWND owner, void* handler)
{
    RECT frame{0, 0, client.right - client.left, client.bottom - client.top};
    AdjustWindowRectEx(&frame, style, hasMenu, exStyle);
    return CreateWindowExW(exStyle, className, title, style, client.left + frame.left, client.top + frame.top,
                           frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                           GetModuleHandleW(nullptr), handler);
}

} // namespace orvanel
