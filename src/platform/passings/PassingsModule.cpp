#include "platform/passings/PassingsModule.h"

#include "bridge/PortLine.h"
#include "platform/network/TcpLine.h"
#include "platform/serial/QtSerialLine.h"

#include <QtGlobal>

namespace orvanel {

namespace {

PlatformServices makePlatform(const KeyOptions& options)
{
    return createPlatformServices(options);
}

std::unique_ptr<ByteLine> makeLine(const PortMap& ports)
{
    return std::make_unique<PortLine>(ports, std::make_unique<QtSerialLine>(ports), std::make_unique<TcpLine>(ports));
}

const PassingsModule kModule{&makePlatform, &makeLine};

} // namespace

} // namespace orvanel

extern "C" Q_DECL_EXPORT const orvanel::PassingsModule* orvanelPassingsModule()
{
    return &orvanel::kModule;
}
