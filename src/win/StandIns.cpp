#include "win/StandIns.h"

#include "win/Utf16.h"

#include <chrono>
#include <filesystem>
#include <fstream>

namespace orvanel {

namespace {

std::filesystem::path pathOf(const std::string& utf8)
{
    return std::filesystem::path(toUtf16(utf8));
}

class StandInLog : public LineSink
{
public:
    StandInLog(std::string path, std::string header) : m_path(std::move(path)), m_header(std::move(header)) {}

    FileProblem append(const std::string& line) override
    {
        std::error_code error;
        const bool fresh = std::filesystem::file_size(pathOf(m_path), error) == 0 || error;
        std::ofstream out(pathOf(m_path), std::ios::binary | std::ios::app);
        if (fresh)
            out << m_header;
        out << line;
        out.flush();
        return out ? FileProblem() : m_path + ": no se puede escribir";
    }

private:
    std::string m_path;
    std::string m_header;
};

} // namespace

StandInTimer::StandInTimer()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OrvanelStandInTimer";
    RegisterClassW(&windowClass); // fails harmlessly once the class exists
    m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

StandInTimer::~StandInTimer()
{
    DestroyWindow(m_window);
}

void StandInTimer::start(int milliseconds)
{
    // SetTimer on the same identifier restarts the countdown.
    SetTimer(m_window, 1, static_cast<UINT>(milliseconds > 0 ? milliseconds : USER_TIMER_MINIMUM), nullptr);
    m_active = true;
}

void StandInTimer::stop()
{
    KillTimer(m_window, 1);
    m_active = false;
}

LRESULT CALLBACK StandInTimer::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        auto* timer = reinterpret_cast<StandInTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (timer && timer->m_active) {
            timer->stop();
            if (timer->m_handler)
                timer->m_handler();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool StandInLine::open(std::int32_t, std::string& error)
{
    error = "el puerto serie aún no está disponible en esta versión para Windows";
    return false;
}

FileReading StandInFiles::read(const std::string& path, FileOwners, std::size_t maxBytes,
                               const std::function<bool(std::string_view bytes)>& take)
{
    FileReading reading;
    std::error_code error;
    if (!std::filesystem::exists(pathOf(path), error)) {
        reading.missing = true;
        reading.problem = path + ": no existe";
        return reading;
    }
    std::ifstream in(pathOf(path), std::ios::binary);
    if (!in || std::filesystem::is_directory(pathOf(path), error)) {
        reading.problem = path + ": no se puede leer";
        return reading;
    }
    std::string bytes(maxBytes < 65536 ? maxBytes : 65536, '\0');
    std::size_t left = maxBytes;
    while (left > 0 && in) {
        in.read(bytes.data(), static_cast<std::streamsize>(left < bytes.size() ? left : bytes.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0 || !take(std::string_view(bytes.data(), got)))
            break;
        left -= got;
    }
    return reading;
}

FileProblem StandInFiles::replace(const std::string& path, std::string_view contents, FileOwners)
{
    const std::wstring target = toUtf16(path);
    const std::wstring temporary = target + L".new";
    {
        std::ofstream out(std::filesystem::path(temporary), std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.flush();
        if (!out)
            return path + ": no se puede escribir";
    }
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return path + ": no se puede reemplazar";
    }
    return {};
}

std::unique_ptr<LineSink> StandInFiles::openLog(const std::string& path, const std::string& header)
{
    return std::make_unique<StandInLog>(path, header);
}

std::string StandInFiles::settingsFolder()
{
    const DWORD size = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (size == 0)
        return {};
    std::wstring folder(size, L'\0');
    folder.resize(GetEnvironmentVariableW(L"APPDATA", folder.data(), size));
    return toUtf8(folder) + "\\Orvanel";
}

FileProblem StandInFiles::makeFolder(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(pathOf(path), error);
    return std::filesystem::is_directory(pathOf(path), error) ? FileProblem() : path + ": no se puede crear la carpeta";
}

std::uint64_t standInSteadyMs()
{
    return static_cast<std::uint64_t>(GetTickCount64());
}

WallTime standInWallTime()
{
    WallTime now;
    now.epochMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (kind == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (kind == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    now.offsetSeconds = -bias * 60;
    return now;
}

} // namespace orvanel
