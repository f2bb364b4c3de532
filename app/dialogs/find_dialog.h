// Find (40012) and replace (40013) on the edit control of one macro editor. The dialog goes
// away by itself when its target is destroyed.
#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;

namespace orv::app {

class FindDialog : public QDialog {
    Q_OBJECT
  public:
    FindDialog(QWidget* owner, QPlainTextEdit* target, bool withReplace);
    QLineEdit* what() const { return what_; }
    QLineEdit* with() const { return with_; }
    QCheckBox* matchCase() const { return case_; }
    // Finds the next occurrence; asks to wrap at the end. True when found.
    bool findNext();
    // Replaces the current match (if the selection is one) and finds the next.
    void replaceOne();
    int replaceAll();

  private:
    void addReplaceRow(QGridLayout* grid);

    QPointer<QPlainTextEdit> target_;
    QLineEdit* what_;
    QLineEdit* with_ = nullptr;
    QCheckBox* case_;
    int lastFound_ = 0;
};

// The search itself: first occurrence of `what` in `text` at or after `from`; letter case is
// ignored (ASCII letters) unless `matchCase`. -1 when absent.
int findInText(const QString& text, const QString& what, int from, bool matchCase);

}  // namespace orv::app
