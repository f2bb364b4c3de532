#include "compiler/compile_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "compiler/compile_host.h"
#include "lang/text.h"

namespace orv {

namespace {

// Error messages, in the order of their numbers. Each line is written as
// "*<line> Line Error(<number>) <message>" CR LF; "%s" in a message is the error's text.
// The formats are converted to CP932 once.
struct Format {
    CompileError error;
    const char* text;
};
constexpr Format kFormats[] = {
    {CompileError::OperandMissing, "オペランドが記述されていません\"%s\" "},
    {CompileError::TwoStatements, "同一行に２つの命令語は記述できません"},
    {CompileError::CaseMissing, "無効な命令語です。対応するCASE文が存在しません。"},
    {CompileError::StartMissing, "無効な命令語です。START制御文が定義されていません。"},
    {CompileError::DefineAfterStart,
     "無効なDEFINE文です。この定義文はSTART制御文が定義されるまでに記述する必要があります。"},
    {CompileError::SelectNotVariable, "無効な変数です。SELECT文では変数しか指定できません。"},
    {CompileError::UndefinedName, "%s 定義されていません。"},
    {CompileError::SelectMissing, "対応するSELECT文が定義されていません。"},
    {CompileError::BadDefinition, "%s 無効な定義文です。"},
    {CompileError::CaseTypeMismatch, "%s 比較する変数の型が違います"},
    {CompileError::StartTwice, "このSTART制御文は無効です"},
    {CompileError::ElseWithoutIf, "このELSE文に対応するIF制御文が存在しません"},
    {CompileError::EndifWithoutIf, "このENDIF文に対応するIF制御文が存在しません"},
    {CompileError::EnddoWithoutDo, "このENDDO文に対応するDO制御文が存在しません"},
    {CompileError::EndselectWithoutSelect, "このENDSELECT文に対応するSELECT制御文が存在しません"},
    {CompileError::NoEnclosingBlock, "入れ子が存在しません"},
    {CompileError::InvalidStatement, "無効な命令語です"},
    {CompileError::BadVariableName, "複数定義はできません"},
    {CompileError::AlreadyDeclared, "%s 宣言済みの変数です"},
    {CompileError::UndefinedOperand, "%s 定義されていません"},
    {CompileError::TypeMismatch, "型が違います。"},
    {CompileError::BadCondition, "条件式が不適切です"},
    {CompileError::BadOperator, "演算子が不適切です"},
    {CompileError::OperatorNotAllowed, "%s この演算子は使用できません"},
    {CompileError::ParenNeeded, "'(' が必要です"},
    {CompileError::ParenCount, "'('と')'の数が一致しません"},
    {CompileError::UnknownStatement, "%s 存在しない命令です"},
    {CompileError::BadAssignment, "不正な代入式です-%s"},
    {CompileError::Internal, "内部変換エラー発生 %s"},
    {CompileError::OperandNeeded, "%s オペランドが必要です"},
    {CompileError::LabelTwice, "%s 宣言済みのラベルです"},
    {CompileError::NameTaken, "%s 別名で定義済みです"},
    {CompileError::Syntax, "%s 構文エラー"},
    {CompileError::TooManyParams, "%s 構文エラー(パラメタが多すぎます)"},
    {CompileError::BadParam, "%s 構文エラー(パラメタ不正)"},
    {CompileError::TooFewParams, "%s 構文エラー(パラメタが少なすぎます)"},
    {CompileError::BlockNotClosed, "ENDIF/ENDOD/ENDSELECTいずれかが存在しません"},
    {CompileError::EndMissing, "END制御文が存在しません"},
    {CompileError::BadFunction, "不正な関数です(%s)"},
    {CompileError::BadValue, "パラメタで指定した値が不正です(%s)"},
    {CompileError::BadTargetType, "左辺で指定する変数のタイプが不正です(%s)"},
    {CompileError::BadName, "指定された変数または定数が不正です(%s)"},
    {CompileError::NoStringVariable, "文字変数は指定できません(%s)"},
    {CompileError::NoNumberVariable, "数値変数は指定できません(%s)"},
    {CompileError::ConstantNotNumber, "指定された定数は数値タイプではありません(%s)"},
    {CompileError::NumberVariableOnly, "数値変数のみ指定可能です(%s)"},
};
constexpr bool inNumberOrder() {
    int expected = 1;
    for (const Format& f : kFormats)
        if (errorNumber(f.error) != expected++) return false;
    return expected == CompileLog::kMaxError + 1;
}
static_assert(inNumberOrder(), "one format for each error number, in order");

const std::string& cpFormat(int no) {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> v(CompileLog::kMaxError + 1);
        for (const Format& f : kFormats)
            v[static_cast<std::size_t>(errorNumber(f.error))] =
                sj(std::string("*%d Line Error(%03d) ") + f.text + "\r\n");
        return v;
    }();
    return table[static_cast<std::size_t>(no)];
}

// printf-like expansion of %d (line), %03d (number), %s (text): no size limit, no
// interpretation of the text's own bytes.
std::string expand(const std::string& fmt, int line1, int no, std::string_view text) {
    std::string out;
    out.reserve(fmt.size() + text.size() + 16);
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%' || i + 1 >= fmt.size()) {
            out += fmt[i];
            continue;
        }
        if (fmt.compare(i, 4, "%03d") == 0) {
            char b[16];
            std::snprintf(b, sizeof b, "%03d", no);
            out += b;
            i += 3;
        } else if (fmt.compare(i, 2, "%d") == 0) {
            out += std::to_string(line1);
            i += 1;
        } else if (fmt.compare(i, 2, "%s") == 0) {
            out += text;
            i += 1;
        } else {
            out += fmt[i];
        }
    }
    return out;
}

}  // namespace

