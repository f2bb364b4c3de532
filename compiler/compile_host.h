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
    // Save the editor's text when it has unsaved changes, and mark it unchanged.
    virtual void saveIfModified() {}
    // Reload the check-result window, or open it when it does not exist.
    virtual void reloadOrOpenCheckResult() {}
    // When the check-result window exists, show it and bring it to the top.
    virtual void raiseCheckResult() {}
    // Store the run record's mode (MODE_IDLE after a failed compile and after a syntax check)
    // and empty the open-file table.
    virtual void compiled(int storedMode) { (void)storedMode; }
    // Start the run (every mode for which startsRun() holds, after a successful compile).
    virtual void startRun(int mode) { (void)mode; }
    // The bytes of this compile's log once it is closed, also when comp.his could not be
    // written (so that nobody shows an older compile's comp.his instead).
    virtual void compileLogged(const std::string& log) { (void)log; }
};

}  // namespace orv
