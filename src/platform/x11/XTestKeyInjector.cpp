#include "platform/x11/XTestKeyInjector.h"

#include "platform/posix/SystemClocks.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace orvanel {

namespace {

// Spare keys are lent for a whole text at once, so a text of another script needs one per distinct
// character; keyboard maps leave many more key codes empty than any ID's key-stroke needs.
constexpr std::size_t spareKeyCount = 64;
constexpr unsigned modifierBits = 8;
constexpr unsigned controlModifier = ControlMask;

KeyboardLayout::GroupOverflow groupOverflow(unsigned char groupInfo)
{
    switch (XkbOutOfRangeGroupAction(groupInfo)) {
    case XkbClampIntoRange:
        return KeyboardLayout::GroupOverflow::Clamp;
    case XkbRedirectIntoRange:
        return KeyboardLayout::GroupOverflow::Redirect;
    default:
        return KeyboardLayout::GroupOverflow::Wrap;
    }
}

unsigned modifiersSetBy(XkbDescPtr xkb, unsigned keycode)
{
    if (!XkbKeyHasActions(xkb, keycode))
        return 0;
    const XkbAction* action = XkbKeyActionEntry(xkb, keycode, 0, 0);
    if (action->type != XkbSA_SetMods)
        return 0;
    if (action->mods.mask == 0 && (action->mods.flags & XkbSA_UseModMapMods) != 0)
        return xkb->map->modmap[keycode];
    return action->mods.mask;
}

KeyboardLayout layoutFrom(XkbDescPtr xkb)
{
    KeyboardLayout layout;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        KeyboardLayout::Key key;
        const unsigned char groupInfo = XkbKeyGroupInfo(xkb, keycode);
        key.overflow = groupOverflow(groupInfo);
        key.redirectGroup = XkbOutOfRangeGroupNumber(groupInfo);
        for (int g = 0; g < XkbKeyNumGroups(xkb, keycode); ++g) {
            const XkbKeyTypePtr type = XkbKeyKeyType(xkb, keycode, g);
            KeyboardLayout::Group group;
            group.typeModifiers = type->mods.mask;
            for (int i = 0; i < type->map_count; ++i) {
                if (type->map[i].active)
                    group.levelOfMods.emplace_back(type->map[i].mods.mask, type->map[i].level);
            }
            for (int level = 0; level < type->num_levels; ++level)
                group.levels.push_back(XkbKeySymEntry(xkb, keycode, level, g));
            key.groups.push_back(std::move(group));
        }
        key.setsModifiers = modifiersSetBy(xkb, keycode);
        key.inModifierMap = xkb->map->modmap[keycode] != 0;
        layout.setKey(keycode, std::move(key));
    }
    return layout;
}

bool isLockKeysym(Keysym keysym)
{
    return keysym == XK_Caps_Lock || keysym == XK_Shift_Lock || keysym == XK_Num_Lock;
}

std::string keysymText(Keysym keysym)
{
    const char* name = XKeysymToString(keysym);
    return name ? name : "keysym " + std::to_string(keysym);
}

bool isXTestDevice(Display* display, int device, Atom xtestProperty)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XIGetProperty(display, device, xtestProperty, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                      &data) != Success)
        return false;
    const bool isXTest = data && format == 8 && count == 1 && data[0] != 0;
    XFree(data);
    return isXTest;
}

// The device XTEST key events come from: the slave keyboard marked as an XTEST device that is attached
// to the keyboard paired with the client pointer. Nothing on a server without XInput 2 or such a device.
std::optional<unsigned> xtestKeyboard(Display* display)
{
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &eventBase, &errorBase))
        return std::nullopt;
    int major = 2;
    int minor = 0;
    const Atom xtestProperty = XInternAtom(display, "XTEST Device", True);
    if (XIQueryVersion(display, &major, &minor) != Success || xtestProperty == 0)
        return std::nullopt;
    // Until a client's pointer is set, the server takes the first master pointer for it.
    int pointer = 0;
    if (!XIGetClientPointer(display, 0, &pointer))
        pointer = 0;
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    if (!devices)
        return std::nullopt;
    int coreKeyboard = -1;
    for (int i = 0; i < count && coreKeyboard < 0; ++i) {
        if (devices[i].use == XIMasterPointer && (pointer == 0 || devices[i].deviceid == pointer))
            coreKeyboard = devices[i].attachment;
    }
    std::optional<unsigned> found;
    for (int i = 0; i < count && !found; ++i) {
        const XIDeviceInfo& device = devices[i];
        if (device.use == XISlaveKeyboard && device.attachment == coreKeyboard &&
            isXTestDevice(display, device.deviceid, xtestProperty))
            found = static_cast<unsigned>(device.deviceid);
    }
    XIFreeDeviceInfo(devices);
    return found;
}

