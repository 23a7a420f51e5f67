#pragma once

#include "about/SystemInfoServices.h"
#include "win/frmAbout.h"

#include <functional>
#include <memory>
#include <windows.h>

namespace orvanel {

// Opens the program's one About window: creates and loads it when there is none, otherwise brings
// the open one to the front. Owns what "System Info..." uses, so that it outlives the window, and the
// hidden window that owns the About window and keeps it off the task bar.
class AboutOpener
{
public:
    // closed is told each time the About window is gone.
    AboutOpener(SystemInfoServices services, std::function<void()> closed);
    ~AboutOpener();
    AboutOpener(const AboutOpener&) = delete;
    AboutOpener& operator=(const AboutOpener&) = delete;

    void show();
    bool isOpen() const;
    bool translateDialogMessage(MSG& message);

private:
    SystemInfoServices m_services;
    std::function<void()> m_closed;
    HWND m_owner = nullptr;
    // Kept after its window closes (it is told so inside its own window procedure) until the next show.
    std::unique_ptr<frmAbout> m_window;
};

} // namespace orvanel
