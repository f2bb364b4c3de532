// The row executor: carries out one hMacro row and returns the index of the
// next row, or -1 to end the run. prepare() decodes hMacro and hCal once into
// compact arrays (codes, jump targets, operand kinds, literal numbers) and sets
// up a numeric shadow of the hVal values; every value written as a number is
// turned back into its decimal text before anyone else can look at hVal
// (flush()), so the tables read exactly as if each value had been stored as
// text at each step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // 0-based source line of a row, or -1 for "-" (and for a row out of range).
    int lineOf(int row) const {
        return row < 0 || row >= rowCount() ? -1 : rows_[static_cast<std::size_t>(row)].line;
    }
    bool lineIsDash(int row) const {
        return row < 0 || row >= rowCount() || rows_[static_cast<std::size_t>(row)].dash;
    }

    // Executes one row; returns the next row or -1.
    int execute(int row);
    // Writes every value held only as a number back into hVal as text.
    void flush();

  private:
    struct Operand {
        int kind = 0;          // the kind cell as a number
        int index = -1;        // hVal row for kind 6
        std::int32_t num = 0;  // the literal's number
        std::string text;      // the literal's text (or file name for kind 7)
    };
    struct DRow {
        int code = -1;
        int line = -1;  // -1 for "-"
        bool dash = false;
        int next = -1;
        int go = -1;  // jump target / first hCal row
        // Conditional row.
        Operand a, b;
        int op = -1;
        int type = 0;  // comparison type when fixed at decode time, else 0
    };
    struct DCal {
        int left = -1;
        Operand r1, r2;
        int op = -1;  // 0 for "=", 6..9, -1 unknown
    };
    struct Shadow {
        std::int32_t num = 0;
        std::uint8_t state = 0;  // 0 text only, 1 text and number, 2 number only (text stale)
    };

    // Values of hVal rows.
    const std::string& text(int idx);
    std::int32_t num(int idx);
    void setNum(int idx, std::int32_t v);
    void setText(int idx, std::string_view v);
    void copyValue(int dst, int src);
    std::int32_t operandNum(const Operand& o);
    std::string operandText(const Operand& o);
    // Numeric operand of a desktop command: kind "2" literal, otherwise an hVal index.
    std::int32_t cellNum(std::string_view value, std::string_view kind);
    std::string_view cellText(int row, int col) const;
    int findName(std::string_view name) const;

    int fail(int row, const std::string& message);
    int next(int row) const;

    int doCondition(int row);
    int doCalc(int row);
    int doMmove(int row);
    int doButton(int row, int code);
    int doWait(int row);
    int doKey(int row);
    int doMtab(int row);
    int doFocusDestroy(int row, bool destroy);
    int doWindow(int row, int code);
    int doGetMpos(int row);
    int doOpen(int row);
    int doClose(int row);
    int doSet(int row);
    int doRead(int row);
    int doGetTime(int row);
    int doGetDate(int row, bool week);
    int doGetStr(int row);
    int doGetLen(int row);
    int doStrSch(int row);
    int doStrAdd(int row);

    Tables& t_;
    OpenFiles& files_;
    Desktop& desk_;
    Clock& clock_;
    RunHost& host_;
    const RunSettings& settings_;
    Sleeper sleep_;
    std::function<bool()> cancel_;
    bool prepared_ = false;
    std::vector<DRow> rows_;
    std::vector<DCal> cals_;
    std::vector<Shadow> sh_;
    // READ's field bindings: file name -> (field number -> first hVal row); rebuilt when SET,
    // OPEN or CLOSE change hVal.
    std::unordered_map<std::string, std::vector<int>> bindings_;
    bool bindingsValid_ = false;
    mutable int lastFound_ = -1;
};

}  // namespace orv
