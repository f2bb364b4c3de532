// The view preferences every macro editor follows, one set per program: the frame's menu sets
// them, open editors follow the signal and new ones read them when they are made.
#pragma once

#include <QObject>

namespace orv::app {

class EditorSettings : public QObject {
    Q_OBJECT
  public:
    static EditorSettings& instance();

    bool lineNumbers() const { return lineNumbers_; }
    // Emits lineNumbersChanged when the value changes.
    void setLineNumbers(bool on);

  signals:
    void lineNumbersChanged(bool on);

  private:
    bool lineNumbers_ = true;
};

}  // namespace orv::app
