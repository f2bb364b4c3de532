#include "app/editor/macro_file.h"

#include <QFile>

#include "app/codec.h"
#include "platform/file_io.h"

namespace orv::app {

bool readMacroBytes(const QString& path, std::string& bytes) {
    return readMacroText(QFile::encodeName(path).toStdString(), bytes) == MacroRead::Ok;
}

bool writeMacroBytes(const QString& path, const std::string& bytes, QString* why) {
    std::string withZero = bytes;
    withZero.push_back('\0');
    std::string error;
    if (writeFileAtomic(QFile::encodeName(path).toStdString(), withZero, &error)) return true;
    if (why) *why = QString::fromLocal8Bit(error.c_str());
    return false;
}

QString editorTextFromBytes(const std::string& bytes, bool& crlf) {
    QString t = fromCp932(bytes);
    crlf = bytes.find("\r\n") != std::string::npos || bytes.find('\n') == std::string::npos;
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        QChar c = t[i];
        if (c == '\r') {
            bool pair = i + 1 < t.size() && t[i + 1] == '\n';
            if (crlf && pair) {
                out += '\n';
                ++i;
            } else {
                out += escapedByte('\r');
            }
        } else if (c == '\n') {
            out += crlf ? escapedByte('\n') : QChar('\n');
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace orv::app
