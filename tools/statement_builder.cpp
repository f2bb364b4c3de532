// The text each insertion form produces, with its checks in the form's order, and the table
// of forms: one row per statement with its fields and its builder.
#include <array>
#include <cstdint>

#include "lang/text.h"
#include "tools/statement_fields.h"
#include "tools/statement_forms.h"

namespace orv::tools {

using sv = std::string_view;

// The values of one form being built.
class FormReader {
  public:
    FormReader(const FormSpec& form, const FormValues& values) : form_(form), values_(values) {}
    std::string get(sv id) const {
        auto it = values_.find(id);
        if (it != values_.end()) return it->second;
        for (const FieldSpec& f : form_.fields)
            if (f.id == id) return std::string(f.preset);
        return {};
    }
    int choice(sv id) const { return toInt(get(id)); }
    bool empty(sv id) const { return get(id).empty(); }
    // The statement word of the form.
    sv word() const { return form_.word; }

  private:
    const FormSpec& form_;
    const FormValues& values_;
};

namespace {

constexpr sv kCrlf = "\r\n";

BuildResult fail(sv message, sv field) {
    return {false, {}, std::string(message), std::string(field)};
}
BuildResult done(std::string text) {
    return {true, std::move(text), {}, {}};
}

// `name` with its sigil: the user may type it or leave it to the form.
std::string named(char sigil, const std::string& name) {
    return !name.empty() && name[0] == sigil ? name : sigil + name;
}
bool zero(const std::string& digits) {
    return !digits.empty() && digits.find_first_not_of('0') == std::string::npos;
}
// A digits field as a number, saturating (no entered value can wrap).
std::int64_t number(const std::string& digits) {
    std::int64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
        if (v > 100000000000LL) return v;
    }
    return v;
}
int parens(const std::string& s, char c) {
    int n = 0;
    for (char x : s) n += x == c;
    return n;
}

// ---- control statements ----

BuildResult buildStart(const FormReader&) {
    return done("START\r\n");
}
BuildResult buildEnd(const FormReader&) {
    return done("END\r\n");
}
BuildResult buildExit(const FormReader&) {
    return done("\tEXIT\r\n");
}
BuildResult buildLabel(const FormReader& c) {
    std::string name = c.get("name");
    if (name.empty()) return fail("ラベル名を入力してください", "name");
    if (utf8ToCp932Lossy(name).size() > 50) return fail("ラベル名が長すぎます。", "name");
    return done(name + ":" + std::string(kCrlf));
}
BuildResult checkCondition(const std::string& cond, sv emptyMessage) {
    if (cond.empty()) return fail(emptyMessage, "cond");
    if (parens(cond, '(') != parens(cond, ')')) return fail("括弧の数が一致しません", "cond");
    return done({});
}
BuildResult buildIf(const FormReader& c) {
    std::string cond = c.get("cond");
    if (BuildResult r = checkCondition(cond, "条件式を入力してください"); !r.ok) return r;
    std::string t =
        "\tIF (" + cond + ")\r\n@\t\tここにIF条件が真のときのコマンドを記述してください\r\n";
    if (c.get("else") == "1")
        t += "\tELSE\r\n@\t\tここにIF条件が偽のときのコマンドを記述してください\r\n";
    return done(t + "\tENDIF\r\n");
}
BuildResult buildDo(const FormReader& c) {
    std::string cond = c.get("cond");
    if (BuildResult r = checkCondition(cond, "反復条件式を入力してください"); !r.ok) return r;
    return done("\tDO (" + cond +
                ")\r\n@\t\tここにDO条件が真のときに反復実行するコマンドを記述してください\r\n"
                "\tENDDO\r\n");
}
BuildResult buildSelect(const FormReader& c) {
    std::string var = c.get("var");
    if (var.empty()) return fail("比較対照変数を入力してください", "var");
    if (var[0] != '%' && var[0] != '$') return fail("変数を入力してください", "var");
    std::string body;
    for (sv id : {"v1", "v2", "v3", "v4", "v5", "v6"}) {
        std::string v = c.get(id);
        if (v.empty()) continue;
        if (sv("#$%'").find(v[0]) == sv::npos && !allDigits(v))
            return fail("文字列の場合は'でくくってください。", id);
        body += "\tCASE " + v +
                "\r\n@\t\tここにCASE条件が真のときのコマンドを記述してください\r\n\t\tEXIT\r\n";
    }
    if (body.empty()) return fail("比較条件を少なくとも１つ設定してください", "v1");
    return done("\tSELECT " + var + "\r\n" + body + "\tENDSELECT\r\n");
}
BuildResult buildGoto(const FormReader& c) {
    if (c.empty("label")) return fail("ラベル名を入力してください", "label");
    return done("\tGOTO " + c.get("label") + "\r\n");
}

// A count of WAIT or MTAB: a number, a numeric constant or a numeric variable.
struct CountMessages {
    sv numberEmpty;
    bool zeroRefused;
};
BuildResult buildCount(const FormReader& c, sv word, CountMessages m) {
    std::string value;
    switch (c.choice("src")) {
        case 1:
            if (c.empty("const")) return fail("数値定数名を入力してください", "const");
            value = named('#', c.get("const"));
            break;
        case 2:
            if (c.empty("var")) return fail("数値変数名を入力してください", "var");
            value = named('%', c.get("var"));
            break;
        default:
            value = c.get("num");
            if (value.empty()) return fail(m.numberEmpty, "num");
            if (m.zeroRefused && zero(value)) return fail("0は許されません", "num");
    }
    return done("\t" + std::string(word) + " " + value + "\r\n");
}
BuildResult buildWait(const FormReader& c) {
    return buildCount(c, "WAIT", {"WAIT時間(ﾐﾘ秒)を入力してください", true});
}
BuildResult buildMtab(const FormReader& c) {
    return buildCount(c, "MTAB", {"回数を入力してください", false});
}

// ---- declarations and files ----

BuildResult buildDefine(const FormReader& c) {
    std::string name = c.get("name");
    if (name.empty()) return fail("変数名または定数名を入力してください", "name");
    int kind = c.choice("kind");
    if (kind >= 2) return done("\tDEFINE " + named(kind == 2 ? '$' : '%', name) + "\r\n");
    std::string value = c.get("value");
    if (value.empty()) return fail("値を入力してください", "value");
    if (kind == 0) value = "'" + value + "'";
    return done("\tDEFINE " + named('#', name) + " " + value + "\r\n");
}
BuildResult needFileNumber(const FormReader& c) {
    if (c.empty("num")) return fail("ファイル番号を入力してください", "num");
    return done({});
}
BuildResult buildOpen(const FormReader& c) {
    if (c.empty("file")) return fail("ファイル名を入力してください", "file");
    if (BuildResult r = needFileNumber(c); !r.ok) return r;
    return done("\tOPEN '" + c.get("file") + "' AS &" + c.get("num") + "\r\n");
}
BuildResult buildClose(const FormReader& c) {
    if (BuildResult r = needFileNumber(c); !r.ok) return r;
    return done("\tCLOSE &" + c.get("num") + "\r\n");
}
BuildResult buildRead(const FormReader& c) {
    if (BuildResult r = needFileNumber(c); !r.ok) return r;
    return done("\tREAD &" + c.get("num") + "\r\n");
}
BuildResult buildSet(const FormReader& c) {
    if (c.empty("var")) return fail("変数名を入力してください", "var");
    std::string field = c.get("field");
    if (field.empty()) return fail("フィールド番号を入力してください", "field");
    if (zero(field)) return fail("0は許されません", "field");
    if (BuildResult r = needFileNumber(c); !r.ok) return r;
    return done("\tSET " + c.get("var") + " AS " + field + " FROM &" + c.get("num") + "\r\n");
}

// ---- mouse, key and window commands ----

// One coordinate of MMOVE or WMOVE (prefix "x" or "y"); the result goes to `out`.
BuildResult coordinate(const FormReader& c, const std::string& p, std::string& out) {
    int mode = c.choice(p + "mode");
    if (mode == 2) {
        out = "NOW";
        return done({});
    }
    switch (c.choice(p + "src")) {
        case 1:
            if (c.empty(p + "const")) return fail("定数名を入力してください", p + "const");
            out = named('#', c.get(p + "const"));
            break;
        case 2:
            if (c.empty(p + "var")) return fail("変数名を入力してください", p + "var");
            out = named('%', c.get(p + "var"));
            break;
        default:
            out = c.get(p + "num");
            if (out.empty())
                return fail(mode == 1 ? "相対座標を入力してください" : "絶対座標を入力してください",
                            p + "num");
    }
    if (mode == 1) out = c.get(p + "sign") + out;
    return done({});
}
BuildResult buildMmove(const FormReader& c) {
    std::string x, y;
    if (BuildResult r = coordinate(c, "x", x); !r.ok) return r;
    if (BuildResult r = coordinate(c, "y", y); !r.ok) return r;
    return done("\tMMOVE " + x + "," + y + "\r\n");
}
BuildResult buildWmove(const FormReader& c) {
    if (c.empty("caption")) return fail("ｷｬﾌﾟｼｮﾝ名を入力してください", "caption");
    std::string x, y;
    if (BuildResult r = coordinate(c, "x", x); !r.ok) return r;
    if (BuildResult r = coordinate(c, "y", y); !r.ok) return r;
    return done("\tWMOVE '" + c.get("caption") + "' " + x + "," + y + "\r\n");
}
// One dimension of WSIZE (prefix "w" or "h").
BuildResult dimension(const FormReader& c, const std::string& p, sv absMsg, sv relMsg,
                      std::string& out) {
    int mode = c.choice(p + "mode");
    if (mode == 2) {
        out = "KEEP";
        return done({});
    }
    out = c.get(p + "num");
    if (out.empty()) return fail(mode == 1 ? relMsg : absMsg, p + "num");
    if (mode == 1) out = c.get(p + "sign") + out;
    return done({});
}
BuildResult buildWsize(const FormReader& c) {
    std::string w, h;
    if (BuildResult r =
            dimension(c, "w", "絶対幅を入力してください", "相対幅を入力してください", w);
        !r.ok)
        return r;
    if (BuildResult r =
            dimension(c, "h", "絶対高を入力してください", "相対高を入力してください", h);
        !r.ok)
        return r;
    if (c.empty("caption")) return fail("ｷｬﾌﾟｼｮﾝ名を入力してください", "caption");
    return done("\tWSIZE '" + c.get("caption") + "' " + w + "," + h + "\r\n");
}
// MCLK, MDCLK, MDOWN and MUP: the chosen button's letter.
BuildResult buildButton(const FormReader& c) {
    constexpr std::array<sv, 3> kLetters = {"L", "C", "R"};
    int b = c.choice("button");
    if (b < 0 || b > 2) b = 0;
    return done("\t" + std::string(c.word()) + " " +
                std::string(kLetters[static_cast<std::size_t>(b)]) + "\r\n");
}
// FOCUS and DESTROY: the caption.
BuildResult buildCaptioned(const FormReader& c) {
    if (c.empty("caption")) return fail("キャプション名を入力してください", "caption");
    return done("\t" + std::string(c.word()) + " '" + c.get("caption") + "'\r\n");
}
BuildResult buildExecute(const FormReader& c) {
    if (c.empty("file")) return fail("実行ファイル名を入力してください", "file");
    return done("\tEXECUTE '" + c.get("file") + "'\r\n");
}
BuildResult buildKey(const FormReader& c) {
    switch (c.choice("src")) {
        case 1:
            if (c.empty("name")) return fail("変数または定数を指定してください", "name");
            return done("\tKEY " + c.get("name") + "\r\n");
        case 2:
            if (c.empty("text")) return fail("文字列を指定してください", "text");
            return done("\tKEY '" + c.get("text") + "'\r\n");
        default:
            break;
    }
    std::string keys;
    for (sv id : {"k1", "k2", "k3"}) {
        std::string k = c.get(id);
        if (k.empty() || k == keyComboItems()[0]) continue;
        keys += (keys.empty() ? "" : ",") + k;
    }
    if (keys.empty()) return fail("少なくとも１つはKEYを選択してください", "k1");
    return done("\tKEY " + keys + "\r\n");
}

// ---- functions ----

// The signed offset of GETTIME, GETDATE and GETWEEK with its limits; empty when the form asks
// for the current time or date.
struct OffsetRule {
    char separator;
    sv emptyMessage;
    std::array<std::int64_t, 3> limit;
    std::array<sv, 3> limitMessage;
};
constexpr OffsetRule kTimeRule = {':',
                                  "相対時刻を入力してください",
                                  {87600, 52256000, 315360000},
                                  {"相対時刻の指定に誤りがあります。0<=hh<=87600",
                                   "相対時刻の指定に誤りがあります。0<=mm<=52256000",
                                   "相対時刻の指定に誤りがあります。0<=ss<=315360000"}};
constexpr OffsetRule kDateRule = {
    '/',
    "相対日を入力してください",
    {100, 1200, 36500},
    {"相対日の指定に誤りがあります。0<=yyyy<=100", "相対日の指定に誤りがあります。0<=mm<=1200",
     "相対日の指定に誤りがあります。0<=dd<=36500"}};
BuildResult offset(const FormReader& c, const OffsetRule& rule, std::string& out) {
    out.clear();
    if (c.choice("when") != 1) return done({});
    constexpr std::array<sv, 3> kIds = {"a", "b", "c"};
    for (sv id : kIds)
        if (c.empty(id)) return fail(rule.emptyMessage, id);
    out = " " + c.get("sign");
    for (std::size_t i = 0; i < 3; ++i) {
        std::string v = c.get(kIds[i]);
        if (number(v) > rule.limit[i]) return fail(rule.limitMessage[i], kIds[i]);
        out += (i ? std::string(1, rule.separator) : std::string()) + v;
    }
    return done({});
}
BuildResult buildClockFunction(const FormReader& c, sv word, char sigil, sv resultMsg,
                               const OffsetRule& rule) {
    if (c.empty("result")) return fail(resultMsg, "result");
    std::string off;
    if (BuildResult r = offset(c, rule, off); !r.ok) return r;
    return done("\t" + named(sigil, c.get("result")) + " = " + std::string(word) + off + "\r\n");
}
BuildResult buildGetTime(const FormReader& c) {
    return buildClockFunction(c, "GETTIME", '$', "結果を代入する文字変数を指定してください",
                              kTimeRule);
}
BuildResult buildGetDate(const FormReader& c) {
    return buildClockFunction(c, "GETDATE", '$', "結果を代入する文字変数を指定してください",
                              kDateRule);
}
BuildResult buildGetWeek(const FormReader& c) {
    return buildClockFunction(c, "GETWEEK", '%', "結果を代入する数値変数を指定してください",
                              kDateRule);
}
BuildResult buildGetStr(const FormReader& c) {
    if (c.empty("result")) return fail("結果を代入する文字変数を指定してください", "result");
    if (c.empty("src")) return fail("対象の文字変数を入力してください", "src");
    if (c.empty("start")) return fail("開始位置を入力してください", "start");
    if (c.empty("count")) return fail("取得文字数を入力してください", "count");
    if (zero(c.get("start"))) return fail("開始位置の指定に誤りがあります。1>=開始位置", "start");
    if (zero(c.get("count")))
        return fail("取得文字数の指定に誤りがあります。1>=取得文字数", "count");
    return done("\t" + named('$', c.get("result")) + " = GETSTR " + named('$', c.get("src")) + "," +
                c.get("start") + "," + c.get("count") + "\r\n");
}
BuildResult buildGetLen(const FormReader& c) {
    if (c.empty("result")) return fail("結果を代入する数値変数を指定してください", "result");
    if (c.empty("src")) return fail("対象の文字変数を入力してください", "src");
    return done("\t" + named('%', c.get("result")) + " = GETLEN " + named('$', c.get("src")) +
                "\r\n");
}
BuildResult buildStrSch(const FormReader& c) {
    if (c.empty("result")) return fail("結果を代入する数値変数を指定してください", "result");
    if (c.empty("src")) return fail("探索対象の文字変数を入力してください", "src");
    bool constSearch = c.choice("skind") == 1;
    sv searchId = constSearch ? "sconst" : "stext";
    if (c.empty(searchId)) return fail("探索する文字列を入力してください", searchId);
    bool constStart = c.choice("pkind") == 1;
    sv startId = constStart ? "pconst" : "pnum";
    if (c.empty(startId)) return fail("探索開始位置を入力してください", startId);
    if (!constStart && zero(c.get(startId)))
        return fail("探索開始位置の指定に誤りがあります。1>=取得文字数", startId);
    std::string search = constSearch ? named('#', c.get(searchId)) : "'" + c.get(searchId) + "'";
    std::string start = constStart ? named('#', c.get(startId)) : c.get(startId);
    return done("\t" + named('%', c.get("result")) + " = STRSCH " + named('$', c.get("src")) + "," +
                search + "," + start + "\r\n");
}
// A STRADD operand: a quoted literal, a string variable or a string constant as typed; any
// other text is taken as a literal and quoted.
std::string stringOperand(const std::string& s) {
    return sv("'$#").find(s[0]) != sv::npos ? s : "'" + s + "'";
}
BuildResult buildStrAdd(const FormReader& c) {
    if (c.empty("result")) return fail("結果を代入する文字変数を指定してください", "result");
    for (sv id : {"s1", "s2"})
        if (c.empty(id)) return fail("結合する文字列を入力してください", id);
    return done("\t" + named('$', c.get("result")) + " = STRADD " + stringOperand(c.get("s1")) +
                "," + stringOperand(c.get("s2")) + "\r\n");
}
// The two numeric variables of GETMPOS, GETWPOS and GETWSIZ.
BuildResult twoVariables(const FormReader& c, sv xMsg, sv yMsg, std::string& out) {
    if (c.empty("x")) return fail(xMsg, "x");
    if (c.empty("y")) return fail(yMsg, "y");
    out = named('%', c.get("x")) + "," + named('%', c.get("y")) + "\r\n";
    return done({});
}
BuildResult buildGetMpos(const FormReader& c) {
    std::string vars;
    if (BuildResult r = twoVariables(c, "X座標を代入する数値変数を指定してください",
                                     "Y座標を代入する数値変数を指定してください", vars);
        !r.ok)
        return r;
    return done("\tGETMPOS " + vars);
}
BuildResult buildWindowQuery(const FormReader& c, sv word, sv xMsg, sv yMsg) {
    if (c.empty("caption")) return fail("キャプション名を入力してください", "caption");
    std::string vars;
    if (BuildResult r = twoVariables(c, xMsg, yMsg, vars); !r.ok) return r;
    return done("\t" + std::string(word) + " '" + c.get("caption") + "' " + vars);
}
BuildResult buildGetWpos(const FormReader& c) {
    return buildWindowQuery(c, "GETWPOS", "X座標を代入する数値変数を指定してください",
                            "Y座標を代入する数値変数を指定してください");
}
BuildResult buildGetWsiz(const FormReader& c) {
    return buildWindowQuery(c, "GETWSIZ", "幅を代入する数値変数を指定してください",
                            "高さを代入する数値変数を指定してください");
}

namespace fields = form_fields;

// One row per statement, in catalogue order: its word, title, fields and builder.
constexpr std::array<FormSpec, 36> kForms = {{
    {"START", "START", fields::kNone, buildStart},
    {"END", "END", fields::kNone, buildEnd},
    {"label:", "Label:", fields::kLabel, buildLabel},
    {"IF", "IF～ELSE～ENDIF", fields::kIf, buildIf},
    {"DO", "DO～ENDDO", fields::kDo, buildDo},
    {"SELECT", "SELECT～CASE～ENDSELECT", fields::kSelect, buildSelect},
    {"EXIT", "EXIT", fields::kNone, buildExit},
    {"GOTO", "GOTO", fields::kGoto, buildGoto},
    {"WAIT", "WAIT", fields::kWait, buildWait},
    {"DEFINE", "DEFINE", fields::kDefine, buildDefine},
    {"OPEN", "OPEN", fields::kOpen, buildOpen, FileFilter::AnyFile},
    {"CLOSE", "CLOSE", fields::kFileNumber, buildClose},
    {"SET", "SET", fields::kSet, buildSet},
    {"READ", "READ", fields::kFileNumber, buildRead},
    {"MMOVE", "MMOVE", fields::kMmove, buildMmove},
    {"MCLK", "MCLK", fields::kButton, buildButton},
    {"MDCLK", "MDCLK", fields::kButton, buildButton},
    {"MDOWN", "MDOWN", fields::kButton, buildButton},
    {"MUP", "MUP", fields::kButton, buildButton},
    {"FOCUS", "FOCUS", fields::kCaption, buildCaptioned},
    {"EXECUTE", "EXECUTE", fields::kExecute, buildExecute, FileFilter::Program},
    {"KEY", "KEY", fields::kKey, buildKey},
    {"MTAB", "MTAB", fields::kMtab, buildMtab},
    {"WMOVE", "WMOVE", fields::kWmove, buildWmove, FileFilter::None, true},
    {"DESTROY", "DESTROY", fields::kCaption, buildCaptioned},
    {"WSIZE", "WSIZE", fields::kWsize, buildWsize, FileFilter::None, true},
    {"GETTIME", "GETTIME", fields::kGetTime, buildGetTime},
    {"GETDATE", "GETDATE", fields::kGetDate, buildGetDate},
    {"GETWEEK", "GETWEEK", fields::kGetWeek, buildGetWeek},
    {"GETSTR", "GETSTR", fields::kGetStr, buildGetStr},
    {"GETLEN", "GETLEN", fields::kGetLen, buildGetLen},
    {"STRSCH", "STRSCH", fields::kStrSch, buildStrSch},
    {"STRADD", "STRADD", fields::kStrAdd, buildStrAdd},
    {"GETMPOS", "GETMPOS", fields::kGetMpos, buildGetMpos},
    {"GETWPOS", "GETWPOS", fields::kGetWpos, buildGetWpos},
    {"GETWSIZ", "GETWSIZ", fields::kGetWsiz, buildGetWsiz},
}};

}  // namespace

const FormSpec* formFor(std::string_view word) {
    if (word == "label") word = "label:";
    for (const FormSpec& f : kForms)
        if (f.word == word) return &f;
    return nullptr;
}

BuildResult buildStatement(const FormSpec& form, const FormValues& values) {
    if (!form.build) return fail("", "");
    return form.build(FormReader(form, values));
}

}  // namespace orv::tools
