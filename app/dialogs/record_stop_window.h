// The record-stop window (122): one button, "ﾏｸﾛ記録停止" (2101), covering the whole window,
// at the bottom right of the desktop above every other window while a recording runs. Its
// caption "マクロ記録停止" is never shown (the window has no title bar) but is how the hook
// library finds it, so that the click on its button records nothing. A click asks for the
// stop with a signal; the frame destroys the window.
#pragma once

#include <QWidget>

class QPushButton;

namespace orv::app {

class RecordStopWindow : public QWidget {
    Q_OBJECT
  public:
    RecordStopWindow();
    QPushButton* button() const { return button_; }
    // Where the window goes: its outer right edge at the desktop's right, its bottom 50 px
    // above the desktop's bottom.
    QRect placement() const;

  signals:
    void stopRequested();

  protected:
    void closeEvent(QCloseEvent* e) override;  // only the button ends a recording

  private:
    QPushButton* button_;
};

}  // namespace orv::app
