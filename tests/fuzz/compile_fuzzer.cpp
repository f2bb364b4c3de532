// Feeds arbitrary bytes to the compiler as a macro text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/compile_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t z = text.find('\0');
    if (z != std::string::npos) text.resize(z);
    orv::Tables tables;
    std::string log;
    orv::compileText(tables, text, &log);
    return 0;
}
