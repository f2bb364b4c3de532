#include "compiler/compile_driver.h"

#include <ctime>

#include "compiler/compile_context.h"
#include "compiler/statement_parser.h"
#include "lang/debug_out.h"
#include "lang/text.h"

namespace orv {

namespace {

TimeOfDay localNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// The check of the finished rows; every error is reported on the first line.
bool checkRows(CompileContext& cx) {
    const RowTable& m = cx.t.hMacro;
    if (m.rowCount() == 0) {
        cx.error(0, CompileError::EndMissing);
        return false;
    }
    bool ok = true, endSeen = false;
    for (int r = 0; r < m.rowCount(); ++r) {
        const std::string& code = m.at(r, mac::instruct);
        const std::string& target = m.at(r, mac::go_to);
        if (code == cellCode(OP_IF) && target.empty()) {
            cx.error(0, CompileError::BlockNotClosed);
            ok = false;
            break;
        }
        if (code == cellCode(OP_END)) endSeen = true;
        if (code == cellCode(OP_GOTO)) {
            if (m.at(r, mac::shiki1) == cellCode(JUMP_PENDING)) {
                cx.error(0, CompileError::UndefinedOperand, target);
                ok = false;
                break;
            }
            if (target.empty()) {
                cx.error(0, CompileError::BlockNotClosed);
                ok = false;
                break;
            }
        }
    }
    if (!endSeen) {
        cx.error(0, CompileError::EndMissing);
        ok = false;
    }
    return ok;
}

}  // namespace

bool compile(Tables& tables, const CompileRequest& req, CompileHost& host) {
    tables.clear();
    CompileLog log(&host);
    log.open(req.logPath, req.fileName, req.now ? *req.now : localNow());
    host.saveIfModified();

    CompileContext cx(tables, log);
    bool ok = parseStatements(cx, req.text);
    if (!checkRows(cx)) ok = false;
    if (cx.errorFlag) ok = false;

    dumpTablesDebug(tables, DUMP_ALL);
    log.report(0, CompileError::EndLine);
    log.close();
    host.compileLogged(log.text());

    int mode = req.mode;
    if (!ok || mode == MODE_CHECK || mode == MODE_DEBUG) host.reloadOrOpenCheckResult();
    host.raiseCheckResult();
    if (!ok) {
        host.messageBox(sj("マクロ解析エラー発生\r\nエラーログを参照してください"), "Orvane",
                        MsgIcon::Error);
        mode = MODE_IDLE;
    }
    host.compiled(mode == MODE_CHECK ? MODE_IDLE : mode);
    if (ok && startsRun(mode)) host.startRun(mode);
    return ok;
}

namespace {
class SilentHost : public CompileHost {
  public:
    void messageBox(const std::string&, const std::string&, MsgIcon) override {}
};
}  // namespace

bool compileText(Tables& tables, std::string_view text, std::string* logText,
                 const std::string& fileName) {
    tables.clear();
    SilentHost host;
    CompileLog log(&host);
    log.open("", fileName, TimeOfDay{0, 0, 0});
    CompileContext cx(tables, log);
    bool ok = parseStatements(cx, text);
    if (!checkRows(cx)) ok = false;
    if (cx.errorFlag) ok = false;
    log.report(0, CompileError::EndLine);
    log.close();
    if (logText) *logText = log.text();
    return ok;
}

}  // namespace orv
