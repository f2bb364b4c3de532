#include "app/codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "lang/text.h"

namespace orv::app {

namespace {

bool isTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Decodes one character of 1 or 2 bytes; an empty result means "escape these bytes".
QString decodeChar(std::string_view b) {
    std::string utf8 = cp932ToUtf8(b);
    QString q = QString::fromUtf8(utf8);
    if (q.contains(QChar(0xFFFD))) return {};
    auto back = utf8ToCp932(utf8);
    if (!back || *back != b) return {};
    return q;
}

}  // namespace

QString fromCp932(std::string_view bytes) {
    // Fast path: the whole text converts and converts back unchanged.
    std::string utf8 = cp932ToUtf8(bytes);
    auto back = utf8ToCp932(utf8);
    if (back && *back == bytes) return QString::fromUtf8(utf8);

    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += QChar(c);
            ++i;
            continue;
        }
        std::size_t len = 1;
        if (isCp932LeadByte(c) && i + 1 < bytes.size() &&
            isTrail(static_cast<unsigned char>(bytes[i + 1])))
            len = 2;
        QString ch = decodeChar(bytes.substr(i, len));
        if (ch.isEmpty()) {
            out += escapedByte(c);
            ++i;
            continue;
        }
        out += ch;
        i += len;
    }
    return out;
}

std::string toCp932(const QString& text, bool* lossy) {
    if (lossy) *lossy = false;
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    QString run;
    auto flush = [&] {
        if (run.isEmpty()) return;
        QByteArray u = run.toUtf8();
        auto cp = utf8ToCp932(std::string_view(u.constData(), static_cast<std::size_t>(u.size())));
        if (cp) {
            out += *cp;
        } else {
            if (lossy) *lossy = true;
            out += utf8ToCp932Lossy(
                std::string_view(u.constData(), static_cast<std::size_t>(u.size())));
        }
        run.clear();
    };
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        if (u >= kEscapeBase && u <= kEscapeBase + 0xFF) {
            flush();
            out += static_cast<char>(u - kEscapeBase);
        } else {
            run += ch;
        }
    }
    flush();
    return out;
}

Unencodable firstUnencodable(const QString& text) {
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == '\n') {
            ++line;
            continue;
        }
        if (u < 0x80 || (u >= kEscapeBase && u <= kEscapeBase + 0xFF)) continue;
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray ch = text.mid(i, len).toUtf8();
        if (!utf8ToCp932(std::string_view(ch.constData(), static_cast<std::size_t>(ch.size()))))
            return {text.mid(i, len), line};
        i += len - 1;
    }
    return {};
}

}  // namespace orv::app
