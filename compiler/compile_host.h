// What the compile driver needs from its surroundings: the GUI and the CLI
// each implement this (message boxes, saving the editor, the check-result
// window, handing a compiled program to the executor).
#pragma once

#include <string>

namespace orv {

enum class MsgIcon { None, Error, Warning, Info, Question };

class CompileHost {
  public:
    virtual ~CompileHost() = default;
    // A message box owned by the compile's owner window (CP932 text and caption).
    virtual void messageBox(const std::string& text, const std::string& caption, MsgIcon icon) = 0;
    // Step 4: save the editor's text when it has unsaved changes, and mark it unchanged.
    virtual void saveIfModified() {}
    // Step 9: reload the check-result window, or open it when it does not exist.
    virtual void reloadOrOpenCheckResult() {}
    // Step 10: when the check-result window exists, show it and bring it to the top.
    virtual void raiseCheckResult() {}
    // Step 12: store the run record's mode (0 after a failed compile and for mode 2) and
    // empty the open-file table.
    virtual void compiled(int storedMode) { (void)storedMode; }
    // Step 13: start the run (modes 1, 3, 4, 5 after a successful compile).
    virtual void startRun(int mode) { (void)mode; }
};

}  // namespace orv
