// The fields of every insertion form and their option lists, as constant tables; the form
// table of statement_builder.cpp puts each beside its builder. Only tools/ includes this.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "lang/key_names.h"
#include "tools/statement_forms.h"

namespace orv::tools::form_fields {

using T = FieldType;
using sv = std::string_view;

// ---- option lists ----
inline constexpr std::array<sv, 3> kSource = {"数値指定", "定数指定", "変数指定"};
inline constexpr std::array<sv, 3> kCoordMode = {"絶対座標", "相対座標", "現在座標を保持"};
inline constexpr std::array<sv, 3> kWidthMode = {"絶対幅", "相対幅", "現在幅を保持"};
inline constexpr std::array<sv, 3> kHeightMode = {"絶対高", "相対高", "現在高さを保持"};
inline constexpr std::array<sv, 2> kSign = {"+", "-"};
inline constexpr std::array<sv, 3> kButtons = {"LEFT", "CENTER", "RIGHT"};
inline constexpr std::array<sv, 4> kDefineKinds = {"文字定数定義", "数値定数定義", "文字変数定義",
                                                   "数値変数定義"};
inline constexpr std::array<sv, 3> kKeySource = {"KEY入力", "変数/定数", "文字列"};
inline constexpr std::array<sv, 2> kTimeWhen = {"現在時刻指定", "相対時刻指定"};
inline constexpr std::array<sv, 2> kDateWhen = {"現在日指定", "相対日指定"};
inline constexpr std::array<sv, 2> kWeekWhen = {"現在曜日指定", "相対曜日指定"};
inline constexpr std::array<sv, 2> kSearchKind = {"文字指定", "文字定数指定"};
inline constexpr std::array<sv, 2> kStartKind = {"数値指定", "数値定数指定"};
// The KEY combos: "(NO SET)", then every key name in list order.
inline constexpr std::array<sv, kKeyNameCount + 1> kKeys = [] {
    std::array<sv, kKeyNameCount + 1> t{};
    t[0] = "(NO SET)";
    for (std::size_t i = 0; i < kKeyNameCount; ++i) t[i + 1] = kKeyNames[i].name;
    return t;
}();

constexpr unsigned bit(int i) {
    return 1u << i;
}

// ---- forms ----
inline constexpr std::array<FieldSpec, 0> kNone = {};
inline constexpr std::array<FieldSpec, 1> kLabel = {{{"name", "LABEL名", T::Text}}};
inline constexpr std::array<FieldSpec, 2> kIf = {{
    {"cond", "条件式", T::Text},
    {"else", "ELSE文の生成", T::Check, {}, "0"},
}};
inline constexpr std::array<FieldSpec, 1> kDo = {{{"cond", "反復条件式", T::Text}}};
inline constexpr std::array<FieldSpec, 7> kSelect = {{
    {"var", "比較対照変数", T::Text},
    {"v1", "比較変数1or定数1", T::Text},
    {"v2", "比較変数2or定数2", T::Text},
    {"v3", "比較変数3or定数3", T::Text},
    {"v4", "比較変数4or定数4", T::Text},
    {"v5", "比較変数5or定数5", T::Text},
    {"v6", "比較変数6or定数6", T::Text},
}};
inline constexpr std::array<FieldSpec, 1> kGoto = {{{"label", "LABEL名", T::Text}}};
inline constexpr std::array<FieldSpec, 4> kWait = {{
    {"src", "", T::Choice, kSource, "0"},
    {"num", "指定ﾐﾘ秒", T::Digits, {}, "", "src", bit(0)},
    {"const", "#", T::Text, {}, "", "src", bit(1)},
    {"var", "%", T::Text, {}, "", "src", bit(2)},
}};
inline constexpr std::array<FieldSpec, 3> kDefine = {{
    {"kind", "", T::Choice, kDefineKinds, "0"},
    {"name", "名前", T::Text},
    {"value", "値", T::Text, {}, "", "kind", bit(0) | bit(1)},
}};
inline constexpr std::array<FieldSpec, 2> kOpen = {{
    {"file", "ファイル名", T::File},
    {"num", "ファイル番号 &", T::Digits},
}};
inline constexpr std::array<FieldSpec, 1> kFileNumber = {{{"num", "ファイル番号 &", T::Digits}}};
inline constexpr std::array<FieldSpec, 3> kSet = {{
    {"var", "変数名", T::Text},
    {"field", "フィールド番号", T::Digits, {}, "1"},
    {"num", "ファイル番号 &", T::Digits},
}};
inline constexpr std::array<FieldSpec, 12> kMmove = {{
    {"xmode", "X座標", T::Choice, kCoordMode, "0"},
    {"xsrc", "", T::Choice, kSource, "0", "xmode", bit(0) | bit(1)},
    {"xsign", "", T::Combo, kSign, "+", "xmode", bit(1)},
    {"xnum", "", T::Digits, {}, "", "xsrc", bit(0)},
    {"xconst", "#", T::Text, {}, "", "xsrc", bit(1)},
    {"xvar", "%", T::Text, {}, "", "xsrc", bit(2)},
    {"ymode", "Y座標", T::Choice, kCoordMode, "0"},
    {"ysrc", "", T::Choice, kSource, "0", "ymode", bit(0) | bit(1)},
    {"ysign", "", T::Combo, kSign, "+", "ymode", bit(1)},
    {"ynum", "", T::Digits, {}, "", "ysrc", bit(0)},
    {"yconst", "#", T::Text, {}, "", "ysrc", bit(1)},
    {"yvar", "%", T::Text, {}, "", "ysrc", bit(2)},
}};
// A form for a window by its caption: the caption first, then `fields`.
template <std::size_t N>
constexpr std::array<FieldSpec, N + 1> withCaption(const std::array<FieldSpec, N>& fields) {
    std::array<FieldSpec, N + 1> out{};
    out[0] = {"caption", "ｷｬﾌﾟｼｮﾝ名", T::Caption};
    for (std::size_t i = 0; i < N; ++i) out[i + 1] = fields[i];
    return out;
}
inline constexpr auto kWmove = withCaption(kMmove);
inline constexpr std::array<FieldSpec, 7> kWsize = {{
    {"caption", "ｷｬﾌﾟｼｮﾝ名", T::Caption},
    {"wmode", "ｳｲﾝﾄﾞｳの幅", T::Choice, kWidthMode, "0"},
    {"wsign", "", T::Combo, kSign, "+", "wmode", bit(1)},
    {"wnum", "", T::Digits, {}, "", "wmode", bit(0) | bit(1)},
    {"hmode", "ｳｲﾝﾄﾞｳ高さ", T::Choice, kHeightMode, "0"},
    {"hsign", "", T::Combo, kSign, "+", "hmode", bit(1)},
    {"hnum", "", T::Digits, {}, "", "hmode", bit(0) | bit(1)},
}};
inline constexpr std::array<FieldSpec, 1> kButton = {{{"button", "", T::Choice, kButtons, "0"}}};
inline constexpr std::array<FieldSpec, 1> kCaption = {{{"caption", "ｷｬﾌﾟｼｮﾝ名", T::Caption}}};
inline constexpr std::array<FieldSpec, 1> kExecute = {{{"file", "ファイル名", T::File}}};
inline constexpr std::array<FieldSpec, 6> kKey = {{
    {"src", "", T::Choice, kKeySource, "0"},
    {"k1", "KEY1", T::Combo, kKeys, "(NO SET)", "src", bit(0)},
    {"k2", "KEY2", T::Combo, kKeys, "(NO SET)", "src", bit(0)},
    {"k3", "KEY3", T::Combo, kKeys, "(NO SET)", "src", bit(0)},
    {"name", "変数/定数", T::Text, {}, "", "src", bit(1)},
    {"text", "文字列", T::Text, {}, "", "src", bit(2)},
}};
inline constexpr std::array<FieldSpec, 4> kMtab = {{
    {"src", "", T::Choice, kSource, "0"},
    {"num", "指定回数", T::Digits, {}, "", "src", bit(0)},
    {"const", "#", T::Text, {}, "", "src", bit(1)},
    {"var", "%", T::Text, {}, "", "src", bit(2)},
}};
// GETTIME, GETDATE and GETWEEK: the result variable, now or relative, and a signed offset of
// three parts.
constexpr std::array<FieldSpec, 6> whenForm(sv result, std::span<const sv> when, sv a, sv b, sv c) {
    return {{
        {"result", result, T::Text},
        {"when", "", T::Choice, when, "0"},
        {"sign", "", T::Combo, kSign, "+", "when", bit(1)},
        {"a", a, T::Digits, {}, "", "when", bit(1)},
        {"b", b, T::Digits, {}, "", "when", bit(1)},
        {"c", c, T::Digits, {}, "", "when", bit(1)},
    }};
}
inline constexpr auto kGetTime = whenForm("代入文字変数 $", kTimeWhen, "hh", "mm", "ss");
inline constexpr auto kGetDate = whenForm("代入文字変数 $", kDateWhen, "yyyy", "mm", "dd");
inline constexpr auto kGetWeek = whenForm("代入数値変数 %", kWeekWhen, "yyyy", "mm", "dd");
inline constexpr std::array<FieldSpec, 4> kGetStr = {{
    {"result", "代入文字変数 $", T::Text},
    {"src", "対象文字変数 $", T::Text},
    {"start", "開始位置", T::Text},
    {"count", "取得文字数", T::Text},
}};
inline constexpr std::array<FieldSpec, 2> kGetLen = {{
    {"result", "代入数値変数 %", T::Text},
    {"src", "対象文字変数 $", T::Text},
}};
inline constexpr std::array<FieldSpec, 8> kStrSch = {{
    {"result", "設定数値変数 %", T::Text},
    {"src", "対象文字変数 $", T::Text},
    {"skind", "検索文字列", T::Choice, kSearchKind, "0"},
    {"stext", "", T::Text, {}, "", "skind", bit(0)},
    {"sconst", "#", T::Text, {}, "", "skind", bit(1)},
    {"pkind", "探索開始文字位置", T::Choice, kStartKind, "0"},
    {"pnum", "", T::Digits, {}, "", "pkind", bit(0)},
    {"pconst", "#", T::Text, {}, "", "pkind", bit(1)},
}};
inline constexpr std::array<FieldSpec, 3> kStrAdd = {{
    {"result", "格納文字変数 $", T::Text},
    {"s1", "結合文字列1", T::Text},
    {"s2", "結合文字列2", T::Text},
}};
inline constexpr std::array<FieldSpec, 2> kGetMpos = {{
    {"x", "X座標格納数値変数 %", T::Text},
    {"y", "Y座標格納数値変数 %", T::Text},
}};
inline constexpr auto kGetWpos = withCaption(kGetMpos);
inline constexpr std::array<FieldSpec, 3> kGetWsiz = {{
    {"caption", "ｷｬﾌﾟｼｮﾝ名", T::Caption},
    {"x", "現在幅格納数値変数 %", T::Text},
    {"y", "現在高格納数値変数 %", T::Text},
}};

}  // namespace orv::tools::form_fields
