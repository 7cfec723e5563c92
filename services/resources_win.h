#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "services/file_system.h"

namespace vx {

// The bytes of an RCDATA resource of the program's own module; raises
// "Resource <name> not found" when there is none.
std::vector<std::uint8_t> load_resource(const std::wstring& name);

// The stored texts, embedded as RCDATA resources named after their memos.
class ResourceTextStore : public TextStore {
public:
    std::vector<std::wstring> lines(const std::wstring& name) const override;
    std::vector<std::uint8_t> program(const std::wstring& name) const override { return load_resource(name); }
};

} // namespace vx
