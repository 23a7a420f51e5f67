#pragma once

#include "session/BridgeSession.h"

#include <QIcon>

namespace orvanel {

// The state of the bridge link as a small coloured dot: green connected, orange being recovered,
// red failed, grey never tried.
QIcon linkStateIcon(BridgeSession::LinkState state);

} // namespace orvanel
