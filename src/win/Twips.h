#pragma once

#include <windows.h>

namespace orvanel {

// Layouts are kept in twips (1440 to an inch), as drawn, and placed at the system's DPI.
class Twips
{
public:
    Twips();

    int px(int twips) const { return MulDiv(twips, m_dpi, 1440); }
    RECT rect(int left, int top, int width, int height) const
    {
        return RECT{px(left), px(top), px(left) + px(width), px(top) + px(height)};
    }
    // A font of the classic dialog face at points, as the layouts name it.
    HFONT dialogFont(double points, bool bold = false, bool underline = false) const;

private:
    int m_dpi = 96;
};

// Creates a top-level window whose client area lies at client (pixels on the screen), framed as style,
// exStyle and a menu bar (hasMenu) ask; handler is CreateWindowExW's last argument.
HWND createFramedWindow(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, bool hasMenu,
                        const RECT& client, HWND owner, void* handler);

// Places a control, child of parent, at a rectangle in pixels.
HWND placeControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& at, int id,
                  HFONT font, DWORD exStyle = 0);

} // namespace orvanel