// Xlib reports errors through one handler for the whole process; this one takes those of the
// injectors' connections as a failure of the send under way, where Xlib's default would end the
// program, and hands any other connection's errors on.
XErrorHandler g_otherHandler = nullptr;
std::vector<XTestKeyInjector*>* g_injectors = nullptr;

int onXError(Display* display, XErrorEvent* error)
{
    if (g_injectors) {
        for (XTestKeyInjector* injector : *g_injectors) {
            if (injector->connection() == display) {
                char text[128] = {};
                XGetErrorText(display, error->error_code, text, sizeof text);
                injector->noteError(text);
                return 0;
            }
        }
    }
    return g_otherHandler ? g_otherHandler(display, error) : 0;
}

} // namespace

XTestKeyInjector::Opened XTestKeyInjector::open(const std::string& displayName, std::chrono::milliseconds holdTime)
{
    Opened result;
    result.displayName = displayName;
    if (result.displayName.empty()) {
        const char* fromEnvironment = std::getenv("DISPLAY");
        result.displayName = fromEnvironment ? fromEnvironment : "";
    }
    if (result.displayName.empty()) {
        result.error = OpenError::NoDisplayName;
        return result;
    }
    Display* display = XOpenDisplay(result.displayName.c_str());
    if (!display) {
        result.error = OpenError::CannotOpenDisplay;
        return result;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        result.error = OpenError::NoXTest;
        return result;
    }
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        result.error = OpenError::NoXkb;
        return result;
    }
    result.injector.reset(new XTestKeyInjector(display, holdTime, eventBase, xtestKeyboard(display)));
    return result;
}

XTestKeyInjector::XTestKeyInjector(_XDisplay* display, std::chrono::milliseconds holdTime, int xkbEventBase,
                                   std::optional<unsigned> xtestKeyboard)
    : m_display(display), m_xkbEventBase(xkbEventBase), m_mapDevice(xtestKeyboard.value_or(XkbUseCoreKbd)),
      m_mapOfCore(!xtestKeyboard), m_pool(spareKeyCount, holdTime), m_pacer(*this, systemSteadyMs)
{
    // The server tells of every change of the keyboard map and state, so neither is asked for again
    // on the way from a passing to its key-stroke.
    const unsigned mapChanges = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
    const unsigned coreWanted = XkbStateNotifyMask | (m_mapOfCore ? mapChanges : 0);
    XkbSelectEvents(display, XkbUseCoreKbd, coreWanted, coreWanted);
    if (!m_mapOfCore)
        XkbSelectEvents(display, m_mapDevice, mapChanges, mapChanges);
    if (!g_injectors) {
        g_injectors = new std::vector<XTestKeyInjector*>;
        g_otherHandler = XSetErrorHandler(onXError);
    }
    g_injectors->push_back(this);
    m_revertTimer.setSingleShot(true);
    QObject::connect(&m_revertTimer, &QTimer::timeout, [this] { revertDue(); });
    readLayout();
    readState();
    readKeysDown();
}

XTestKeyInjector::~XTestKeyInjector()
{
    // A key left down would repeat in the target.
    m_pacer.finish();
    m_revertTimer.stop();
    revert(m_pool.takeAllBound());
    XSync(m_display, False);
    g_injectors->erase(std::find(g_injectors->begin(), g_injectors->end(), this));
    if (g_injectors->empty()) {
        XSetErrorHandler(g_otherHandler);
        delete g_injectors;
        g_injectors = nullptr;
    }
    XCloseDisplay(m_display);
}

void XTestKeyInjector::noteError(const std::string& text)
{
    m_errors.push_back(text);
}

