#include "win/frmAbout.h"

#include "about/AboutCaptions.h"
#include "platform/windows/WideText.h"
#include "win/OwnedWindowProc.h"
#include "win/Resources.h"

#include <commctrl.h>

namespace orvanel {

namespace {

constexpr wchar_t kWindowClass[] = L"OrvanelAbout";
// The picture's transparent ground, left undrawn.
constexpr COLORREF kTransparent = RGB(255, 0, 255);

} // namespace

frmAbout::frmAbout(SystemInfoServices& services, HWND owner, std::function<void()> closed)
    : m_messages(orvanelIdentity().title),
      m_systemInfo(*services.registry, *services.files, *services.launcher, m_messages), m_closed(std::move(closed))
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    windowClass.lpfnWndProc = ownedWindowProc<frmAbout>;
    RegisterClassExW(&windowClass); // fails harmlessly once the class exists
    m_picture = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));

    // A fixed dialog border: a close box, nothing to minimize, maximize or resize.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    m_window =
        createFramedWindow(kWindowClass, L"About Orvanel", style, exStyle, false,
                           m_layout.twips().rect(2340, 1935, kClientWidthTwips, kClientHeightTwips), owner, this);
    buildControls();
    Form_Load();
    ShowWindow(m_window, SW_SHOWNORMAL);
    // The focus is on OK, the control with the lowest tab index.
    SetFocus(cmdOK);
}

frmAbout::~frmAbout()
{
    if (IsWindow(m_window)) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    DeleteObject(m_picture);
}

void frmAbout::bringForward()
{
    ShowWindow(m_window, SW_SHOWNORMAL);
    SetForegroundWindow(m_window);
}

void frmAbout::buildControls()
{
    auto& l = m_layout;
    const HFONT dialog = l.font(8.25);
    // In tab order: OK, the picture (no stop), System Info.
    cmdOK =
        l.place(m_window, WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {4245, 3705, 1260, 345}, kCmdOK, dialog);
    picIcon =
        l.place(m_window, WC_STATICW, L"", SS_OWNERDRAW, {120, 240, 1185, 495}, kPicIcon, dialog, WS_EX_CLIENTEDGE);
    cmdSysInfo = l.place(m_window, WC_BUTTONW, L"&System Info...", BS_PUSHBUTTON | WS_TABSTOP, {4260, 4155, 1245, 345},
                         kCmdSysInfo, dialog);
    lblDescription = l.place(
        m_window, WC_STATICW,
        L"Orvanel convierte en pulsaciones de teclas los pasos de los coches por el puente de detección.\n\nCada "
        L"transpondedor se busca en una tabla de doce filas y la tecla de su fila se escribe en la aplicación que "
        L"cuenta las vueltas.",
        SS_LEFT | SS_NOPREFIX, {1410, 1125, 4005, 2235}, kLblDescription, dialog);
    lblTitle =
        l.place(m_window, WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, {1560, 240, 3885, 480}, kLblTitle, l.font(13.5));
    lblVersion = l.place(m_window, WC_STATICW, L"Version", SS_LEFT | SS_NOPREFIX, {1530, 780, 3885, 225}, kLblVersion,
                         l.font(8.25, true));
    lblDisclaimer = l.place(m_window, WC_STATICW,
                            L"Atención: las teclas se escriben en la aplicación que tenga el foco, sea cual sea. "
                            L"Compruebe siempre el recuento de vueltas.",
                            SS_LEFT | SS_NOPREFIX, {255, 3705, 3870, 825}, kLblDisclaimer, dialog);
}

void frmAbout::Form_Load()
{
    const AboutCaptions captions = aboutCaptions(orvanelIdentity());
    SetWindowTextW(m_window, toWide(captions.windowTitle).c_str());
    SetWindowTextW(lblVersion, toWide(captions.version).c_str());
    SetWindowTextW(lblTitle, toWide(captions.title).c_str());
}

void frmAbout::cmdOK_Click()
{
    DestroyWindow(m_window);
}

void frmAbout::cmdSysInfo_Click()
{
    m_systemInfo.StartSysInfo();
}

bool frmAbout::translateDialogMessage(MSG& message)
{
    if (!IsWindow(m_window) || (message.hwnd != m_window && !IsChild(m_window, message.hwnd)))
        return false;
    return IsDialogMessageW(m_window, &message) != FALSE;
}

void frmAbout::paintSeparator(HDC dc)
{
    // The etched line between the texts and the buttons: grey, with white below it.
    const auto& t = m_layout.twips();
    RECT grey{t.px(90), t.px(3525), t.px(5654), t.px(3525) + 1};
    RECT white{t.px(105), t.px(3540), t.px(5654), t.px(3540) + 2};
    HBRUSH greyBrush = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &grey, greyBrush);
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DeleteObject(greyBrush);
}

void frmAbout::drawPicture(const DRAWITEMSTRUCT& item)
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    BITMAP size{};
    GetObjectW(m_picture, sizeof size, &size);
    HDC source = CreateCompatibleDC(item.hDC);
    const HGDIOBJ old = SelectObject(source, m_picture);
    // Drawn for 96 DPI: as large, in inches, at any other.
    const Twips& t = m_layout.twips();
    TransparentBlt(item.hDC, item.rcItem.left, item.rcItem.top, t.fromPixels96(size.bmWidth),
                   t.fromPixels96(size.bmHeight), source, 0, 0, size.bmWidth, size.bmHeight, kTransparent);
    SelectObject(source, old);
    DeleteDC(source);
}

LRESULT frmAbout::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            // Esc comes as IDCANCEL and closes the window as OK does.
            if (LOWORD(wParam) == kCmdOK || LOWORD(wParam) == IDCANCEL)
                cmdOK_Click();
            else if (LOWORD(wParam) == kCmdSysInfo)
                cmdSysInfo_Click();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        // The texts are black; the version keeps the system's text colour.
        if (reinterpret_cast<HWND>(lParam) != lblVersion) {
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_DRAWITEM:
        drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DPICHANGED:
        m_layout.changeDpi(m_window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_window, &paint);
        paintSeparator(dc);
        EndPaint(m_window, &paint);
        return 0;
    }
    case WM_DESTROY:
        m_open = false;
        if (m_closed)
            m_closed();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

} // namespace orvanel
