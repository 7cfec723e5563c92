#pragma once

// The program's own services on the real registry, processes and files of
// the prefix, with message boxes scripted, for tests that run a repair or
// routine the way the program does.

#include <string>

#include "services/command_runner_win.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/wine_support.h"

namespace vx::test {

struct RealSystem {
    // `temp` is the temporary folder path the program would have recorded,
    // without its closing backslash.
    explicit RealSystem(const std::wstring& temp)
        : services{registry, runner, files, folders, texts, ui, temp + L"\\"} {}
    RealSystem(const RealSystem&) = delete;
    RealSystem& operator=(const RealSystem&) = delete;

    Win32Registry registry;
    Win32CommandRunner runner{pump_messages};
    Win32FileSystem files;
    Win32Folders folders;
    ResourceTextStore texts;
    ScriptedUi ui;
    Services services;
};

} // namespace vx::test