bool XTestKeyInjector::begin(const KeySequence& keys)
{
    readEvents();
    revert(m_pool.takeDue(SpareKeyPool::Clock::now()));
    // Errors that came in after the last key-stroke went out concern its key events.
    if (!m_errors.empty())
        report("the X server refused key events (" + m_errors.front() + ")");
    m_errors.clear();
    if (m_layoutChanged)
        readLayout();
    ++m_sendId;

    // A key-stroke is typed whole or not at all: everything it needs is found or bound first.
    if (!prepare(keys) || !m_errors.empty()) {
        if (!m_errors.empty())
            report("the X server refused a change of the keyboard map (" + m_errors.front() + "); nothing typed");
        scheduleRevert();
        return false;
    }
    m_keys = keys;
    m_nextEvent = 0;
    m_pending.clear();
    m_lockTyped = false;
    m_ended = false;
    m_underWay = true;
    // Modifier keys the user holds would change what the text types: let go of them meanwhile.
    m_userHeld = modifierKeysDown();
    for (unsigned keycode : m_userHeld)
        queueKey(keycode, false);
    return true;
}

bool XTestKeyInjector::typeNext()
{
    while (m_pending.empty()) {
        if (m_nextEvent < m_keys.size()) {
            translate(m_keys[m_nextEvent++]);
        } else if (!m_ended) {
            // A sequence that leaves a modifier down would leave it stuck for the user.
            while (!m_held.empty())
                releaseModifier(m_held.back().first);
            for (unsigned keycode : m_userHeld)
                queueKey(keycode, true);
            m_ended = true;
        } else {
            m_underWay = false;
            scheduleRevert();
            return false;
        }
    }
    const auto [keycode, press] = m_pending.front();
    m_pending.pop_front();
    if (isModifierKey(keycode))
        ++m_ownInFlight[keycode];
    XTestFakeKeyEvent(m_display, keycode, press ? True : False, CurrentTime);
    return true;
}

void XTestKeyInjector::flush()
{
    XFlush(m_display);
}

void XTestKeyInjector::translate(const KeyEvent& event)
{
    // The lock key typed last has gone out, and the server's answer shows the lock it changed.
    if (m_lockTyped) {
        readState();
        m_lockTyped = false;
    }
    switch (event.type) {
    case KeyEvent::Type::PressModifier:
        pressModifier(event.modifier);
        break;
    case KeyEvent::Type::ReleaseModifier:
        releaseModifier(event.modifier);
        break;
    case KeyEvent::Type::TapKey:
    case KeyEvent::Type::TapCharacter: {
        const Wanted wanted = wantedFor(event);
        tap(wanted.keysyms, event.count, wanted.extraModifiers, wanted.what);
        break;
    }
    }
}

bool XTestKeyInjector::prepare(const KeySequence& keys)
{
    // First every key the map lacks gets a spare key code, all before anything is typed; then
    // everything must be found, with the modifier keys it needs.
    bool bound = false;
    for (const KeyEvent& event : keys) {
        const Wanted wanted = wantedFor(event);
        if (event.count == 0 || wanted.keysyms.empty() || event.type == KeyEvent::Type::PressModifier ||
            event.type == KeyEvent::Type::ReleaseModifier || m_layout.find(wanted.keysyms, m_group, m_lockedModifiers))
            continue;
        const std::vector<Keysym> binding = spareKeyBinding(wanted.keysyms.front());
        const auto claim = m_pool.claim(binding, m_sendId, SpareKeyPool::Clock::now());
        if (!claim) {
            report("no free keycode to type " + wanted.what + "; nothing typed");
            return false;
        }
        if (claim->needsBinding) {
            std::vector<KeySym> keysymList(binding.begin(), binding.end());
            XChangeKeyboardMapping(m_display, static_cast<int>(claim->keycode), static_cast<int>(keysymList.size()),
                                   keysymList.data(), 1);
            bound = true;
        }
    }
    if (bound)
        readLayout();

    for (const KeyEvent& event : keys) {
        const Wanted wanted = wantedFor(event);
        if (event.count == 0)
            continue;
        const auto choice =
            wanted.keysyms.empty() ? std::nullopt : m_layout.find(wanted.keysyms, m_group, m_lockedModifiers);
        if (!choice) {
            report("no key can type " + wanted.what + "; nothing typed");
            return false;
        }
        for (unsigned bit = 0; bit < modifierBits; ++bit) {
            const unsigned modifier = 1u << bit;
            if (((choice->modifiers | wanted.extraModifiers) & modifier) != 0 && m_layout.modifierKey(modifier) == 0) {
                report("no modifier key to type " + wanted.what + "; nothing typed");
                return false;
            }
        }
    }
    return true;
}

