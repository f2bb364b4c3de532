// The row executor: carries out one hMacro row and returns the index of the next row, or -1
// to end the run. prepare() decodes every row of hMacro and hCal once into plain structs
// (codes, jump targets, operands, captions, key codes, result rows, offsets), so that no
// command reads a table cell at run time; values are read through one accessor per operand.
// A numeric shadow of the hVal values keeps numbers written by calculations as ints; every
// such value is turned back into its decimal text before anyone else can look at hVal
// (flush()), so the tables read exactly as if each value had been stored as text at each step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "executor/calendar.h"
#include "executor/open_files.h"
#include "executor/run_host.h"
#include "executor/run_record.h"
#include "lang/tables.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace orv {

class RowExecutor {
  public:
    // `sleep` pauses for a number of milliseconds and may return early on a stop request.
    using Sleeper = std::function<void(int ms)>;

    RowExecutor(Tables& tables, OpenFiles& files, Desktop& desktop, Clock& clock, RunHost& host,
                const RunSettings& settings);

    void setSleeper(Sleeper s) { sleep_ = std::move(s); }
    // Asked now and then during long key sequences: true when the run should stop.
    void setCancel(std::function<bool()> c) { cancel_ = std::move(c); }
    // Decodes the tables; call after every compile and before a run continues.
    void prepare();
    bool prepared() const { return prepared_; }
    void invalidate() { prepared_ = false; }
    int rowCount() const { return count_; }
    // 0-based source line of a row, or -1 for "-" (and for a row out of range).
    int lineOf(int row) const {
        return row < 0 || row >= count_ ? -1 : rows_[static_cast<std::size_t>(row)].line;
    }
    bool lineIsDash(int row) const {
        return row < 0 || row >= count_ || rows_[static_cast<std::size_t>(row)].dash;
    }

    // Executes one row; returns the next row or -1.
    int execute(int row);
    // Writes every value held only as a number back into hVal as text.
    void flush();
    // Releases every key and mouse button that rows pressed and did not release (MDOWN,
    // MTAB), so that no run leaves one held down.
    void releaseHeld();

  private:
    // One operand as decoded: a value of hVal (its row) or a literal (its text and number).
    // Which of the two it is was decided when the row was decoded, by the rule of the
    // instruction it belongs to.
    struct Operand {
        bool isVar = false;
        int index = -1;        // hVal row of a variable
        std::int32_t num = 0;  // the literal's number
        std::string text;      // the literal's text (the file number for KIND_FILE)
        int kind = 0;          // conditions and calculations: the kind cell (KIND_*)
    };
    struct DRow;
    // A decoder fills the fields its instruction uses; a handler carries out its row and
    // returns the next row or -1.
    using DecodeStep = void(int row, DRow& d);
    using Handler = int(int row, const DRow& d);
    using Decoder = DecodeStep RowExecutor::*;
    using Runner = Handler RowExecutor::*;
    // A decoded hMacro row. Which fields a row uses depends on its instruction.
    struct DRow {
        Runner run = &RowExecutor::doNext;  // the handler of the row's instruction
        int code = -1;
        int line = -1;  // -1 for "-"
        bool dash = false;
        int next = -1;
        int go = -1;   // IF and GOTO: jump target; CALC: first hCal row
        int op = -1;   // IF: comparison (CMP_*)
        int type = 0;  // IF: comparison type when fixed at decode time, else 0
        // IF: both sides; MMOVE, WMOVE, WSIZE: x and y; WAIT, MTAB: the count (a); KEY: the
        // text to type (a); GETSTR: start and count; STRSCH: search text and start; STRADD:
        // both texts.
        Operand a, b;
        int modeX = 0, modeY = 0;  // coordinate modes as written (COORD_*)
        // hVal rows written: a function's result (out); GETMPOS, GETWPOS, GETWSIZ: x and y.
        int out = -1, out2 = -1;
        // hVal row read: the text of GETSTR, GETLEN, STRSCH; the base of GETTIME, GETDATE,
        // GETWEEK (unless fromClock); the variable SET binds.
        int src = -1;
        bool fromClock = false;
        calendar::Offset offset;  // GETTIME, GETDATE, GETWEEK
        // Captions, the EXECUTE command line, the file number of OPEN, CLOSE, READ and SET.
        std::string name;
        std::string name2;       // OPEN: the file; SET: the field number
        bool hasButton = false;  // MCLK, MDCLK, MDOWN, MUP
        MouseButton button = MouseButton::Left;
        bool typeText = false;  // KEY: type text(a) before the keys
        std::vector<int> keys;  // KEY: held together, released in the same order
    };
    struct DCal {
        int left = -1;
        Operand r1, r2;
        int op = -1;  // CALC_*, kCopy for "=", -1 unknown
    };
    static constexpr int kCopy = 0;
    // Where a value of hVal is held: as text only, as text and number, or as a number whose
    // text is stale.
    enum class Held : std::uint8_t { Text, Both, Number };
    struct Shadow {
        std::int32_t num = 0;
        Held held = Held::Text;
    };
    // What each instruction code has: a decoder and a handler.
    struct Instruction {
        Decoder decode;
        Runner run;
    };
    static const Instruction kInstructions[];

