// A macro file's bytes: the size rule, the read up to the first zero byte, the atomic save
// with its trailing zero byte, and the editor text of the bytes.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

#include "platform/file_io.h"

namespace orv::app {

// The editor text for a file's bytes; `crlf` tells the file's line-end convention. Line ends
// of the other convention become visible escape characters so that they survive a save.
QString editorTextFromBytes(const std::string& bytes, bool& crlf);

// Reads a macro file up to the first zero byte (readMacroText: a text of at most 65,535
// bytes, in a file of at most 65,536). False when it cannot be read or is too big.
bool readMacroBytes(const QString& path, std::string& bytes);
// Writes the text and one zero byte, atomically (a read-only file is refused, a link is
// written through, the file's mode is kept). False on failure, with the reason in `why`.
bool writeMacroBytes(const QString& path, const std::string& bytes, QString* why = nullptr);

}  // namespace orv::app
