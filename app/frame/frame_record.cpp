// Recording in the program: 40037 (F1) starts it, the record-stop window's button ends it,
// and the recorded actions become a new macro editor.
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/codec.h"
#include "app/dialogs/record_stop_window.h"
#include "app/frame/hook_bridge.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"

namespace orv::app {

namespace {
// The commands a recording greys, and enables again at its end.
constexpr int kRecordExcludes[] = {ID_RECORD, ID_DEBUGRUN, ID_STEP, ID_RUN, ID_CHECK};

// The record buffer holds one line per block: the CR of each CR LF goes.
QString bufferLines(QString text) {
    text.remove('\r');
    return text;
}
}  // namespace

void MainFrame::startRecording() {
    if (recording_ || runActive()) return;
    for (int id : kRecordExcludes) setEnabled(id, false);
    recording_ = true;
    recordBuffer_->clear();
    appendRecordText(QStringLiteral("START\r\n"));
    if (!recordStop_) {
        recordStop_ = new RecordStopWindow;
        connect(recordStop_, &RecordStopWindow::stopRequested, this, &MainFrame::stopRecording);
        recordStop_->show();
        recordStop_->raise();
        // The frame shrinks to the stop window's size and lies beneath it.
        setGeometry(recordStop_->placement());
    }
    // A hook that cannot be installed was reported by the library; the recording goes on
    // with what it has (with nothing, the stop button still ends it).
    hook_->startRecording();
}

void MainFrame::stopRecording() {
    if (!recording_) return;
    // Every line the monitor had before the hooks went, complete and in order.
    const QString lines = hook_->stopRecording();
    if (frameRect_.isValid()) setGeometry(frameRect_);
    show();
    recordBuffer_->setPlainText(bufferLines("START\r\n" + lines + "END\r\n"));
    openEditor(EDITOR_RECORDED);
    recording_ = false;
    for (int id : kRecordExcludes) setEnabled(id, true);
    setEditRunGroup(openEditors_ > 0);
    delete recordStop_;
}

void MainFrame::appendRecordText(const QString& text) {
    if (!recording_) return;  // a late delivery after the stop, or none asked for
    QTextCursor c = recordBuffer_->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertText(bufferLines(text));
}

}  // namespace orv::app
