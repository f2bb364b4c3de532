// The strip left of a macro editor's text: a column of marks (breakpoint, running line,
// syntax error) and the line numbers, which can be hidden. It paints what its edit control
// holds and reports clicks and error texts.
#pragma once

#include <QWidget>

namespace orv::app {

class MacroEdit;

class LineGutter : public QWidget {
    Q_OBJECT
  public:
    explicit LineGutter(MacroEdit* edit);

    void setNumbersVisible(bool on);
    bool numbersVisible() const { return numbers_; }
    // The width the gutter needs for the edit's line count.
    int wantedWidth() const;
    QSize sizeHint() const override { return {wantedWidth(), 0}; }

  signals:
    void clicked(int line1);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

  private:
    void paintMarks(QPainter& p, int block, const QRect& cell) const;

    MacroEdit* edit_;
    bool numbers_ = true;
};

}  // namespace orv::app
