// orvane-cli check FILE / dump FILE.
#include <cstdio>
#include <string>

#include "cli/cli_util.h"
#include "cli/commands.h"
#include "compiler/compile_driver.h"
#include "lang/text.h"

namespace orv::cli {

namespace {

int compileFile(int argc, char** argv, const char* name, bool dump) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane-cli %s FILE\n", name);
        return 2;
    }
    std::string path = argv[1];
    std::string text, message;
    if (!readMacroFile(path, text, message)) {
        std::fprintf(stderr, "orvane-cli: %s\n", message.c_str());
        return 2;
    }
    Tables tables;
    CliCompileHost host;
    CompileRequest req;
    req.text = text;
    req.fileName = utf8ToCp932Lossy(path);
    req.mode = 2;
    req.logPath = "comp.his";
    bool ok = compile(tables, req, host);
    if (dump) {
        dumpTables(tables, 0, [](std::string_view line) {
            std::string_view l = line;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.remove_suffix(1);
            printUtf8(stdout, l);
            std::fputc('\n', stdout);
        });
    } else {
        std::FILE* f = std::fopen("comp.his", "rb");
        if (!f) {
            std::fprintf(stderr, "orvane-cli: cannot read comp.his\n");
            return 2;
        }
        std::string log;
        char buf[8192];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
        std::fclose(f);
        std::string lf;
        lf.reserve(log.size());
        for (std::size_t i = 0; i < log.size(); ++i)
            if (!(log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n')) lf += log[i];
        printUtf8(stdout, lf);
        if (!lf.empty() && lf.back() != '\n') std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

int checkCommand(int argc, char** argv) {
    return compileFile(argc, argv, "check", false);
}
int dumpCommand(int argc, char** argv) {
    return compileFile(argc, argv, "dump", true);
}

}  // namespace orv::cli
