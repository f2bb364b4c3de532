#include "cli/cli_util.h"

#include "lang/text.h"
#include "platform/file_io.h"

namespace orv::cli {

bool readMacroFile(const std::string& path, std::string& text, std::string& message) {
    MacroRead r = readMacroText(path, text, &message);
    if (r == MacroRead::TooBig) message = "ファイルサイズが大きすぎます";
    return r == MacroRead::Ok;
}

bool loadMacro(const std::string& path, std::string& text) {
    std::string message;
    if (readMacroFile(path, text, message)) return true;
    std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
    return false;
}

CompileRequest macroRequest(const std::string& path, std::string_view text, int mode) {
    CompileRequest req;
    req.text = text;
    req.fileName = utf8ToCp932Lossy(path);
    req.mode = mode;
    req.logPath = kCompileLog;
    return req;
}

void printUtf8(std::FILE* f, std::string_view cp932) {
    std::string u = cp932ToUtf8(cp932);
    std::fwrite(u.data(), 1, u.size(), f);
}

void printLine(std::FILE* f, std::string_view cp932) {
    printUtf8(f, cp932);
    std::fputc('\n', f);
}

void CliCompileHost::messageBox(const std::string& text, const std::string& caption, MsgIcon) {
    std::string t = cp932ToUtf8(text);
    for (auto& c : t)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%s: %s\n", cp932ToUtf8(caption).c_str(), t.c_str());
}

}  // namespace orv::cli
