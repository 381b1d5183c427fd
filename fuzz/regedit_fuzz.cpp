// Fuzz target: the REGEDIT4 importer. Whatever it accepts must export to files that it accepts
// again and that import to the same exports (a fixed point after one round).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/reg_export.h"
#include "cleaning/reg_import.h"

namespace {

using vantum::platform::MemoryRegistry;
using vantum::platform::RegRoot;

// One export per root, of the whole root.
std::vector<std::string> ExportRoots(const MemoryRegistry& reg) {
    std::vector<std::string> out;
    for (int i = 0; i < vantum::platform::kRegRootCount; ++i)
        out.push_back(vantum::cleaning::FormatRegistryExport(reg, static_cast<RegRoot>(i), ""));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto keys = vantum::cleaning::ParseRegedit4(text, nullptr);
    if (!keys) return 0;
    MemoryRegistry first;
    if (!vantum::cleaning::ApplyRegedit4(first, *keys, nullptr)) return 0;
    auto once = ExportRoots(first);
    MemoryRegistry second;
    for (const auto& file : once) {
        auto again = vantum::cleaning::ParseRegedit4(file, nullptr);
        if (!again || !vantum::cleaning::ApplyRegedit4(second, *again, nullptr)) std::abort();
    }
    if (ExportRoots(second) != once) std::abort();
    return 0;
}