CompileLog::~CompileLog() {
    close();
}

std::string CompileLog::format(int line0, int errorNo, std::string_view text,
                               std::string_view fileName, int errorCount) {
    std::string s;
    if (errorNo == errorNumber(CompileError::EndLine)) {
        s = "Compile-End ";
        s += fileName;
        s += " - Error " + std::to_string(errorCount) + " -";
    } else if (errorNo >= 1 && errorNo <= kMaxError) {
        s = expand(cpFormat(errorNo), line0 + 1, errorNo, text);
    } else {
        s = "*" + std::to_string(line0 + 1) + " Line Error(" + std::to_string(errorNo) + ")\r\n";
    }
    if (s.size() > kMaxLine) {
        // The text is cut; the line end stays, so the next line starts on its own line.
        const bool crlf = s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0;
        s.resize(crlf ? kMaxLine - 2 : kMaxLine);
        if (crlf) s += "\r\n";
    }
    return s;
}

void CompileLog::fail(const char* utf8Message) {
    if (host_) host_->messageBox(sj(utf8Message), "Orvane", MsgIcon::None);
}

void CompileLog::open(const std::string& path, std::string_view fileName, TimeOfDay now) {
    close();
    errors_ = 0;
    written_.clear();
    fileName_ = std::string(fileName);
    memoryOnly_ = path.empty();
    char t[32];
    std::snprintf(t, sizeof t, " %02d:%02d:%02d \r\n", now.hour, now.minute, now.second);
    std::string line = "Compile-Start " + fileName_ + t;
    if (memoryOnly_) {
        written_ += line;
        return;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) fail("コンパイルリザルトファイルのオープンでエラーが発生しました。");
    written_ += line;
    if (fd_ < 0) {
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP01)");
        return;
    }
    ssize_t n = ::write(fd_, line.data(), line.size());
    if (n < 0)
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP01)");
    else if (static_cast<std::size_t>(n) < line.size())
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP02)");
}

void CompileLog::write(std::string_view bytes) {
    written_ += bytes;
    if (memoryOnly_) return;
    if (fd_ < 0) {
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP03)");
        return;
    }
    ssize_t n;
    do {
        n = ::write(fd_, bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP03)");
    else if (n == 0 || static_cast<std::size_t>(n) < bytes.size())
        fail("コンパイルリザルトファイル書き込み失敗(ERR=CMP04)");
}

void CompileLog::report(int line0, CompileError error, std::string_view text) {
    write(format(line0, errorNumber(error), text, fileName_, errors_));
    if (error != CompileError::EndLine) ++errors_;
}

void CompileLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace orv
