#include "win/MPal.h"

#include "platform/windows/WideText.h"
#include "win/OwnedWindowProc.h"
#include "win/Resources.h"

#include <commctrl.h>

namespace orvanel {

namespace {

constexpr wchar_t kWindowClass[] = L"OrvanelMPal";
constexpr wchar_t kFrameClass[] = L"OrvanelFrame";
// Posted once the window is shown: the first connection, then the unattended start.
constexpr UINT kStartUpMessage = WM_APP + 1;
// A call that held the window this long let input pile up.
constexpr ULONGLONG kHeldMs = 50;
// Reasons run over several lines of at most this width.
constexpr int kTooltipWidthTwips = 7200;

void registerClasses(WNDPROC window, WNDPROC frame)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    windowClass.lpfnWndProc = window;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANEL), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANEL), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&windowClass);
    windowClass.lpszClassName = kFrameClass;
    windowClass.lpfnWndProc = frame;
    windowClass.hIcon = nullptr;
    windowClass.hIconSm = nullptr;
    RegisterClassExW(&windowClass);
}

std::string windowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return toUtf8(text);
}

COLORREF linkColour(BridgeSession::LinkState state)
{
    switch (state) {
    case BridgeSession::LinkState::Connected:
        return RGB(0x2e, 0xa0, 0x3a);
    case BridgeSession::LinkState::Lost:
        return RGB(0xf0, 0x8c, 0x00);
    case BridgeSession::LinkState::Failed:
        return RGB(0xd0, 0x20, 0x20);
    case BridgeSession::LinkState::NotConnected:
        break;
    }
    return RGB(0x90, 0x90, 0x90);
}

} // namespace

MPal::MPal(std::unique_ptr<Race> race, const Options& options)
    : m_race(std::move(race)), m_ports(options.ports), CD1(options.fileDialogFolder)
{
    registerClasses(ownedWindowProc<MPal>, frameProc);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_bridgePicture = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_BRIDGE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));

    // Sizable, but no maximize button: the controls keep their places whatever the size.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
    // The stored position is the client area's top-left corner on the screen.
    m_window =
        createFramedWindow(kWindowClass, L"Orvanel", style, WS_EX_CONTROLPARENT, true,
                           m_layout.twips().rect(2430, 1140, kClientWidthTwips, kClientHeightTwips), nullptr, this);

    buildMenu();
    buildControls();
    buildTooltips();
    m_race->attach(*this);
    Form_Load();
}

MPal::~MPal()
{
    if (IsWindow(m_window)) {
        m_race.reset();
        DestroyWindow(m_window);
    }
    DeleteObject(m_bridgePicture);
}

void MPal::show(int showCommand)
{
    ShowWindow(m_window, showCommand);
    UpdateWindow(m_window);
    // Typing starts in the first ID box, never in the port list (leaving it would reconnect).
    SetFocus(Text2[0]);
}

void MPal::buildMenu()
{
    HMENU bar = CreateMenu();
    HMENU Mmenu = CreatePopupMenu();
    AppendMenuW(Mmenu, MF_STRING, kMBorrarIds, L"Borrar IDs");
    AppendMenuW(Mmenu, MF_STRING, kMKeyS10, L"Key-S = 1-0");
    AppendMenuW(Mmenu, MF_STRING, kMKeySF1F12, L"Key-S = F1-F12");
    AppendMenuW(Mmenu, MF_STRING, kMBorrarKeyS, L"Borrar Key-S");
    AppendMenuW(Mmenu, MF_STRING, kMCargarIds, L"Cargar IDs");
    AppendMenuW(Mmenu, MF_STRING, kMGuardarIds, L"Guardar IDs");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(Mmenu), L"Menú");
    // "?" has no items: choosing it on the menu bar runs its command at once.
    AppendMenuW(bar, MF_STRING, kMAbout, L"?");
    SetMenu(m_window, bar);
}

HWND MPal::frame(const wchar_t* caption, int id, const TwipsRect& at, HFONT font)
{
    // A container, so that disabling the frame blocks its controls, holding the drawn group box.
    HWND container = m_layout.place(m_window, kFrameClass, caption, 0, at, id, nullptr, WS_EX_CONTROLPARENT);
    m_layout.place(container, WC_BUTTONW, caption, BS_GROUPBOX, {0, 0, at.width, at.height}, 0, font);
    return container;
}

