// Text helpers: CP932 <-> UTF-8 (glibc iconv "CP932") and the decimal
// conversions used by every table cell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// CP932 bytes to UTF-8. Bytes that are not valid CP932 become U+FFFD; nothing is dropped silently.
std::string cp932ToUtf8(std::string_view cp932);
// UTF-8 to CP932; nullopt when some character has no CP932 form or the input is not UTF-8.
std::optional<std::string> utf8ToCp932(std::string_view utf8);
// UTF-8 to CP932, with '?' for each character that has no CP932 form.
std::string utf8ToCp932Lossy(std::string_view utf8);
// True when the bytes are a complete, valid CP932 text.
bool isValidCp932(std::string_view cp932);
// True for the first byte of a CP932 double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool isCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// A UTF-8 literal of the program's own (messages, formats) in CP932.
std::string sj(std::string_view utf8);

// The standard decimal conversion of cells: leading blanks, an optional sign, digits;
// anything else ends the number; no digits gives 0. Values wrap as 32-bit two's complement.
std::int32_t toInt(std::string_view text);
// Decimal text of a 32-bit value.
std::string toText(std::int32_t v);
// Writes the decimal text of v into `out` (reusing its storage).
void assignInt(std::string& out, std::int32_t v);
// True when `s` is non-empty and made of the digits 0-9 only.
bool allDigits(std::string_view s);

}  // namespace orv
