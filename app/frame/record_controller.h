// Recording in the program: 40037 (F1) starts it, the record-stop window's button ends it. It
// owns the record buffer (the hidden edit 2100 the recorded text passes through), the stop
// window, the recording session of the hook library (through the hook bridge; with WAIT lines
// for the pauses when the frame's settings ask for them) and the frame's place while the frame
// lies beneath the stop window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

#include "app/dialogs/record_stop_window.h"

class QPlainTextEdit;
class QWidget;

namespace orv::app {

class HookBridge;
struct Settings;
class StallProbe;

class RecordController : public QObject {
    Q_OBJECT
  public:
    // `settings`: whether recordings keep their pauses, the shortest one and the command
    // interval, as they are when a recording starts.
    RecordController(QWidget* frame, HookBridge& hook, const Settings& settings);

    bool recording() const { return recording_; }
    RecordStopWindow* stopWindow() const { return stopWindow_; }
    // The record buffer's text (START, the recorded lines, END, one line per block).
    QString bufferText() const;
    // 40037: the stop window shows, the frame shrinks beneath it, the hooks go in.
    void start();
    // The stop window's button: the hooks go, the frame comes back, `recorded` is emitted.
    void stop();
    // Shutdown: the hooks go (the hook bridge removes them) and the text is dropped.
    void drop();

  signals:
    void recordingChanged();
    // A recording ended: its text (START ... END) for a new editor.
    void recorded(const QString& text);

  private:
    void shrinkFrame();
    void restoreFrame();
    void report(const QString& lines);

    QWidget* frame_;
    HookBridge& hook_;
    const Settings& settings_;
    QPlainTextEdit* buffer_;
    bool recording_ = false;
    QPointer<RecordStopWindow> stopWindow_;
    QPointer<StallProbe> stallProbe_;  // with the debug channel on, while recording
    // The frame's place and minimum size before it lay beneath the stop window.
    QRect framePlace_;
    QSize frameMinimum_;
};

}  // namespace orv::app
