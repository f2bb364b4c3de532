// The compile driver: clears the tables, writes comp.his, runs the statement
// parser, checks the finished rows and reports the outcome through the host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile_host.h"
#include "compiler/compile_log.h"
#include "lang/tables.h"

namespace orv {

struct CompileRequest {
    std::string_view text;             // the macro text (CP932 bytes)
    std::string fileName;              // the macro file name as shown in the log (CP932)
    int mode = MODE_CHECK;             // what follows a successful compile (MODE_*)
    std::string logPath = "comp.his";  // where the result log is written
    std::optional<TimeOfDay> now;      // time of the start line; local time when unset
};

// Runs the whole compile, from clearing the tables to starting the run. Returns true when the
// compile succeeded.
bool compile(Tables& tables, const CompileRequest& request, CompileHost& host);

// The compile without the host's GUI steps, for tests and tools: returns success and leaves
// the log's bytes in *logText when given.
bool compileText(Tables& tables, std::string_view text, std::string* logText = nullptr,
                 const std::string& fileName = "test.ovm");

}  // namespace orv
