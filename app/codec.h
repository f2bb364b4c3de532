// The one place where CP932 bytes meet QString.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orv::app {

// Decodes CP932 bytes for display and editing. Bytes that do not form a character which
// encodes back to the same bytes are kept as the private-use characters U+F700 + byte, so
// that toCp932(fromCp932(b)) == b for every byte string.
QString fromCp932(std::string_view bytes);
// The characters that keep a byte in the text when it forms no character of its own: U+F700
// + the byte.
inline constexpr char16_t kEscapeBase = 0xF700;
inline QChar escapedByte(unsigned char b) {
    return QChar(static_cast<char16_t>(kEscapeBase + b));
}
// Encodes for storage; U+F700..U+F7FF give back their byte, other characters without a CP932
// form become '?' and set *lossy.
std::string toCp932(const QString& text, bool* lossy = nullptr);

// The first character of `text` that has no CP932 form (a whole surrogate pair counts as one),
// with its 1-based line; an empty string when every character can be stored.
struct Unencodable {
    QString character;
    int line = 0;
};
Unencodable firstUnencodable(const QString& text);

// A UTF-8 literal of the program's own, as QString.
inline QString u8q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace orv::app
