// The syntax errors of the last compile, read from comp.his, as marks for the editor of the
// compiled file: 1-based line -> the messages of that line.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace orv::app {

class MacroEditor;

using ErrorMarks = std::map<int, QStringList>;

struct CompileErrors {
    QString macroName;  // the name on the Compile-Start line (empty when there is none)
    ErrorMarks lines;   // "*<line> Line Error(<nnn>) <text>": line -> <text>
};

// The errors in the text of comp.his (decoded, with LF or CR LF line ends).
CompileErrors compileErrors(const QString& logText);
// The marks for the editor titled `title`; none when the log belongs to another file.
std::optional<ErrorMarks> errorMarksFor(const QString& logText, const QString& title);
// Reads comp.his (CP932) at `logPath` and gives `editor` its marks when the log is its file's:
// the frame calls this after every compile of that editor.
void markCompileErrors(MacroEditor& editor, const QString& logPath);

}  // namespace orv::app
