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

// Error formats (UTF-8 here; converted to CP932 once), in the order of their numbers. "%d" is
// the 1-based line, "%03d" the error number, "%s" the text.
struct Format {
    CompileError error;
    const char* text;
};
constexpr Format kFormats[] = {
    {CompileError::OperandMissing,
     "*%d Line Error(%03d) オペランドが記述されていません\"%s\" \r\n"},
    {CompileError::TwoStatements, "*%d Line Error(%03d) 同一行に２つの命令語は記述できません\r\n"},
    {CompileError::CaseMissing,
     "*%d Line Error(%03d) 無効な命令語です。対応するCASE文が存在しません。\r\n"},
    {CompileError::StartMissing,
     "*%d Line Error(%03d) 無効な命令語です。START制御文が定義されていません。\r\n"},
    {CompileError::DefineAfterStart,
     "*%d Line Error(%03d) "
     "無効なDEFINE文です。この定義文はSTART制御文が定義されるまでに記述する必要があります。\r\n"},
    {CompileError::SelectNotVariable,
     "*%d Line Error(%03d) 無効な変数です。SELECT文では変数しか指定できません。\r\n"},
    {CompileError::UndefinedName, "*%d Line Error(%03d) %s 定義されていません。\r\n"},
    {CompileError::SelectMissing,
     "*%d Line Error(%03d) 対応するSELECT文が定義されていません。\r\n"},
    {CompileError::BadDefinition, "*%d Line Error(%03d) %s 無効な定義文です。\r\n"},
    {CompileError::CaseTypeMismatch, "*%d Line Error(%03d) %s 比較する変数の型が違います\r\n"},
    {CompileError::StartTwice, "*%d Line Error(%03d) このSTART制御文は無効です\r\n"},
    {CompileError::ElseWithoutIf,
     "*%d Line Error(%03d) このELSE文に対応するIF制御文が存在しません\r\n"},
    {CompileError::EndifWithoutIf,
     "*%d Line Error(%03d) このENDIF文に対応するIF制御文が存在しません\r\n"},
    {CompileError::EnddoWithoutDo,
     "*%d Line Error(%03d) このENDDO文に対応するDO制御文が存在しません\r\n"},
    {CompileError::EndselectWithoutSelect,
     "*%d Line Error(%03d) このENDSELECT文に対応するSELECT制御文が存在しません\r\n"},
    {CompileError::NoEnclosingBlock, "*%d Line Error(%03d) 入れ子が存在しません\r\n"},
    {CompileError::InvalidStatement, "*%d Line Error(%03d) 無効な命令語です\r\n"},
    {CompileError::BadVariableName, "*%d Line Error(%03d) 複数定義はできません\r\n"},
    {CompileError::AlreadyDeclared, "*%d Line Error(%03d) %s 宣言済みの変数です\r\n"},
    {CompileError::UndefinedOperand, "*%d Line Error(%03d) %s 定義されていません\r\n"},
    {CompileError::TypeMismatch, "*%d Line Error(%03d) 型が違います。\r\n"},
    {CompileError::BadCondition, "*%d Line Error(%03d) 条件式が不適切です\r\n"},
    {CompileError::BadOperator, "*%d Line Error(%03d) 演算子が不適切です\r\n"},
    {CompileError::OperatorNotAllowed, "*%d Line Error(%03d) %s この演算子は使用できません\r\n"},
    {CompileError::ParenNeeded, "*%d Line Error(%03d) '(' が必要です\r\n"},
    {CompileError::ParenCount, "*%d Line Error(%03d) '('と')'の数が一致しません\r\n"},
    {CompileError::UnknownStatement, "*%d Line Error(%03d) %s 存在しない命令です\r\n"},
    {CompileError::BadAssignment, "*%d Line Error(%03d) 不正な代入式です-%s\r\n"},
    {CompileError::Internal, "*%d Line Error(%03d) 内部変換エラー発生 %s\r\n"},
    {CompileError::OperandNeeded, "*%d Line Error(%03d) %s オペランドが必要です\r\n"},
    {CompileError::LabelTwice, "*%d Line Error(%03d) %s 宣言済みのラベルです\r\n"},
    {CompileError::NameTaken, "*%d Line Error(%03d) %s 別名で定義済みです\r\n"},
    {CompileError::Syntax, "*%d Line Error(%03d) %s 構文エラー\r\n"},
    {CompileError::TooManyParams, "*%d Line Error(%03d) %s 構文エラー(パラメタが多すぎます)\r\n"},
    {CompileError::BadParam, "*%d Line Error(%03d) %s 構文エラー(パラメタ不正)\r\n"},
    {CompileError::TooFewParams, "*%d Line Error(%03d) %s 構文エラー(パラメタが少なすぎます)\r\n"},
    {CompileError::BlockNotClosed,
     "*%d Line Error(%03d) ENDIF/ENDOD/ENDSELECTいずれかが存在しません\r\n"},
    {CompileError::EndMissing, "*%d Line Error(%03d) END制御文が存在しません\r\n"},
    {CompileError::BadFunction, "*%d Line Error(%03d) 不正な関数です(%s)\r\n"},
    {CompileError::BadValue, "*%d Line Error(%03d) パラメタで指定した値が不正です(%s)\r\n"},
    {CompileError::BadTargetType,
     "*%d Line Error(%03d) 左辺で指定する変数のタイプが不正です(%s)\r\n"},
    {CompileError::BadName, "*%d Line Error(%03d) 指定された変数または定数が不正です(%s)\r\n"},
    {CompileError::NoStringVariable, "*%d Line Error(%03d) 文字変数は指定できません(%s)\r\n"},
    {CompileError::NoNumberVariable, "*%d Line Error(%03d) 数値変数は指定できません(%s)\r\n"},
    {CompileError::ConstantNotNumber,
     "*%d Line Error(%03d) 指定された定数は数値タイプではありません(%s)\r\n"},
    {CompileError::NumberVariableOnly, "*%d Line Error(%03d) 数値変数のみ指定可能です(%s)\r\n"},
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
            v[static_cast<std::size_t>(errorNumber(f.error))] = sj(f.text);
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
    if (s.size() > kMaxLine) s.resize(kMaxLine);
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
