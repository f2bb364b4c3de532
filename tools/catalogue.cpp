#include "tools/catalogue.h"

#include <array>

namespace orv::tools {

namespace {

constexpr std::array<StatementInfo, 9> kControl = {{
    {"START", "マクロの先頭に記述する開始を表す制御文", "構文:START"},
    {"END", "マクロの終了を表す制御文", "構文:END"},
    {"label:", "GOTO制御文の飛び先LABEL定義", "構文:Label名:"},
    {"IF", "単一条件分岐",
     "構文:IF (条件式) ～ [ELSE ～] ENDIF\r\n"
     "条件式:(式 比較演算子 式) [{AND | OR} (式 比較演算子 式)]...\r\n"
     "比較演算子:== > >= < <= <>  式:{変数 | 定数 | n | '文字列' | &&n | EOF}"},
    {"DO", "反復制御",
     "構文:DO (条件式) ～ ENDDO\r\n"
     "条件式が成立する間、DOからENDDOまでを繰り返す\r\n"
     "条件式:IFと同じ"},
    {"SELECT", "複数条件分岐",
     "構文:SELECT 変数\r\n"
     "      CASE {'文字列' | n | 定数 | 変数} ～ [EXIT]\r\n"
     "      ENDSELECT"},
    {"EXIT", "反復制御/複数条件分岐の終了", "構文:EXIT"},
    {"GOTO", "特定ラベルへの無条件JUMP", "構文:GOTO Label名"},
    {"WAIT", "一定時間処理停止", "構文:WAIT {n | 数値変数 | 数値定数} [nはﾐﾘsec]"},
}};

constexpr std::array<StatementInfo, 1> kDeclare = {{
    {"DEFINE", "変数／定数宣言",
     "構文:DEFINE #定数名 {'文字列' | n}\r\n"
     "構文:DEFINE {$文字変数名 | %数値変数名}[,...]\r\n"
     "(STARTより前に記述)"},
}};

constexpr std::array<StatementInfo, 4> kFiles = {{
    {"OPEN", "ファイルのオープン",
     "構文:OPEN 'filename' AS &&n\r\n"
     "(filenameはFull Pathで指定、&&nはファイル番号)"},
    {"CLOSE", "ファイルのクローズ", "構文:CLOSE &&n"},
    {"SET", "読み込みフィールド設定", "構文:SET 変数 AS ﾌｨｰﾙﾄﾞ番号 FROM &&n"},
    {"READ", "ファイルの読み込み", "構文:READ &&n"},
}};

constexpr std::array<StatementInfo, 12> kCommands = {{
    {"MMOVE", "マウスの移動",
     "構文:MMOVE X座標,Y座標\r\n"
     "座標:{n | 数値変数 | 数値定数 | NOW} (+,-を付けると相対座標)"},
    {"MCLK", "マウスクリック", "構文:MCLK {L | R | C}\r\n(L:左ﾎﾞﾀﾝ R:右ﾎﾞﾀﾝ C:中ﾎﾞﾀﾝ)"},
    {"MDCLK", "マウスダブルクリック", "構文:MDCLK {L | R | C}\r\n(L:左ﾎﾞﾀﾝ R:右ﾎﾞﾀﾝ C:中ﾎﾞﾀﾝ)"},
    {"MDOWN", "マウスボタン押下", "構文:MDOWN {L | R | C}\r\n(L:左ﾎﾞﾀﾝ R:右ﾎﾞﾀﾝ C:中ﾎﾞﾀﾝ)"},
    {"MUP", "マウスボタン解放", "構文:MUP {L | R | C}\r\n(L:左ﾎﾞﾀﾝ R:右ﾎﾞﾀﾝ C:中ﾎﾞﾀﾝ)"},
    {"FOCUS", "特定ウインドウアクティブ化",
     "構文:FOCUS 'ｷｬﾌﾟｼｮﾝ名'\r\n(ｷｬﾌﾟｼｮﾝが完全に一致するウインドウ)"},
    {"EXECUTE", "外部プログラム呼び出し", "構文:EXECUTE 'filename'(filenameはFull Pathで指定)"},
    {"KEY", "特定キーの押下・文字入力",
     "構文:KEY ｷｰ名[,ｷｰ名[,ｷｰ名]]  KEY {'文字列' | 文字定数}[,ｷｰ名[,ｷｰ名]]\r\n"
     "構文:KEY {文字変数 | 数値変数}\r\n"
     "ｷｰ名:SFT CTRL ALT ENTER INS DEL HOME END PUP PDN ESC UP DOWN RIGHT LEFT SPACE "
     "F1～F12 0～9 a～z A～Z"},
    {"MTAB", "TAB KEY押下", "構文:MTAB {n | 数値変数 | 数値定数} [nは回数]"},
    {"WMOVE", "特定Window移動",
     "構文:WMOVE 'ｷｬﾌﾟｼｮﾝ名' X座標,Y座標\r\n"
     "座標:{n | 数値変数 | 数値定数 | NOW} (+,-を付けると相対座標)"},
    {"DESTROY", "外部プログラム終了",
     "構文:DESTROY 'ｷｬﾌﾟｼｮﾝ名'\r\n(ｷｬﾌﾟｼｮﾝが完全に一致するウインドウを閉じる)"},
    {"WSIZE", "特定Windowサイズ変更",
     "構文:WSIZE 'ｷｬﾌﾟｼｮﾝ名' 幅,高さ\r\n"
     "幅,高さ:{n | 数値変数 | 数値定数 | KEEP} (+,-を付けると相対指定)"},
}};

constexpr std::array<StatementInfo, 10> kFunctions = {{
    {"GETTIME", "時刻取得",
     "構文:文字変数 = GETTIME [{+ | -}hh:mm:ss] [文字変数]\r\n"
     "現在時刻または文字変数の時刻(hh:mm:ss)に相対時刻を加減した時刻"},
    {"GETDATE", "日取得",
     "構文:文字変数 = GETDATE [{+ | -}yyyy/mm/dd] [文字変数]\r\n"
     "今日または文字変数の日付(yyyy/mm/dd)に相対日を加減した日付"},
    {"GETWEEK", "日取得",
     "構文:数値変数 = GETWEEK [{+ | -}yyyy/mm/dd] [文字変数]\r\n"
     "曜日を0(日曜)～6(土曜)で返す"},
    {"GETSTR", "部分文字列取得",
     "構文:文字変数 = GETSTR 文字変数,開始位置,文字数\r\n"
     "開始位置,文字数:{n | 数値変数 | 数値定数} (ﾊﾞｲﾄ単位)"},
    {"GETLEN", "文字長取得", "構文:数値変数 = GETLEN 文字変数"},
    {"STRSCH", "文字列探索",
     "構文:数値変数 = STRSCH 文字変数,検索文字列,開始位置\r\n"
     "検索文字列:{'文字列' | 文字変数 | 文字定数}  見つからないときは0"},
    {"STRADD", "文字列結合",
     "構文:文字変数 = STRADD 文字列1,文字列2\r\n"
     "文字列:{'文字列' | 文字変数 | 文字定数}"},
    {"GETMPOS", "現在のカーソル座標取得", "構文:GETMPOS 数値変数,数値変数\r\n(X座標,Y座標を格納)"},
    {"GETWPOS", "特定ウインドウの左上部座標取得",
     "構文:GETWPOS 'ｷｬﾌﾟｼｮﾝ名' 数値変数,数値変数\r\n(左上のX座標,Y座標を格納)"},
    {"GETWSIZ", "特定ウインドウのサイズ取得",
     "構文:GETWSIZ 'ｷｬﾌﾟｼｮﾝ名' 数値変数,数値変数\r\n(幅,高さを格納)"},
}};

constexpr std::array<Category, 5> kCategories = {{
    {"制御文", kControl},
    {"宣言", kDeclare},
    {"ファイル制御", kFiles},
    {"コマンド", kCommands},
    {"関数", kFunctions},
}};

}  // namespace

std::span<const Category> categories() {
    return kCategories;
}

const StatementInfo* statementAt(int category, int command) {
    if (category < 1 || category > static_cast<int>(kCategories.size()) || command < 1)
        return nullptr;
    const Category& c = kCategories[static_cast<std::size_t>(category - 1)];
    if (command > static_cast<int>(c.statements.size())) return nullptr;
    return &c.statements[static_cast<std::size_t>(command - 1)];
}

const StatementInfo* findStatement(std::string_view word, int* category) {
    if (word == "label") word = "label:";
    for (std::size_t c = 0; c < kCategories.size(); ++c) {
        for (const StatementInfo& s : kCategories[c].statements) {
            if (s.word != word) continue;
            if (category) *category = static_cast<int>(c) + 1;
            return &s;
        }
    }
    return nullptr;
}

std::string displaySyntax(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        out += stored[i];
        if (stored[i] == '&' && i + 1 < stored.size() && stored[i + 1] == '&') ++i;
    }
    return out;
}

}  // namespace orv::tools
