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

int Twips::fontHeight(double points) const
{
    return -static_cast<int>(std::lround(points * m_dpi / 72.0));
}

HFONT Twips::dialogFont(double points, bool bold, bool underline) const
{
    return CreateFontW(fontHeight(points), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

TwipsLayout::~TwipsLayout()
{
    for (const Font& font : m_fonts)
        DeleteObject(font.handle);
}

HFONT TwipsLayout::font(double points, bool bold, bool underline)
{
    m_fonts.push_back({points, bold, underline, m_twips.dialogFont(points, bold, underline)});
    return m_fonts.back().handle;
}

HWND TwipsLayout::place(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const TwipsRect& at,
                        int id, HFONT font, DWORD exStyle)
{
    const RECT px = m_twips.rect(at.left, at.top, at.width, at.height);
    HWND control =
        CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, px.left, px.top, px.right - px.left,
                        px.bottom - px.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    std::size_t index = 0;
    while (index < m_fonts.size() && m_fonts[index].handle != font)
        ++index;
    m_placed.push_back({control, at, index});
    return control;
}

void TwipsLayout::changeDpi(HWND window, int dpi, const RECT& suggested)
{
    m_twips = Twips(dpi);
    std::vector<HFONT> old;
    for (Font& font : m_fonts) {
        old.push_back(font.handle);
        font.handle = m_twips.dialogFont(font.points, font.bold, font.underline);
    }
    for (const Placed& placed : m_placed) {
        const RECT px = m_twips.rect(placed.at.left, placed.at.top, placed.at.width, placed.at.height);
        SetWindowPos(placed.control, nullptr, px.left, px.top, px.right - px.left, px.bottom - px.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (placed.font < m_fonts.size())
            SendMessageW(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts[placed.font].handle), FALSE);
    }
    // The old fonts go once no control uses them.
    for (HFONT font : old)
        DeleteObject(font);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