XTestKeyInjector::Wanted XTestKeyInjector::wantedFor(const KeyEvent& event)
{
    switch (event.type) {
    case KeyEvent::Type::PressModifier:
    case KeyEvent::Type::ReleaseModifier: {
        const Keysym keysym = modifierKeysym(event.modifier);
        return {{keysym}, 0, keysymText(keysym)};
    }
    case KeyEvent::Type::TapKey: {
        const NamedKeysym named = namedKeyKeysym(event.key);
        return {{named.keysym}, named.withControl ? controlModifier : 0, toString(event.key)};
    }
    case KeyEvent::Type::TapCharacter:
        break;
    }
    return {characterKeysyms(event.character), 0, codePointText(event.character)};
}

std::vector<unsigned> XTestKeyInjector::modifierKeysDown() const
{
    return {m_modifierKeysDown.begin(), m_modifierKeysDown.end()};
}

bool XTestKeyInjector::isModifierKey(unsigned keycode) const
{
    // Lock keys are left alone: releasing and pressing them again would toggle the lock.
    const KeyboardLayout::Key* key = m_layout.key(keycode);
    return key && (key->setsModifiers & ~static_cast<unsigned>(LockMask)) != 0;
}

void XTestKeyInjector::readKeysDown()
{
    // Once, before any notice: the modifier keys already down when the injector starts.
    char keys[32] = {};
    XQueryKeymap(m_display, keys);
    m_modifierKeysDown.clear();
    for (unsigned keycode = 8; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] & (1 << (keycode % 8))) != 0 && isModifierKey(keycode))
            m_modifierKeysDown.insert(keycode);
    }
}

void XTestKeyInjector::readEvents()
{
    // What the server told since the last send: changes of the map, of the group and locks, and of
    // the modifier keys held. Changes made before the passing have arrived by now; only what has been
    // read off the connection is looked at, so no question waits for the server here. The core
    // keyboard's map changes whenever another device types, which says nothing of the XTEST keyboard's
    // own map.
    while (XEventsQueued(m_display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MappingNotify) {
            m_layoutChanged = m_layoutChanged || m_mapOfCore;
            continue;
        }
        if (event.type != m_xkbEventBase)
            continue;
        const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
        if (xkb->any.xkb_type == XkbMapNotify || xkb->any.xkb_type == XkbNewKeyboardNotify) {
            m_layoutChanged = m_layoutChanged || m_mapOfCore || static_cast<unsigned>(xkb->any.device) == m_mapDevice;
        } else if (xkb->any.xkb_type == XkbStateNotify) {
            noteStateChange(&xkb->state);
        }
    }
}

void XTestKeyInjector::noteStateChange(const void* xkbStateEvent)
{
    const auto& state = *static_cast<const XkbStateNotifyEvent*>(xkbStateEvent);
    m_group = static_cast<unsigned>(state.group);
    m_lockedModifiers = state.locked_mods;
    const auto keycode = static_cast<unsigned>(state.keycode);
    if (keycode == 0 || !isModifierKey(keycode))
        return;
    // Our own key events come back as notices too, a while after they went out; each key-stroke lets
    // go of every modifier key it pressed and presses again those of the user it let go of, so they
    // leave the user's keys as they were and only the user's own presses and releases count.
    const auto own = m_ownInFlight.find(keycode);
    if (own != m_ownInFlight.end()) {
        if (--own->second == 0)
            m_ownInFlight.erase(own);
    } else if (state.event_type == KeyPress) {
        m_modifierKeysDown.insert(keycode);
    } else if (state.event_type == KeyRelease) {
        m_modifierKeysDown.erase(keycode);
    }
    // With no modifier down at all, none is the user's, whatever notice went missing.
    if (state.base_mods == 0 && m_ownInFlight.empty())
        m_modifierKeysDown.clear();
}

