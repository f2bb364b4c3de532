// The auto-click dialog offscreen over the virtual desktop: its window (title bar, size,
// minimising), and closing it after "全停止" with slots that have clicked, modal as the frame
// opens it.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "app/tools/autoclick_dialog.h"
#include "platform/profile.h"
#include "platform/virtual/virtual_desktop.h"
#include "tests/app/app_tests.h"

using namespace orv;
using namespace orv::app;

namespace {

struct FreeHook : PickHook {
    bool pickBusy() override { return false; }
    void startPick(int) override {}
    void endPick() override {}
};

template <class W>
W* control(const QWidget& d, int id) {
    return d.findChild<W*>(QString::number(id));
}

// The check box, set button and seconds edit of slots 1 and 2.
struct RowIds {
    int check, set, seconds;
};
constexpr RowIds kRows[] = {{1023, 1018, 1024}, {1029, 1019, 1030}};

bool traced(const VirtualDesktop& desk, const std::string& line) {
    const auto t = desk.trace();
    return std::find(t.begin(), t.end(), line) != t.end();
}

}  // namespace

class AutoClickDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // The window of a plain dialog: a close box that does nothing, no minimise or maximise
    // button, a fixed size, and back at once when minimised, unless a point is being picked.
    void aPlainDialogWindow() {
        tools::AutoClickSettings s;
        VirtualDesktop desk;
        FreeHook hook;
        ProfileFile ini("/nonexistent/Orvane.ini");
        AutoClickDialog d(nullptr, s, desk, hook, ini);
        const Qt::WindowFlags buttons = Qt::WindowMinimizeButtonHint |
                                        Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                                        Qt::WindowContextHelpButtonHint;
        QCOMPARE(d.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
        QCOMPARE(d.windowFlags() & buttons, Qt::WindowCloseButtonHint);
        d.show();
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!d.close());  // "閉じる" is the only way out
        d.showMinimized();
        QTRY_VERIFY(!d.isMinimized());
        QVERIFY(d.isVisible());

        control<QCheckBox>(d, kRows[0].check)->click();
        control<QPushButton>(d, kRows[0].set)->click();
        d.showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(d.isMinimized());
    }

    // Two slots click, then "全停止", "この設定を保存する" and "閉じる", with their ticks due
    // in every other round. ORV_AUTOCLICK_ROUNDS sets the number of rounds.
    void closingAfterStopAllWithSlotsThatClicked() {
        const int rounds = qEnvironmentVariableIntValue("ORV_AUTOCLICK_ROUNDS");
        QTemporaryDir dir;
        const std::string path = dir.filePath("Orvane.ini").toStdString();
        QWidget frame;
        frame.show();
        for (int round = 0; round < std::max(rounds, 2); ++round) {
            QFile::remove(dir.filePath("Orvane.ini"));
            tools::AutoClickSettings s;
            VirtualDesktop desk;
            FreeHook hook;
            ProfileFile ini(path);
            AutoClickDialog d(&frame, s, desk, hook, ini);
            const auto drive = [&] {
                for (int slot : {0, 1}) {
                    const RowIds& id = kRows[slot];
                    control<QCheckBox>(d, id.check)->click();
                    control<QPushButton>(d, id.set)->click();
                    d.picked(1034, slot + 1, (slot + 1) * 10);  // L-DBCLK at (10 or 20, 0)
                    control<QLineEdit>(d, id.seconds)->selectAll();
                    QTest::keyClicks(control<QLineEdit>(d, id.seconds), "0");  // 100 ms
                }
                control<QPushButton>(d, 1015)->click();  // 同時実行
                QTRY_VERIFY(traced(desk, "move 10 0") && traced(desk, "move 20 0"));
                if (round % 2) QThread::msleep(150);     // both ticks are due
                control<QPushButton>(d, 1016)->click();  // 全停止
                control<QCheckBox>(d, 1053)->click();
                control<QPushButton>(d, 1)->click();
            };
            QTimer::singleShot(0, &d, [&] {
                drive();
                if (d.isVisible()) d.done(QDialog::Rejected);  // a failed step
            });
            QCOMPARE(d.exec(), int(QDialog::Accepted));
            QCOMPARE(ProfileFile(path).readInt("AUTOCLK", "ATSSAVE"), 1);
            QCOMPARE(ProfileFile(path).readInt("AUTOCLK", "ATEXEF2"), 1);
        }
    }
};

ORV_APP_TEST(AutoClickDialogTest);
#include "autoclick_test.moc"
