#include "services/explorer_restarter_win.h"

#include "services/explorer_restarter.h"
#include "services/resources_win.h"

namespace vx {

void restart_explorer(Services& services) { restart_explorer(services, services.texts.program(kRestarterResource)); }

} // namespace vx
