#include "platform/windows/io/ComPortLine.h"

#include "platform/windows/WideText.h"
#include "platform/windows/io/ComPortList.h"

#include <chrono>
#include <utility>

namespace orvanel {

namespace {

constexpr DWORD kBaudRate = 38400;
// A read returns at once with what has arrived, and Windows then has nothing to wait on: an idle reader
// looks again this often. (Wine instead keeps such a read pending until bytes arrive.)
constexpr DWORD kIdleLookMs = 5;
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr std::size_t kReadBufferSize = 4096;

// COM10 and above open only by their device path; "\\.\" serves the lower ones too.
std::wstring devicePath(const std::string& device)
{
    if (device.rfind("\\\\", 0) == 0)
        return toWide(device);
    return L"\\\\.\\" + toWide(device);
}

bool configure(HANDLE handle)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // The bridge's adapter may draw power from DTR and RTS.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(handle, &dcb))
        return false;
    COMMTIMEOUTS timeouts{};
    // A read returns what has arrived without waiting for more. (Wine ignores the documented way to wait
    // for the first byte, MAXDWORD/MAXDWORD/N: such a read never ends.)
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    return SetCommTimeouts(handle, &timeouts) != 0;
}

std::string portListHint()
{
    const std::vector<std::string> ports = systemComPorts();
    if (ports.empty())
        return "este equipo no tiene puertos COM; ¿está conectado el adaptador del puente?";
    std::string text = "puertos de este equipo:";
    for (const std::string& port : ports)
        text += " " + port;
    return text + " (elija uno con --com o en orvanel.conf, vea orvanel --list-ports)";
}

} // namespace

ComPortLine::ComPortLine(PortMap ports, LoopWindow& loop) : m_ports(std::move(ports)), m_loop(loop) {}

ComPortLine::~ComPortLine()
{
    close();
}

bool ComPortLine::open(std::int32_t port, std::string& error)
{
    close();
    if (!PortMap::isValidPort(port)) {
        error = "COM " + std::to_string(port) + " no existe; los puertos son COM " +
                std::to_string(PortMap::kFirstPort) + " a COM " + std::to_string(PortMap::kLastPort);
        return false;
    }
    const std::string device = m_ports.device(port);
    HANDLE handle = CreateFileW(devicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = describeOpenFailure(device, GetLastError());
        return false;
    }
    if (!configure(handle)) {
        error = device + ": el puerto no admite " + std::to_string(kBaudRate) +
                " baudios, 8 bits, sin paridad (error de Windows " + std::to_string(GetLastError()) + ")";
        CloseHandle(handle);
        return false;
    }
    // Whatever the bridge sent while nobody listened is stale.
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop) {
        error = device + ": no se puede abrir (error de Windows " + std::to_string(GetLastError()) + ")";
        CloseHandle(handle);
        return false;
    }
    m_handle = handle;
    m_stop = stop;
    m_inbox = std::make_shared<Inbox>();
    m_failedReported = false;
    m_reader = std::thread([this, handle, stop, inbox = m_inbox] { read(handle, stop, inbox); });
    error.clear();
    return true;
}

std::string ComPortLine::describeOpenFailure(const std::string& device, DWORD code) const
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return device + ": el puerto no existe; " + portListHint();
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        // A COM port opens for one program at a time.
        return device + ": lo usa otro programa";
    default:
        return device + ": no se puede abrir (error de Windows " + std::to_string(code) + ")";
    }
}

void ComPortLine::close()
{
    if (!isOpen())
        return;
    SetEvent(m_stop);
    m_reader.join();
    CloseHandle(m_handle);
    CloseHandle(m_stop);
    m_handle = INVALID_HANDLE_VALUE;
    m_stop = nullptr;
    // Deliveries the reader posted meanwhile find no inbox and do nothing.
    m_inbox.reset();
}

void ComPortLine::read(HANDLE handle, HANDLE stop, std::shared_ptr<Inbox> inbox)
{
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::uint8_t> buffer(kReadBufferSize);
    bool failed = overlapped.hEvent == nullptr;
    while (!failed) {
        DWORD got = 0;
        ResetEvent(overlapped.hEvent);
        BOOL done = ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, &overlapped);
        if (!done && GetLastError() == ERROR_IO_PENDING) {
            const HANDLE waits[] = {overlapped.hEvent, stop};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelIo(handle);
                GetOverlappedResult(handle, &overlapped, &got, TRUE);
                break;
            }
            done = GetOverlappedResult(handle, &overlapped, &got, FALSE);
        }
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            break;
        if (!done) {
            // The adapter was pulled out, the driver gave up on the port, or (Wine) the other end hung up.
            failed = true;
            break;
        }
        if (got > 0) {
            const std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->bytes.insert(inbox->bytes.end(), buffer.begin(), buffer.begin() + got);
            inbox->arrived.notify_all();
            postDelivery(inbox);
        } else if (WaitForSingleObject(stop, kIdleLookMs) == WAIT_OBJECT_0) {
            break;
        }
    }
    if (overlapped.hEvent)
        CloseHandle(overlapped.hEvent);
    if (failed) {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->failed = true;
        inbox->arrived.notify_all();
        postDelivery(inbox);
    }
}

void ComPortLine::postDelivery(const std::shared_ptr<Inbox>& inbox)
{
    // Called with the inbox locked; one delivery takes whatever arrived until it runs.
    if (inbox->deliveryPosted)
        return;
    inbox->deliveryPosted = true;
    m_loop.post([this, weak = std::weak_ptr<Inbox>(inbox)] {
        const std::shared_ptr<Inbox> current = weak.lock();
        if (current && current == m_inbox)
            deliver();
    });
}

void ComPortLine::deliver()
{
    const std::shared_ptr<Inbox> inbox = m_inbox;
    if (!inbox)
        return;
    std::vector<std::uint8_t> bytes;
    bool failed = false;
    {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        bytes.swap(inbox->bytes);
        failed = inbox->failed;
        inbox->deliveryPosted = false;
    }
    if (!bytes.empty() && m_bytes)
        m_bytes(bytes.data(), bytes.size());
    // The bytes handler may have closed the line.
    if (failed && inbox == m_inbox)
        reportFailure();
}

void ComPortLine::reportFailure()
{
    if (m_failedReported)
        return;
    m_failedReported = true;
    if (m_failed)
        m_failed();
}

void ComPortLine::waitForBytes(int milliseconds)
{
    const std::shared_ptr<Inbox> inbox = m_inbox;
    if (!inbox)
        return;
    {
        std::unique_lock<std::mutex> lock(inbox->mutex);
        inbox->arrived.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [&inbox] { return !inbox->bytes.empty() || inbox->failed; });
    }
    deliver();
}

void ComPortLine::write(const std::vector<std::uint8_t>& bytes)
{
    if (!isOpen() || bytes.empty())
        return;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    BOOL done = overlapped.hEvent != nullptr &&
                WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &overlapped);
    if (!done && overlapped.hEvent && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(m_handle, &overlapped, &written, TRUE);
    if (overlapped.hEvent)
        CloseHandle(overlapped.hEvent);
    if (done && written == bytes.size())
        return;
    // A write that fails or times out means the line is gone; told from the loop, as a read failure is.
    const std::lock_guard<std::mutex> lock(m_inbox->mutex);
    m_inbox->failed = true;
    m_inbox->arrived.notify_all();
    postDelivery(m_inbox);
}

} // namespace orvanel
