#include "app/startup_win.h"

#include <aclapi.h>

#include <sddl.h>

#include <string>

#include "app/application_win.h"
#include "services/system_info_win.h"

namespace vx {

namespace {

// The single-instance marker and the private namespace it lives in: held
// until the process ends, never closed.
HANDLE g_instance_semaphore = nullptr;
HANDLE g_instance_namespace = nullptr;

// Owned by the Administrators group and open to it alone. A process that is
// not elevated holds that group only to deny access, so it can neither open
// such an object nor make one that is owned the same way.
constexpr wchar_t kAdministratorsOnly[] = L"O:BAD:P(A;;GA;;;BA)";

class SecurityAttributes {
public:
    SecurityAttributes() {
        attributes_.nLength = sizeof(attributes_);
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnly, SDDL_REVISION_1,
                                                                 &attributes_.lpSecurityDescriptor, nullptr) == 0)
            attributes_.lpSecurityDescriptor = nullptr;
    }
    ~SecurityAttributes() { LocalFree(attributes_.lpSecurityDescriptor); }
    SecurityAttributes(const SecurityAttributes&) = delete;
    SecurityAttributes& operator=(const SecurityAttributes&) = delete;
    bool valid() const { return attributes_.lpSecurityDescriptor != nullptr; }
    SECURITY_ATTRIBUTES* get() { return &attributes_; }

private:
    SECURITY_ATTRIBUTES attributes_{};
};

// The private namespace "Vantrix" whose boundary names the Administrators
// group: only a process holding that group enabled (an elevated one) can
// create it, so no other process of the user can create the marker inside it
// first. Null where the system offers no private namespaces.
HANDLE open_instance_namespace(SecurityAttributes& security) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sid_size = sizeof(sid);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size)) return nullptr;
    HANDLE boundary = CreateBoundaryDescriptorW(kInstanceNamespace, 0);
    if (!boundary) return nullptr;
    HANDLE name_space = nullptr;
    if (AddSIDToBoundaryDescriptor(&boundary, sid)) {
        name_space = CreatePrivateNamespaceW(security.get(), boundary, kInstanceNamespace);
        // Another copy made it first: share its namespace.
        if (!name_space && GetLastError() == ERROR_ALREADY_EXISTS)
            name_space = OpenPrivateNamespaceW(boundary, kInstanceNamespace);
    }
    DeleteBoundaryDescriptor(boundary);
    return name_space;
}

// True when the object is owned by the Administrators group, as a marker made
// by an elevated copy of this program is.
bool owned_by_administrators(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    const bool administrators = owner && IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
    LocalFree(descriptor);
    return administrators;
}

} // namespace

bool Win32GatePlatform::another_copy_running() {
    SecurityAttributes security;
    if (!security.valid()) return false;
    g_instance_namespace = open_instance_namespace(security);
    if (g_instance_namespace) {
        // Inside the namespace the name is the namespace's alias, a backslash
        // and the marker's own name; both builds use the same one.
        const std::wstring name = std::wstring(kInstanceNamespace) + L"\\" + kSemaphoreName;
        g_instance_semaphore = CreateSemaphoreW(security.get(), 0, 1, name.c_str());
        return g_instance_semaphore != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    // Without private namespaces (Wine 8 answers CreateBoundaryDescriptorW
    // with nothing) the marker has its plain name, made owned by the
    // Administrators group. One that already exists counts as another copy
    // only when that group owns it too: one that a process without elevation
    // made first is owned by its user, is ignored, and this copy starts. The
    // single-instance guard is then lost while that object exists, which is
    // better than not starting at all.
    g_instance_semaphore = CreateSemaphoreW(security.get(), 0, 1, kSemaphoreName);
    if (!g_instance_semaphore) return false; // made by someone else and closed to us: not a copy of this program
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (owned_by_administrators(g_instance_semaphore)) return true;
    CloseHandle(g_instance_semaphore);
    g_instance_semaphore = nullptr;
    return false;
}

void Win32GatePlatform::exit_now() { ExitProcess(0); }

bool Win32GatePlatform::is_wow64() { return running_under_wow64(); }

WindowsVersion Win32GatePlatform::windows_version() { return query_windows_version(); }

void Win32GatePlatform::message_box(const std::wstring& text, unsigned flags) {
    app().message_box(text, app().title(), flags);
}

void Win32GatePlatform::request_end() { app().terminate(); }

void run_form_create(const HomeLabels& labels) {
    Win32GatePlatform platform;
    if (run_platform_gate(platform) != GateResult::accepted) return;
    SetWindowTextW(labels.window, kAppTitle);
    auto& services = app().services();
    const std::wstring temp = services.folders.temp_folder();
    services.temp_path = temp.empty() ? std::wstring() : temp + L"\\";
    // A probe that fails (WMI unavailable, say) stops the filling here: its
    // label and the ones after it keep their design captions.
    SetWindowTextW(labels.cpu, processor_name(services.registry).c_str());
    SetWindowTextW(labels.ram, memory_size().c_str());
    SetWindowTextW(labels.board, motherboard().c_str());
    SetWindowTextW(labels.os, os_name().c_str());
}

} // namespace vx
