// Hotkeys that start macros: the table kept in Orvane.ini, its combinations grabbed on the
// desktop through a HotkeySource (none offscreen), the dialog "ホットキー設定" (the grabs are
// let go while it is open, so that a combination can be pressed into it), and the messages
// about combinations that cannot be read or that another program holds, each said once. A
// press of a combination asks for its macro with a signal.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "platform/hotkeys.h"
#include "tools/hotkeys.h"

class QWidget;

namespace orv::app {

struct AppCore;

class HotkeyController : public QObject {
    Q_OBJECT
  public:
    HotkeyController(AppCore& core, QWidget* frame, std::unique_ptr<HotkeySource> source);
    ~HotkeyController() override;

    // At start-up: the table is read and its combinations grabbed.
    void start();
    // "ホットキー設定...": the dialog; OK stores the table and grabs it anew.
    void editInDialog();
    const tools::HotkeyTable& table() const { return table_; }
    // At shutdown: every grab goes.
    void release();

  signals:
    // A hotkey was pressed: run this macro (its path).
    void runRequested(const QString& macroPath);

  private:
    void grabTable();
    void say(const QString& text);

    AppCore& core_;
    QWidget* frame_;
    std::unique_ptr<HotkeySource> source_;
    tools::HotkeyTable table_;
    std::vector<int> grabbedRows_;  // the row of each grabbed combination
    QSet<QString> reportedBusy_;
};

}  // namespace orv::app
