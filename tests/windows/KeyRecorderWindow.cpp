// A window that records what is typed into it, for the key injection tests: characters as themselves,
// F-keys as <F1>..<F24>. What it has recorded is its caption, which the tests read with
// GetWindowText; it holds the keyboard focus once shown.
#include <string>
#include <windows.h>

namespace {

const wchar_t* const kClassName = L"OrvanelKeyRecorder";

void record(HWND window, const std::wstring& what)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    SetWindowTextW(window, (text + what).c_str());
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
    case WM_SYSCHAR:
        record(window, std::wstring(1, static_cast<wchar_t>(wParam)));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam >= VK_F1 && wParam <= VK_F24)
            record(window, L"<F" + std::to_wstring(wParam - VK_F1 + 1) + L">");
        // F10 and Alt would open the system menu.
        return message == WM_SYSKEYDOWN ? 0 : DefWindowProcW(window, message, wParam, lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    HWND window =
        CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
