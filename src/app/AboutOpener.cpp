#include "app/AboutOpener.h"

namespace orvanel {

AboutOpener::AboutOpener(SystemInfoServices services) : m_services(std::move(services)) {}

AboutOpener::~AboutOpener()
{
    delete m_window;
}

void AboutOpener::show()
{
    if (!m_window)
        m_window = new frmAbout(m_services);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace orvanel