void MPal::buildControls()
{
    auto& l = m_layout;
    const HFONT dialog = l.font(8.25);
    const HFONT status = l.font(13.5);
    const HFONT header = l.font(8.25, true, true);
    const HFONT big = l.font(12, true);
    constexpr DWORD kTab = WS_TABSTOP | WS_GROUP;

    Picture1 =
        l.place(m_window, WC_STATICW, L"", SS_OWNERDRAW, {6360, 3960, 3015, 2175}, kPicture1, dialog, WS_EX_CLIENTEDGE);
    Label1 = l.place(m_window, WC_STATICW, L"", SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY | WS_BORDER,
                     {3000, 840, 5295, 615}, kLabel1, status);

    Frame3 = frame(L"Transponder ID = Key Stroke", kFrame3, {120, 2160, 5535, 4215}, dialog);
    Frame2 = frame(L"Configuración Transponder", kFrame2, {5880, 1920, 3615, 1815}, dialog);
    Frame1 = frame(L"Control Principal", kFrame1, {240, 240, 2415, 1815}, dialog);

    for (const auto& [id, caption, left, width] : {std::tuple{kLabel3, L"ID", 480, 495},
                                                   {kLabel5, L"KEY-S", 1440, 975},
                                                   {kLabel4, L"ID", 3120, 495},
                                                   {kLabel6, L"KEY-S", 4080, 975}})
        l.place(Frame3, WC_STATICW, caption, SS_CENTER, {left, 240, width, 255}, id, header);
    for (std::size_t i = 0; i < MappingTable::kRows; ++i) {
        const int top = 600 + 480 * static_cast<int>(i % 6);
        const bool right = i >= 6;
        const int row = static_cast<int>(i);
        Text2[i] = l.place(Frame3, WC_EDITW, L"", ES_AUTOHSCROLL | kTab, {right ? 3120 : 480, top, 495, 345},
                           kText2 + row, dialog, WS_EX_CLIENTEDGE);
        Text3[i] = l.place(Frame3, WC_EDITW, L"", ES_AUTOHSCROLL | kTab, {right ? 4080 : 1440, top, 975, 375},
                           kText3 + row, dialog, WS_EX_CLIENTEDGE);
    }
    Check1 = l.place(Frame3, WC_BUTTONW, L"Asignar IDs automáticamente", BS_AUTOCHECKBOX | BS_MULTILINE | kTab,
                     {480, 3600, 1695, 375}, kCheck1, dialog);

    Command4 =
        l.place(Frame2, WC_BUTTONW, L"Grabar ID", BS_PUSHBUTTON | kTab, {240, 360, 1695, 495}, kCommand4, dialog);
    Text1 =
        l.place(Frame2, WC_EDITW, L"", ES_AUTOHSCROLL | kTab, {2280, 360, 1095, 375}, kText1, dialog, WS_EX_CLIENTEDGE);
    Command5 = l.place(Frame2, WC_BUTTONW, L"Leer ID", BS_PUSHBUTTON | kTab, {240, 1080, 1695, 495}, kCommand5, dialog);

    Command1 = l.place(Frame1, WC_BUTTONW, L"Start", BS_PUSHBUTTON | kTab, {240, 360, 1935, 495}, kCommand1, big);
    Command2 = l.place(Frame1, WC_BUTTONW, L"Stop", BS_PUSHBUTTON | kTab, {240, 1080, 1935, 495}, kCommand2, big);

    // The height given is the open list's: six entries below the selection field.
    Ccom = l.place(m_window, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | kTab, {8880, 840, 975, 315 + 6 * 255},
                   kCcom, dialog);
    fitPortList();
    for (std::int32_t port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        const std::wstring caption = L"COM " + std::to_wstring(port);
        const LRESULT index = SendMessageW(Ccom, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
        SendMessageW(Ccom, CB_SETITEMDATA, static_cast<WPARAM>(index), port);
    }
    SetWindowSubclass(Ccom, portListProc, 1, reinterpret_cast<DWORD_PTR>(this));

    // The link's state, in the free margin right of the port list so that nothing else moves.
    linkDot = l.place(m_window, WC_STATICW, L"", SS_OWNERDRAW | SS_NOTIFY, {8880 + 975 + 60, 840 + 75, 150, 150},
                      kLinkDot, dialog);

    m_tabOrder.assign(Text2.begin(), Text2.end());
    m_tabOrder.insert(m_tabOrder.end(), Text3.begin(), Text3.end());
    m_tabOrder.insert(m_tabOrder.end(), {Command4, Text1, Command5, Command1, Command2, Ccom, Check1});
}

void MPal::fitPortList()
{
    // The closed list is as high as the layout's field: its selection field is made to fit.
    const LRESULT fieldHeight = SendMessageW(Ccom, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    RECT closed{};
    GetWindowRect(Ccom, &closed);
    SendMessageW(Ccom, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                 fieldHeight + m_layout.twips().px(315) - (closed.bottom - closed.top));
}

void MPal::buildTooltips()
{
    m_tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(m_tooltips, TTM_SETMAXTIPWIDTH, 0, m_layout.twips().px(kTooltipWidthTwips));
    for (HWND control : {Label1, linkDot, Ccom}) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_window;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // The open port list names the device behind the entry under the mouse.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(Ccom, &info) && info.hwndList) {
        m_portEntries = info.hwndList;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_window;
        tool.uId = reinterpret_cast<UINT_PTR>(m_portEntries);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SetWindowSubclass(m_portEntries, portEntriesProc, 2, reinterpret_cast<DWORD_PTR>(this));
    }
}

void MPal::setTooltip(HWND control, const std::string& text)
{
    const std::wstring wide = toWide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_window;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(m_tooltips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool MPal::translateDialogMessage(MSG& message)
{
    if (!IsWindow(m_window) || (message.hwnd != m_window && !IsChild(m_window, message.hwnd)))
        return false;
    // The tab order runs across the frames (the check box of the table comes last), which the
    // dialog manager's order of child windows cannot give.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0)
        return moveFocusInTabOrder(GetKeyState(VK_SHIFT) < 0);
    return IsDialogMessageW(m_window, &message) != FALSE;
}

bool MPal::moveFocusInTabOrder(bool backwards)
{
    const HWND focus = GetFocus();
    std::size_t at = m_tabOrder.size();
    for (std::size_t i = 0; i < m_tabOrder.size(); ++i) {
        if (m_tabOrder[i] == focus || IsChild(m_tabOrder[i], focus))
            at = i;
    }
    const std::size_t count = m_tabOrder.size();
    if (at == count)
        at = backwards ? 0 : count - 1;
    for (std::size_t step = 1; step <= count; ++step) {
        const HWND next = m_tabOrder[(backwards ? at + count - step : at + step) % count];
        const HWND parent = GetParent(next);
        if (IsWindowEnabled(next) && IsWindowVisible(next) && (parent == m_window || IsWindowEnabled(parent))) {
            SetFocus(next);
            if (GetWindowLongPtrW(next, GWL_STYLE) & ES_AUTOHSCROLL)
                SendMessageW(next, EM_SETSEL, 0, -1);
            return true;
        }
    }
    return true;
}

template <typename Call> void MPal::runDroppingStaleInput(Call&& call)
{
    // Bridge calls hold the window for up to a second while they wait for an answer. Clicks and keys
    // made on the frozen window would otherwise all run once it thaws (Start pressed five times
    // switching detection five times): the input stamped while the call ran is dropped.
    const DWORD since = GetTickCount();
    const ULONGLONG started = GetTickCount64();
    call();
    if (GetTickCount64() - started < kHeldMs)
        return;
    MSG message;
    for (const auto& [first, last] : {std::pair{WM_KEYFIRST, WM_KEYLAST}, std::pair{WM_MOUSEFIRST, WM_MOUSELAST}}) {
        while (PeekMessageW(&message, nullptr, first, last, PM_NOREMOVE) &&
               static_cast<LONG>(message.time - since) >= 0)
            PeekMessageW(&message, nullptr, first, last, PM_REMOVE);
    }
}

void MPal::Form_Load()
{
    m_race->load();
    // A bridge that does not answer holds the first connection for a while: the window is shown
    // first, and the connection made as soon as the message loop runs.
    PostMessageW(m_window, kStartUpMessage, 0, 0);
}

void MPal::ConnectBridge()
{
    runDroppingStaleInput([this] { m_race->connectBridge(); });
}

void MPal::showRunning(bool running)
{
    // A disabled button hands the focus on: to the other button, never to the port list, whose
    // leaving would reconnect for no reason.
    const HWND coming = running ? Command2 : Command1;
    const HWND leaving = running ? Command1 : Command2;
    enableFrame(Frame3, !running);
    EnableWindow(coming, TRUE);
    if (GetFocus() == leaving)
        SetFocus(coming);
    EnableWindow(leaving, FALSE);
    enableFrame(Frame2, !running);
    EnableWindow(Ccom, !running);
}

void MPal::enableFrame(HWND frame, bool enabled)
{
    EnableWindow(frame, enabled);
    // Drawn greyed, as a disabled frame's controls are; the handlers still read and write them.
    for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        EnableWindow(child, enabled);
}

void MPal::Command1_Click()
{
    runDroppingStaleInput([this] { m_race->start(); });
}

void MPal::Command2_Click()
{
    runDroppingStaleInput([this] { m_race->stop(); });
}

void MPal::Command4_Click()
{
    runDroppingStaleInput([this] { m_race->programTransponder(windowText(Text1)); });
}

void MPal::Command5_Click()
{
    runDroppingStaleInput([this] { m_race->readTransponder(); });
}

void MPal::MGuardarIds_Click()
{
    if (const std::string path = CD1.show(m_window, L"Guardar IDs", true); !path.empty())
        m_race->saveIdList(path);
}

void MPal::MCargarIds_Click()
{
    if (const std::string path = CD1.show(m_window, L"Cargar IDs", false); !path.empty())
        m_race->loadIdList(path);
}

void MPal::MAbout_Click()
{
    if (m_about)
        m_about();
}

void MPal::showStatus(const std::string& text)
{
    SetWindowTextW(Label1, toWide(text).c_str());
}

void MPal::showReason(const std::string& text)
{
    m_reason = text;
    setTooltip(Label1, text);
}

void MPal::showLink(BridgeSession::LinkState state, const std::string& reason)
{
    showReason(reason);
    // A dot beside the port list shows the link's state, whatever the status line says.
    m_linkState = state;
    InvalidateRect(linkDot, nullptr, TRUE);
    setTooltip(linkDot, m_reason);
}

void MPal::showText(std::size_t row, MappingTable::Column column, const std::string& text)
{
    const HWND box = column == MappingTable::Column::Id ? Text2.at(row) : Text3.at(row);
    if (windowText(box) != text)
        SetWindowTextW(box, toWide(text).c_str());
}

void MPal::showAutoAssign(bool on)
{
    SendMessageW(Check1, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MPal::showPort(int index)
{
    SendMessageW(Ccom, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    setTooltip(Ccom, m_ports.device(index + PortMap::kFirstPort));
}

KeyTarget MPal::keyTarget()
{
    const HWND foreground = GetForegroundWindow();
    if (!foreground)
        return KeyTarget::Nobody;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? KeyTarget::OwnWindow : KeyTarget::OtherProgram;
}

void MPal::Form_Unload()
{
    m_race->unload();
}

void MPal::onCommand(int id, int code)
{
    if (!m_race)
        return;
    if (id >= kText2 && id < kText2 + static_cast<int>(MappingTable::kRows) && code == EN_CHANGE) {
        const auto row = static_cast<std::size_t>(id - kText2);
        m_race->table().setIdText(row, windowText(Text2[row]));
    } else if (id >= kText3 && id < kText3 + static_cast<int>(MappingTable::kRows) && code == EN_CHANGE) {
        const auto row = static_cast<std::size_t>(id - kText3);
        m_race->table().setKeyText(row, windowText(Text3[row]));
    } else if (id == kCcom && code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(Ccom, CB_GETCURSEL, 0, 0));
        setTooltip(Ccom, m_ports.device(index + PortMap::kFirstPort));
        m_race->selectPort(index);
    } else if (id == kCheck1 && code == BN_CLICKED) {
        m_race->setAutoAssign(SendMessageW(Check1, BM_GETCHECK, 0, 0) == BST_CHECKED);
    } else if (code == BN_CLICKED || code == 0) {
        switch (id) {
        case kCommand1:
            return Command1_Click();
        case kCommand2:
            return Command2_Click();
        case kCommand4:
            return Command4_Click();
        case kCommand5:
            return Command5_Click();
        case kMBorrarIds:
            return m_race->table().ClearIds();
        case kMKeyS10:
            return m_race->table().PresetDigitKeys();
        case kMKeySF1F12:
            return m_race->table().PresetFunctionKeys();
        case kMBorrarKeyS:
            return m_race->table().ClearKeyStrokes();
        case kMCargarIds:
            return MCargarIds_Click();
        case kMGuardarIds:
            return MGuardarIds_Click();
        case kMAbout:
            return MAbout_Click();
        default:
            break;
        }
    }
}

void MPal::drawItem(const DRAWITEMSTRUCT& item)
{
    if (item.CtlID == kPicture1) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        BITMAP size{};
        GetObjectW(m_bridgePicture, sizeof size, &size);
        HDC source = CreateCompatibleDC(item.hDC);
        const HGDIOBJ old = SelectObject(source, m_bridgePicture);
        // Drawn for 96 DPI: as large, in inches, at any other.
        const Twips& t = m_layout.twips();
        SetStretchBltMode(item.hDC, HALFTONE);
        StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, t.fromPixels96(size.bmWidth),
                   t.fromPixels96(size.bmHeight), source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    } else if (item.CtlID == kLinkDot) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        const COLORREF colour = linkColour(m_linkState);
        HBRUSH brush = CreateSolidBrush(colour);
        HPEN pen = CreatePen(
            PS_SOLID, 1, RGB(GetRValue(colour) * 10 / 14, GetGValue(colour) * 10 / 14, GetBValue(colour) * 10 / 14));
        const HGDIOBJ oldBrush = SelectObject(item.hDC, brush);
        const HGDIOBJ oldPen = SelectObject(item.hDC, pen);
        Ellipse(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
        SelectObject(item.hDC, oldBrush);
        SelectObject(item.hDC, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
}

LRESULT MPal::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DPICHANGED:
        m_layout.changeDpi(m_window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        fitPortList();
        SendMessageW(m_tooltips, TTM_SETMAXTIPWIDTH, 0, m_layout.twips().px(kTooltipWidthTwips));
        return 0;
    case kStartUpMessage:
        if (m_race)
            runDroppingStaleInput([this] { m_race->startUp(); });
        return 0;
    case WM_CLOSE:
        // The unload is never refused. The race settles the key-strokes still waiting and shows what
        // became of them: it goes first, while the window is whole.
        Form_Unload();
        m_race.reset();
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        if (m_closed)
            m_closed();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

LRESULT CALLBACK MPal::frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    // The frame's controls report to the window, as if the frame were not there.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK MPal::portEntriesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self)
{
    if (message == WM_MOUSEMOVE) {
        auto* mpal = reinterpret_cast<MPal*>(self);
        const LRESULT hit = SendMessageW(window, LB_ITEMFROMPOINT, 0, lParam);
        const int entry = HIWORD(hit) == 0 ? LOWORD(hit) : -1;
        if (entry != mpal->m_hoveredEntry) {
            mpal->m_hoveredEntry = entry;
            mpal->setTooltip(window, entry < 0 ? std::string() : mpal->m_ports.device(entry + PortMap::kFirstPort));
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK MPal::portListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    // Ccom_LostFocus: only the focus going to another control of the window; switching to another
    // program or window is not leaving the list.
    if (message == WM_KILLFOCUS) {
        auto* mpal = reinterpret_cast<MPal*>(self);
        const HWND coming = reinterpret_cast<HWND>(wParam);
        if (mpal->m_race && coming && IsChild(mpal->m_window, coming))
            mpal->ConnectBridge();
    }
    return result;
}

} // namespace orvanel
