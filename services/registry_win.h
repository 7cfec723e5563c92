#pragma once

#include "services/registry.h"

namespace vx {

// The registry of the running system. No registry-view flag is added, so a
// 32-bit process sees its own view, as the Windows API gives it.
class Win32Registry : public RegistryBackend {
public:
    long open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) override;
    void close(RegKey key) override;
    long query(RegKey key, const std::wstring& name, RegistryValue& value) override;
    long set(RegKey key, const std::wstring& name, const RegistryValue& value) override;
    long delete_value(RegKey key, const std::wstring& name) override;
    long delete_tree(RegKey parent, const std::wstring& subkey) override;
    long subkey_names(RegKey key, std::vector<std::wstring>& names) override;
    long value_names(RegKey key, std::vector<std::wstring>& names) override;
    long contents(RegKey key, std::vector<std::pair<std::wstring, RegistryValue>>& values,
                  std::vector<std::wstring>& subkeys) override;
    std::wstring status_text(long status) override;
};

} // namespace vx