    // Values of hVal rows.
    const std::string& valueText(int idx);
    std::int32_t valueNum(int idx);
    void setNum(int idx, std::int32_t v);
    void setText(int idx, std::string_view v);
    void copyValue(int dst, int src);
    // The one way to read an operand at run time.
    std::int32_t num(const Operand& o) { return o.isVar ? valueNum(o.index) : o.num; }
    const std::string& text(const Operand& o) { return o.isVar ? valueText(o.index) : o.text; }
    int findName(std::string_view name) const;

    // Decoding (row_decode.cpp). The three operand rules: by the kind (conditions and
    // calculations), numbers of desktop commands, operands of KEY and the string functions.
    static Operand byKind(std::string_view value, std::string_view kind);
    static Operand desktopNumber(std::string_view value, std::string_view kind);
    static Operand functionOperand(std::string_view value, std::string_view kind);
    std::string_view cell(int row, int col) const { return t_.hMacro.cell(row, col); }
    DecodeStep decodeRow, decodeCondition, decodeCoords, decodeWindowCoords, decodeButton,
        decodeCount, decodeKey, decodeName, decodeTargets, decodeWindowQuery, decodeOpen, decodeSet,
        decodeCalendar, decodeGetStr, decodeStrAdd;
    void decodeNone(int, DRow&) {}
    void decodeCal(int r, DCal& c);

    int fail(int row, const std::string& message);
    int doNext(int, const DRow& d) { return d.next; }
    int doEnd(int, const DRow&) { return -1; }
    int doGoto(int, const DRow& d) { return d.go; }

    // Conditions and calculations (row_executor.cpp).
    Handler doCondition, compareTexts, doCalc;
    // Desktop commands (desktop_commands.cpp).
    Handler doMmove, doButton, doWait, doMtab, doKey, doFocusDestroy, doExecute, doWindowSet,
        doWindowGet, doGetMpos;
    const WindowInfo* findWindow(const std::vector<WindowInfo>& list, const std::string& caption);
    // The one way rows press and release keys and buttons: the desktop event, and the note
    // of what is held.
    void keyEvent(int vk, bool down);
    void buttonEvent(MouseButton button, bool down);
    // CSV commands (csv_commands.cpp).
    Handler doOpen, doClose, doSet, doRead;
    void bindFields();
    void assignFields(const std::string& fileNumber, std::string_view record);
    // Functions (function_commands.cpp).
    Handler doGetTime, doGetDate, doGetStr, doGetLen, doStrSch, doStrAdd;
    calendar::Error baseDate(const DRow& d, calendar::Date& date);
    int calendarFailure(int row, const DRow& d, calendar::Error e);

    Tables& t_;
    OpenFiles& files_;
    Desktop& desk_;
    Clock& clock_;
    RunHost& host_;
    const RunSettings& settings_;
    Sleeper sleep_;
    std::function<bool()> cancel_;
    bool prepared_ = false;
    int count_ = 0;  // rows_.size()
    std::vector<DRow> rows_;
    std::vector<DCal> cals_;
    std::vector<Shadow> sh_;
    // READ's field bindings: file name -> (field number -> first hVal row); rebuilt when SET,
    // OPEN or CLOSE change hVal.
    std::unordered_map<std::string, std::vector<int>> bindings_;
    bool bindingsValid_ = false;
    mutable int lastFound_ = -1;
    // Keys (in the order pressed) and buttons held down by the rows.
    std::vector<int> heldKeys_;
    std::vector<MouseButton> heldButtons_;
};

}  // namespace orv
