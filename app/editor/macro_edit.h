// The edit control of a macro editor: a plain-text edit with the macro language's colours, a
// gutter of line numbers and marks, and the marks themselves (the syntax errors of the last
// check, the breakpoints, the line a run is on).
#pragma once

#include <QPlainTextEdit>
#include <QSet>
#include <vector>

#include "app/editor/error_marks.h"

class QHelpEvent;

namespace orv::app {

class LineGutter;

class MacroEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit MacroEdit(QWidget* parent = nullptr);
    ~MacroEdit() override;

    LineGutter* gutter() const { return gutter_; }
    void setLineNumbersVisible(bool on);
    bool lineNumbersVisible() const;

    // Error marks by 1-based line; a line's marks go when its text is edited.
    void setErrorMarks(const ErrorMarks& marks);
    ErrorMarks errorMarks() const;
    QStringList errorsOfBlock(int block) const;
    // The line a run or a paused debug run is on (0-based; -1 none).
    void setRunningLine(int line0);
    int runningLine() const { return runningLine_; }
    void setBreakpointLines(const QSet<int>& lines1);
    const QSet<int>& breakpointLines() const { return breakpoints_; }

    // The blocks in view with their top and height in viewport coordinates.
    struct VisibleLine {
        int block, top, height;
    };
    std::vector<VisibleLine> visibleLines() const;
    // The block shown at the viewport's height `y`, or -1.
    int blockAt(int y) const;
    // Shows the error messages of the line at the event's height as a tool tip over `over`.
    void showErrorTip(const QHelpEvent* e, QWidget* over) const;

  signals:
    // The gutter was clicked beside a line (1-based).
    void gutterClicked(int line1);

  protected:
    // Guards against pasting from a selection nobody owns.
    void insertFromMimeData(const QMimeData* source) override;
    void resizeEvent(QResizeEvent* e) override;
    bool viewportEvent(QEvent* e) override;

  private:
    void layoutGutter();
    void scrollGutter(const QRect& rect, int dy);
    void textChanged(int position, int removed, int added);
    // The running line's background and the error lines' underline.
    void refreshLineMarks();

    LineGutter* gutter_;
    int runningLine_ = -1;
    QSet<int> breakpoints_;
};

}  // namespace orv::app
