// Feeds the hook procedures from an event list (the text of `orvane-cli hookreplay`) and
// collects what they send: the record-buffer text and one "RUNABORT" line per run-abort
// message. No display is needed.
//
// Event lines (blank lines and lines starting with '#' are skipped):
//   setrec 0|1                 the recording flag (Recflgset)
//   run 0|1                    the run flag (KSetExe)
//   stoprect L T R B           the record-stop window rectangle
//   key down|up VK [physical]  a key event; "physical" sets bit 16 of the key flags
//   mouse MSG X Y              MSG: move ldown lup ldbl rdown rup rdbl mdown mup mdbl
#pragma once

#include <string>
#include <string_view>

namespace orv::recorder {

// Returns false with `error` ("line N: ...") on the first bad line; nothing is fed then.
// `output` receives UTF-8 lines, each ending in '\n' (record lines keep their leading tab).
bool replayEvents(std::string_view events, std::string& output, std::string& error);

}  // namespace orv::recorder
