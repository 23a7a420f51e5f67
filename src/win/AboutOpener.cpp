#include "win/AboutOpener.h"

namespace orvanel {

AboutOpener::AboutOpener(SystemInfoServices services, std::function<void()> closed)
    : m_services(std::move(services)), m_closed(std::move(closed))
{
    m_owner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

AboutOpener::~AboutOpener()
{
    m_window.reset();
    DestroyWindow(m_owner);
}

void AboutOpener::show()
{
    if (isOpen()) {
        m_window->bringForward();
        return;
    }
    m_window.reset();
    m_window = std::make_unique<frmAbout>(m_services, m_owner, m_closed);
}

bool AboutOpener::isOpen() const
{
    return m_window && m_window->isOpen();
}

bool AboutOpener::translateDialogMessage(MSG& message)
{
    return isOpen() && m_window->translateDialogMessage(message);
}

} // namespace orvanel
