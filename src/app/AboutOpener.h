#pragma once

#include "about/SystemInfoServices.h"
#include "app/frmAbout.h"

#include <QPointer>

namespace orvanel {

// Opens the program's one About window: creates and loads it when there is none, otherwise brings
// the open one to the front. Owns what "System Info..." uses, so that it outlives the window.
class AboutOpener
{
public:
    explicit AboutOpener(SystemInfoServices services);
    ~AboutOpener();
    AboutOpener(const AboutOpener&) = delete;
    AboutOpener& operator=(const AboutOpener&) = delete;

    void show();
    frmAbout* window() const { return m_window; }

private:
    SystemInfoServices m_services;
    QPointer<frmAbout> m_window;
};

} // namespace orvanel
