#pragma once

#include <string>

namespace orvanel {

// What the program says about itself.
struct ProgramIdentity
{
    std::string title;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// This program: its title and the version of its build.
ProgramIdentity orvanelIdentity();

// The texts the About window sets each time it is loaded.
struct AboutCaptions
{
    std::string windowTitle; // "About " and the title
    std::string version;     // "Version " and major.minor.revision
    std::string title;
};

AboutCaptions aboutCaptions(const ProgramIdentity& program);

} // namespace orvanel
