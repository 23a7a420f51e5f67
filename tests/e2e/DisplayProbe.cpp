#include "DisplayProbe.h"

#include <QByteArray>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace orvanel {

DisplayProbe::DisplayProbe(const QString& displayName)
{
    m_display = XOpenDisplay(displayName.toLocal8Bit().constData());
    if (!m_display)
        return;
    int opcode = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(m_display, &opcode, &m_xkbEventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

DisplayProbe::~DisplayProbe()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool DisplayProbe::hasKeysym(unsigned long keysym)
{
    XkbDescPtr xkb = XkbGetMap(m_display, XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb)
        return false;
    bool found = false;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code && !found; ++keycode) {
        const int count = XkbKeyNumSyms(xkb, keycode);
        const KeySym* syms = XkbKeySymsPtr(xkb, keycode);
        for (int i = 0; i < count && !found; ++i)
            found = syms[i] == keysym;
    }
    XkbFreeKeyboard(xkb, 0, True);
    return found;
}

bool DisplayProbe::loadKeymap(const QString& keycodes, const QString& symbols)
{
    QByteArray keycodesName = keycodes.toLatin1();
    QByteArray typesName("complete");
    QByteArray compatName("complete");
    QByteArray symbolsName = symbols.toLatin1();
    XkbComponentNamesRec names{};
    names.keycodes = keycodesName.data();
    names.types = typesName.data();
    names.compat = compatName.data();
    names.symbols = symbolsName.data();
    const unsigned components = XkbGBN_AllComponentsMask & ~XkbGBN_GeometryMask;
    XkbDescPtr xkb = XkbGetKeyboardByName(m_display, XkbUseCoreKbd, &names, components, components, True);
    if (!xkb)
        return false;
    XkbFreeKeyboard(xkb, 0, True);
    XSync(m_display, False);
    return true;
}

void DisplayProbe::lockGroup(unsigned group)
{
    XkbLockGroup(m_display, XkbUseCoreKbd, group);
    XSync(m_display, False);
}

void DisplayProbe::holdKey(unsigned long keysym, bool down)
{
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down ? True : False, CurrentTime);
    XSync(m_display, False);
}

void DisplayProbe::watchBells()
{
    XkbSelectEvents(m_display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(m_display, False);
    m_bells = 0;
}

int DisplayProbe::bellCount()
{
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == m_xkbEventBase && reinterpret_cast<XkbAnyEvent*>(&event)->xkb_type == XkbBellNotify)
            ++m_bells;
    }
    return m_bells;
}

void DisplayProbe::roundTrip(_XDisplay* display)
{
    XSync(display, False);
}

} // namespace orvanel
