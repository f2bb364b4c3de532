#include "lang/text.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>
#include <vector>

namespace orv {

namespace {

// Runs iconv over the whole input. On an invalid or unconvertible sequence calls
// onBad(remaining input) which returns how many input bytes to skip and may append to out.
template <class OnBad>
bool convert(const char* to, const char* from, std::string_view in, std::string& out, OnBad onBad) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buf.data();
        std::size_t dstLeft = buf.size();
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            ok = false;
            std::size_t skip = onBad(std::string_view(src, srcLeft), out);
            if (skip == 0 || skip > srcLeft) skip = srcLeft;
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return ok;
}

std::size_t utf8SeqLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

std::string cp932ToUtf8(std::string_view cp932) {
    std::string out;
    bool ascii = true;
    for (unsigned char c : cp932)
        if (c >= 0x80) ascii = false;
    if (ascii) return std::string(cp932);
    convert("UTF-8", "CP932", cp932, out, [](std::string_view, std::string& o) {
        o += "\xEF\xBF\xBD";
        return std::size_t{1};
    });
    return out;
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    std::string out;
    bool ok = convert("CP932", "UTF-8", utf8, out,
                      [](std::string_view, std::string&) { return std::size_t{0}; });
    if (!ok) return std::nullopt;
    return out;
}

std::string utf8ToCp932Lossy(std::string_view utf8) {
    std::string out;
    convert("CP932", "UTF-8", utf8, out, [](std::string_view rest, std::string& o) {
        o += '?';
        return utf8SeqLen(static_cast<unsigned char>(rest[0]));
    });
    return out;
}

bool isValidCp932(std::string_view cp932) {
    std::string out;
    return convert("UTF-8", "CP932", cp932, out,
                   [](std::string_view, std::string&) { return std::size_t{0}; });
}

std::string sj(std::string_view utf8) {
    auto r = utf8ToCp932(utf8);
    return r ? *r : std::string(utf8);
}

std::int32_t toInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        neg = text[i] == '-';
        ++i;
    }
    std::uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (neg) v = 0u - v;
    return static_cast<std::int32_t>(v);
}

std::string toText(std::int32_t v) {
    std::string s;
    assignInt(s, v);
    return s;
}

void assignInt(std::string& out, std::int32_t v) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.assign(buf, static_cast<std::size_t>(r.ptr - buf));
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace orv
