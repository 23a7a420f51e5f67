#pragma once

#include <cstddef>
#include <vector>
#include <windows.h>

namespace orvanel {

// Layouts are kept in twips (1440 to an inch), as drawn, and placed at a DPI: the system's unless
// told otherwise.
class Twips
{
public:
    Twips();
    explicit Twips(int dpi) : m_dpi(dpi) {}

    int dpi() const { return m_dpi; }
    int px(int twips) const { return MulDiv(twips, m_dpi, 1440); }
    // A size drawn in pixels at 96 DPI (the pictures), at this DPI.
    int fromPixels96(int pixels) const { return MulDiv(pixels, m_dpi, 96); }
    RECT rect(int left, int top, int width, int height) const
    {
        return RECT{px(left), px(top), px(left) + px(width), px(top) + px(height)};
    }
    // The character height in pixels of a font of points, as CreateFont takes it (negative).
    int fontHeight(double points) const;
    // A font of the classic dialog face at points, as the layouts name it.
    HFONT dialogFont(double points, bool bold = false, bool underline = false) const;

private:
    int m_dpi = 96;
};

// A control's place in twips.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

// The controls of a window, placed in twips, and the fonts they use: when the window moves to a
// screen of another DPI, both are made again at the new one.
class TwipsLayout
{
public:
    TwipsLayout() = default;
    ~TwipsLayout();
    TwipsLayout(const TwipsLayout&) = delete;
    TwipsLayout& operator=(const TwipsLayout&) = delete;

    const Twips& twips() const { return m_twips; }
    // A font of the classic dialog face, kept by the layout.
    HFONT font(double points, bool bold = false, bool underline = false);
    // Creates a control, child of parent, at a place in twips, with one of the layout's fonts.
    HWND place(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, const TwipsRect& at, int id,
               HFONT font, DWORD exStyle = 0);
    // WM_DPICHANGED: the fonts and the controls at the new DPI, the window where the system suggests.
    void changeDpi(HWND window, int dpi, const RECT& suggested);

private:
    struct Font
    {
        double points;
        bool bold;
        bool underline;
        HFONT handle;
    };
    struct Placed
    {
        HWND control;
        TwipsRect at;
        std::size_t font; // past the fonts' end: none of the layout's
    };

    Twips m_twips;
    std::vector<Font> m_fonts;
    std::vector<Placed> m_placed;
};

// Creates a top-level window whose client area lies at client (pixels on the screen), framed as style,
// exStyle and a menu bar (hasMenu) ask; handler is CreateWindowExW's last argument.
HWND createFramedWindow(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, bool hasMenu,
                        const RECT& client, HWND owner, void* handler);

} // namespace orvanel
