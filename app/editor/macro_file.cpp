#include "app/editor/macro_file.h"

#include <QFile>

#include "app/codec.h"
#include "platform/file_io.h"

namespace orv::app {

bool readMacroBytes(const QString& path, std::string& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    // A saved file is its text and one zero byte: a 65,535-byte text makes a 65,536-byte file.
    QByteArray data = f.read(static_cast<qint64>(kMaxMacroFile) + 2);
    if (data.size() > static_cast<qsizetype>(kMaxMacroFile) + 1) return false;
    qsizetype z = data.indexOf('\0');
    if (z >= 0) data.truncate(z);
    if (data.size() > static_cast<qsizetype>(kMaxMacroFile)) return false;
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

bool writeMacroBytes(const QString& path, const std::string& bytes) {
    std::string withZero = bytes;
    withZero.push_back('\0');
    return writeFileAtomic(QFile::encodeName(path).toStdString(), withZero);
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
                out += QChar(char16_t(0xF70D));
            }
        } else if (c == '\n') {
            out += crlf ? QChar(char16_t(0xF70A)) : QChar('\n');
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace orv::app