void XTestKeyInjector::readLayout()
{
    XkbDescPtr xkb =
        XkbGetMap(m_display, XkbKeyTypesMask | XkbKeySymsMask | XkbKeyActionsMask | XkbModifierMapMask, m_mapDevice);
    if (!xkb) {
        report("cannot read the keyboard map");
        return;
    }
    m_layout = layoutFrom(xkb);
    XkbFreeKeyboard(xkb, 0, True);
    m_pool.update(m_layout);
    m_layoutChanged = false;
}

void XTestKeyInjector::readState()
{
    XkbStateRec state{};
    if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success) {
        m_group = 0;
        m_lockedModifiers = 0;
        return;
    }
    m_group = state.group;
    m_lockedModifiers = state.locked_mods;
}

void XTestKeyInjector::pressModifier(Modifier modifier)
{
    for (const auto& held : m_held) {
        if (held.first == modifier)
            return;
    }
    const Keysym keysym = modifierKeysym(modifier);
    const auto choice = m_layout.find({keysym}, m_group, m_lockedModifiers);
    if (!choice) {
        report("no key for " + keysymText(keysym));
        return;
    }
    queueKey(choice->keycode, true);
    m_held.emplace_back(modifier, choice->keycode);
}

void XTestKeyInjector::releaseModifier(Modifier modifier)
{
    for (auto it = m_held.begin(); it != m_held.end(); ++it) {
        if (it->first == modifier) {
            queueKey(it->second, false);
            m_held.erase(it);
            return;
        }
    }
}

void XTestKeyInjector::tap(const std::vector<Keysym>& keysyms, unsigned count, unsigned extraModifiers,
                           const std::string& what)
{
    if (count == 0)
        return;
    if (keysyms.empty()) {
        report("no key can type " + what);
        return;
    }
    const auto choice = locate(keysyms, what);
    if (!choice)
        return;

    const auto keys = m_layout.modifierKeys((choice->modifiers | extraModifiers) & ~heldModifiers());
    if (!keys) {
        report("no modifier key to type " + what);
        return;
    }
    const std::vector<unsigned>& modifierKeys = *keys;

    for (unsigned keycode : modifierKeys)
        queueKey(keycode, true);
    for (unsigned i = 0; i < count; ++i) {
        queueKey(choice->keycode, true);
        queueKey(choice->keycode, false);
    }
    for (auto it = modifierKeys.rbegin(); it != modifierKeys.rend(); ++it)
        queueKey(*it, false);

    if (isLockKeysym(keysyms.front()))
        m_lockTyped = true;
}

std::optional<KeyboardLayout::Choice> XTestKeyInjector::locate(const std::vector<Keysym>& keysyms,
                                                               const std::string& what)
{
    // prepare() has found or bound every key the send needs.
    const auto choice = m_layout.find(keysyms, m_group, m_lockedModifiers);
    if (!choice) {
        report("no key can type " + what);
        return std::nullopt;
    }
    m_pool.touch(choice->keycode, m_sendId, SpareKeyPool::Clock::now());
    return choice;
}

unsigned XTestKeyInjector::heldModifiers() const
{
    unsigned mask = 0;
    for (const auto& held : m_held) {
        if (const KeyboardLayout::Key* key = m_layout.key(held.second))
            mask |= key->setsModifiers;
    }
    return mask;
}

void XTestKeyInjector::queueKey(unsigned keycode, bool press)
{
    m_pending.emplace_back(keycode, press);
}

void XTestKeyInjector::revert(const std::vector<unsigned>& keycodes)
{
    for (unsigned keycode : keycodes) {
        KeySym none = NoSymbol;
        XChangeKeyboardMapping(m_display, static_cast<int>(keycode), 1, &none, 1);
    }
    if (!keycodes.empty())
        XFlush(m_display);
}

void XTestKeyInjector::revertDue()
{
    // The key-stroke under way may yet use a key bound for it; its end schedules the revert again.
    if (m_underWay)
        return;
    revert(m_pool.takeDue(SpareKeyPool::Clock::now()));
    scheduleRevert();
}

void XTestKeyInjector::scheduleRevert()
{
    const auto due = m_pool.nextDue();
    if (!due) {
        m_revertTimer.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - SpareKeyPool::Clock::now());
    m_revertTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void XTestKeyInjector::report(const std::string& message)
{
    // Once per kind of failure: the same text fails again at every passing.
    if (m_reported.insert(message).second)
        std::fprintf(stderr, "orvanel: key injection: %s\n", message.c_str());
}

} // namespace orvanel
