#include "platform/canberra/CanberraBeeper.h"

#include <X11/Xlib.h>
#include <alsa/asoundlib.h>
#include <canberra.h>
#include <cstdio>
#include <utility>

namespace orvanel {

namespace {

// The ALSA library prints several lines of its configuration's errors to the terminal at every try on
// a machine without a sound card. Whether the sound played is known from libcanberra's result, which is
// reported once in our own words, so the library's lines are dropped.
void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

} // namespace

CanberraBeeper::CanberraBeeper(const std::string& displayName, std::string soundId) : m_soundId(std::move(soundId))
{
    snd_lib_error_set_handler(dropAlsaMessage);
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
        const int played = ca_context_play(m_context, 0, CA_PROP_EVENT_ID, m_soundId.c_str(), nullptr);
        if (played == CA_SUCCESS)
            return;
        std::fprintf(stderr, "orvanel: the warning sound \"%s\" cannot be played (%s): the X bell rings instead\n",
                     m_soundId.c_str(), ca_strerror(played));
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
