// The running dialog (117), the system settings dialog (118) and the find and replace
// dialogs.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orv {
class ProfileFile;
}

namespace orv::app {

class MainFrame;
struct Settings;

class RunningDialog : public QDialog {
    Q_OBJECT
  public:
    RunningDialog(MainFrame* frame, const QString& macroName, bool noOwner);
    QPushButton* stopButton() const { return stop_; }
    QLabel* state() const { return state_; }
    const QString& macroName() const { return name_; }
    // The stop button (or UM_RUNABORT): the run is asked to stop; the end arrives later.
    void stop();

  protected:
    void reject() override;  // Esc and the close box do nothing here

  private:
    MainFrame* frame_;
    QString name_;
    QPushButton* stop_;
    QLabel* state_;
};

// System settings: works on its own copies and writes them only when confirmed.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(QWidget* owner, Settings& settings, ProfileFile& ini);
    QLineEdit* interval() const { return interval_; }
    QLineEdit* path() const { return path_; }
    QCheckBox* box(int id) const;
    void choose();   // 1005 "...."
    void confirm();  // 1 "OK"

  private:
    void autoExeClicked(bool on);

    Settings& s_;
    ProfileFile& ini_;
    QLineEdit* interval_;
    QLineEdit* path_;
    QCheckBox* endMsg_;
    QCheckBox* minimise_;
    QCheckBox* ignoreErrors_;
    QCheckBox* autoExe_;
    QCheckBox* autoFin_;
    // Working copies.
    int pendingInterval_ = 0;
    std::string pendingPath_;
    int pendingAutoExe_ = 0;
    int pendingAutoFin_ = 0;
};

// Find (40012) and replace (40013) on one macro editor.
class FindDialog : public QDialog {
    Q_OBJECT
  public:
    FindDialog(MainFrame* frame, QWidget* target, bool withReplace);
    QLineEdit* what() const { return what_; }
    QLineEdit* with() const { return with_; }
    QCheckBox* matchCase() const { return case_; }
    QWidget* target() const { return target_; }
    // Finds the next occurrence; asks to wrap at the end. True when found.
    bool findNext();
    // Replaces the current match (if the selection is one) and finds the next.
    void replaceOne();
    int replaceAll();

  private:
    MainFrame* frame_;
    QWidget* target_;
    QLineEdit* what_;
    QLineEdit* with_ = nullptr;
    QCheckBox* case_;
    int lastFound_ = 0;
};

// The search itself: first occurrence of `what` in `text` at or after `from`; letter case is
// ignored (ASCII letters) unless `matchCase`. -1 when absent.
int findInText(const QString& text, const QString& what, int from, bool matchCase);

}  // namespace orv::app
