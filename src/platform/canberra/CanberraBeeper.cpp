#include "platform/canberra/CanberraBeeper.h"

#include <X11/Xlib.h>
#include <canberra.h>
#include <utility>

namespace orvanel {

CanberraBeeper::CanberraBeeper(const std::string& displayName, std::string soundId) : m_soundId(std::move(soundId))
{
    if (ca_context_create(&m_context) == CA_SUCCESS)
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Orvanel", CA_PROP_APPLICATION_ID, "orvanel",
                                nullptr);
    else
        m_context = nullptr;

    if (!displayName.empty())
        m_display = XOpenDisplay(displayName.c_str());
}

CanberraBeeper::~CanberraBeeper()
{
    if (m_context)
        ca_context_destroy(m_context);
    if (m_display)
        XCloseDisplay(m_display);
}

void CanberraBeeper::beepExclamation()
{
    if (m_display) {
        // Every client is told of keyboard map changes; read them so they do not pile up on this idle connection.
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
        }
    }
    if (m_context) {
        if (ca_context_play(m_context, 0, CA_PROP_EVENT_ID, m_soundId.c_str(), nullptr) == CA_SUCCESS)
            return;
        // A machine without a sound device or theme fails every time, and the sound system may complain
        // loudly on each try: fall back to the X bell for the rest of the run.
        ca_context_destroy(m_context);
        m_context = nullptr;
    }
    ringBell();
}

void CanberraBeeper::ringBell()
{
    if (!m_display)
        return;
    XBell(m_display, 0);
    XFlush(m_display);
}

} // namespace orvanel
