#pragma once

#include <string>

#include "services/command_runner.h"
#include "services/file_system.h"
#include "services/registry.h"
#include "services/ui.h"

namespace vx {

// Everything a repair reaches the system through. The product wires the
// Win32 implementations; the native tests wire in-memory fakes, so each
// repair is written once.
struct Services {
    RegistryBackend& registry;
    CommandRunner& runner;
    FileSystem& files;
    Folders& folders;
    TextStore& texts;
    Ui& ui;
    // TEMP with one backslash appended, fixed at start-up (empty when TEMP is
    // unset: nothing is staged then).
    std::wstring temp_path;
};

} // namespace vx
