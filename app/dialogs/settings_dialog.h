// The system settings dialog (118): works on its own copies of the interval, the auto-run
// path and the two auto-run flags, and writes them to memory and Orvane.ini only when
// confirmed. Controls are named by their ids; the two of our own, whether recordings keep
// their pauses and the shortest pause kept (RECWAIT, RECWMIN), are named recordWaits and
// shortestWait.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orv {
class ProfileFile;
}

namespace orv::app {

struct Settings;

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(QWidget* owner, Settings& settings, ProfileFile& ini);
    QLineEdit* interval() const { return interval_; }
    QLineEdit* path() const { return path_; }
    QCheckBox* recordWaits() const { return recordWaits_; }
    QLineEdit* shortestWait() const { return shortestWait_; }
    // The check box with this control id, or null.
    QCheckBox* box(int id) const;
    void choose();   // 1005 "...."
    void confirm();  // 1 "OK"

  private:
    void createControls();
    void createStartGroup();
    void createRecordWaits();
    void fitPathField();
    void layOut();
    void connectControls();
    void autoExeClicked(bool on);
    // The auto-run checks of confirm(); false (with the message shown) when one fails.
    bool autoRunPathUsable();
    void storeConfirmed();

    Settings& s_;
    ProfileFile& ini_;
    QLineEdit* interval_ = nullptr;
    QLineEdit* path_ = nullptr;
    QCheckBox* endMsg_ = nullptr;
    QCheckBox* minimise_ = nullptr;
    QCheckBox* ignoreErrors_ = nullptr;
    QCheckBox* autoExe_ = nullptr;
    QCheckBox* autoFin_ = nullptr;
    QCheckBox* recordWaits_ = nullptr;
    QLineEdit* shortestWait_ = nullptr;
    QGroupBox* group_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    // Working copies.
    int pendingInterval_ = 0;
    std::string pendingPath_;
    int pendingAutoExe_ = 0;
    int pendingAutoFin_ = 0;
};

}  // namespace orv::app
