#pragma once

#include "services/services.h"

namespace vx {

// The Advanced page's repairs that run Windows command-line tools, one after
// another, each waited for. Each ends with the success notice, or with an
// error box naming the commands that could not be started.

void flush_dns_cache(Services& services);
void renew_ip_address(Services& services);
void reset_firewall(Services& services);
void reset_tcp_ip(Services& services);
void reset_winsock(Services& services);
void reset_ie_settings(Services& services);
void reset_proxy(Services& services);
// Enables System Restore on the system drive and sets its services to start
// automatically; the notice only when the services then start automatically
// and no policy turns System Restore off.
void fix_system_restore(Services& services);
// Deletes the local Group Policy folders and applies the policy anew.
void reset_group_policy(Services& services);

} // namespace vx
