#include "about/AboutCaptions.h"

namespace orvanel {

ProgramIdentity orvanelIdentity()
{
    return {"Orvanel", ORVANEL_VERSION_MAJOR, ORVANEL_VERSION_MINOR, ORVANEL_VERSION_PATCH};
}

AboutCaptions aboutCaptions(const ProgramIdentity& program)
{
    AboutCaptions captions;
    captions.windowTitle = "About " + program.title;
    captions.version = "Version " + std::to_string(program.major) + "." + std::to_string(program.minor) + "." +
                       std::to_string(program.revision);
    captions.title = program.title;
    return captions;
}

} // namespace orvanel
