#include "cli/cli_util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lang/text.h"

namespace orv::cli {

bool readMacroFile(const std::string& path, std::string& text, std::string& message) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        message = path + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.append(buf, n);
        if (bytes.size() > kMaxMacroFile) break;
    }
    bool err = std::ferror(f) != 0;
    std::fclose(f);
    if (err) {
        message = path + ": read error";
        return false;
    }
    if (bytes.size() > kMaxMacroFile) {
        message = "ファイルサイズが大きすぎます";
        return false;
    }
    std::size_t z = bytes.find('\0');
    if (z != std::string::npos) bytes.resize(z);
    text = std::move(bytes);
    return true;
}

void printUtf8(std::FILE* f, std::string_view cp932) {
    std::string u = cp932ToUtf8(cp932);
    std::fwrite(u.data(), 1, u.size(), f);
}

void CliCompileHost::messageBox(const std::string& text, const std::string& caption, MsgIcon) {
    std::string t = cp932ToUtf8(text);
    for (auto& c : t)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%s: %s\n", cp932ToUtf8(caption).c_str(), t.c_str());
}

}  // namespace orv::cli
