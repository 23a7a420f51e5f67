#pragma once

#include "system/Beeper.h"

#include <string>

struct _XDisplay;
struct ca_context;

namespace orvanel {

// Plays the desktop's warning event sound through libcanberra, which returns at once and plays in the
// background. When the sound cannot be played (no sound server, no such sound in the theme) it rings
// the X display's bell instead, from then on; when that is not possible either, the beep is skipped.
class CanberraBeeper : public Beeper
{
public:
    static constexpr const char* warningSound = "dialog-warning";

    // `displayName` is the X display for the bell, none when empty; `soundId` the theme's event sound.
    explicit CanberraBeeper(const std::string& displayName, std::string soundId = warningSound);
    ~CanberraBeeper() override;
    CanberraBeeper(const CanberraBeeper&) = delete;
    CanberraBeeper& operator=(const CanberraBeeper&) = delete;

    void beepExclamation() override;

private:
    void ringBell();

    std::string m_soundId;
    ca_context* m_context = nullptr;
    _XDisplay* m_display = nullptr;
};

} // namespace orvanel
