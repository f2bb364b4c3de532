// The system settings dialog's controls of recordings that keep their timing, offscreen: off by
// default with the shortest pause at 200 ms, editable while the box is checked, and RECWAIT and
// RECWMIN in Orvane.ini across a restart; a file that never had them gets none.
#include "app/settings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/dialogs/settings_dialog.h"
#include "platform/profile.h"
#include "tests/app/app_tests.h"

using namespace orv;
using namespace orv::app;

class SettingsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // Each step opens the dialog on the settings a restart reads from the file, checks what it
    // shows, sets the box and the field, confirms, and looks at the file.
    void recordWaitsKeepTheirKeysAcrossARestart() {
        QTemporaryDir dir;
        ProfileFile ini(dir.filePath("Orvane.ini").toStdString());
        ini.writeInt(kSystem, "DMEX1ST", 1);
        const struct {
            bool shownOn;
            const char* shownMin;
            bool on;
            const char* min;
            const char* storedOn;  // "" when the key must be missing
            const char* storedMin;
        } steps[] = {
            {false, "200", false, "200", "", ""},  // never switched on: no keys
            {false, "200", true, "350", "1", "350"},
            {true, "350", false, "350", "0", "350"},
            {false, "350", true, "9999", "1", "9999"},
        };
        for (const auto& st : steps) {
            Settings s;
            QVERIFY(loadSettings(ini, 640, s));
            SettingsDialog d(nullptr, s, ini);
            QCOMPARE(d.recordWaits()->text(), QString::fromUtf8("待ち時間を記録する"));
            QCOMPARE(d.recordWaits()->isChecked(), st.shownOn);
            QCOMPARE(d.shortestWait()->text(), QString::fromUtf8(st.shownMin));
            QCOMPARE(d.shortestWait()->isEnabled(), st.shownOn);
            QVERIFY(d.box(1014) && d.box(1015) && d.box(1057) && d.box(1058) && d.box(1059));
            if (d.recordWaits()->isChecked() != st.on) d.recordWaits()->click();
            QCOMPARE(d.shortestWait()->isEnabled(), st.on);
            if (st.on) d.shortestWait()->setText(QString::fromUtf8(st.min));
            d.confirm();
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(ini.readText(kSystem, "RECWAIT", ""), std::string(st.storedOn));
            QCOMPARE(ini.readText(kSystem, "RECWMIN", ""), std::string(st.storedMin));
        }
    }
};

ORV_APP_TEST(SettingsDialogTest);
#include "settings_test.moc"
