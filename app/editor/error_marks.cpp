#include "app/editor/error_marks.h"

#include <QFile>

#include "app/check/check_result.h"
#include "app/codec.h"
#include "app/editor/macro_editor.h"

namespace orv::app {

CompileErrors compileErrors(const QString& logText) {
    QString text = logText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split('\n');
    CompileErrors out;
    for (int i = 0; i < lines.size(); ++i) {
        QString name;
        int line1 = 0;
        if (compileStartName(lines[i], name)) {
            // The log holds one compile; should it hold more, the last one counts.
            out.macroName = name;
            out.lines.clear();
        } else if (errorLineTarget(lines, i, line1, name) && line1 > 0) {
            out.lines[line1] << errorLineMessage(lines[i]).trimmed();
        }
    }
    return out;
}

std::optional<ErrorMarks> errorMarksFor(const QString& logText, const QString& title) {
    CompileErrors e = compileErrors(logText);
    if (e.macroName.isEmpty() || e.macroName != title) return std::nullopt;
    return std::move(e.lines);
}

void markCompileErrors(MacroEditor& editor, const QString& logPath) {
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QByteArray data = f.readAll();
    const QString text =
        fromCp932(std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
    if (auto marks = errorMarksFor(text, editor.windowTitle())) editor.setErrorMarks(*marks);
}

}  // namespace orv::app
