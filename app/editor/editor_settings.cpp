#include "app/editor/editor_settings.h"

namespace orv::app {

EditorSettings& EditorSettings::instance() {
    static EditorSettings settings;
    return settings;
}

void EditorSettings::setLineNumbers(bool on) {
    if (on == lineNumbers_) return;
    lineNumbers_ = on;
    emit lineNumbersChanged(on);
}

}  // namespace orv::app
