// orvanel-seat-keyboard SOCKET LAYOUT: the seat's own keyboard in a headless session, standing in for
// the user's. A virtual keyboard with the layout's keymap, there before any client starts (a seat
// without a keyboard loses the first keys of one that comes later). Says "ready" once there, then for
// each line "key CODE" on its input presses and releases that kernel key code and says "ok key CODE".

#include "platform/keymap/XkbKeymap.h"
#include "platform/wayland/VirtualKeyboard.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <xkbcommon/xkbcommon.h>

using namespace orvanel;

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvanel-seat-keyboard SOCKET LAYOUT\n");
        return 2;
    }
    KeyboardNames names;
    names.layout = argv[2];
    std::string error;
    const std::unique_ptr<XkbKeymap> keymap = XkbKeymap::compile(names, error);
    if (!keymap) {
        std::fprintf(stderr, "orvanel-seat-keyboard: %s\n", error.c_str());
        return 1;
    }
    VirtualKeyboard::Opened opened = VirtualKeyboard::open(argv[1]);
    if (!opened.keyboard) {
        std::fprintf(stderr, "orvanel-seat-keyboard: no virtual keyboard on %s\n", argv[1]);
        return 1;
    }
    char* text = xkb_keymap_get_as_string(keymap->keymap(), XKB_KEYMAP_FORMAT_TEXT_V1);
    const bool sent = opened.keyboard->setKeymap(text);
    std::free(text);
    if (!sent || !opened.keyboard->flush()) {
        std::fprintf(stderr, "orvanel-seat-keyboard: the keymap did not go out\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::uint32_t time = 0;
    for (std::string line; std::getline(std::cin, line);) {
        if (line.rfind("key ", 0) != 0)
            continue;
        const unsigned code = static_cast<unsigned>(std::strtoul(line.c_str() + 4, nullptr, 10));
        opened.keyboard->key(++time, code, true);
        opened.keyboard->key(++time, code, false);
        if (!opened.keyboard->flush())
            return 1;
        std::printf("ok %s\n", line.c_str());
        std::fflush(stdout);
    }
    return 0;
}
