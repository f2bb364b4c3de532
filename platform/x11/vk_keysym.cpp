#include "platform/x11/vk_keysym.h"

#include <array>

#include "platform/x11/key_table.h"

namespace orv::x11 {

namespace {

constexpr std::array<unsigned long, 256> buildTable() {
    std::array<unsigned long, 256> t{};
    for (int vk = 0; vk < 256; ++vk) t[static_cast<std::size_t>(vk)] = x11keys::keysymForVk(vk);
    return t;
}

// Looked up once per key event: the key table read once, at compile time.
constexpr std::array<unsigned long, 256> kTable = buildTable();

}  // namespace

unsigned long keysymForVk(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return kTable[static_cast<std::size_t>(vk)];
}

}  // namespace orv::x11
