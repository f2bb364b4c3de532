// The frame's side of the tools: the toolbox docked across the top of the MDI area and the
// auto-click dialog, with the menu rules that follow them.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/frame/hook_bridge.h"
#include "app/frame/main_frame.h"
#include "app/ids.h"

namespace orv::app {

void MainFrame::showToolbox() {
    if (toolbox_) {
        mdi_->setActiveSubWindow(toolbox_);
        return;
    }
    auto* t = new ToolboxWindow(desktop_, this);
    toolbox_ = t;
    connect(t, &QObject::destroyed, this, &MainFrame::toolboxDestroyed);
    for (int id : {ID_TOOLBOX, ID_BREAKWIN, ID_BREAKTOGGLE}) setEnabled(id, false);
    mdi_->addSubWindow(t);
    t->relayout(mdi_->viewport()->width());
    if (lastEditor_) t->setTarget(lastEditor_->edit());
    t->show();
}

void MainFrame::toolboxActivated() {
    setEditRunGroup(false);
    for (int id : {ID_BREAKWIN, ID_BREAKTOGGLE, ID_SAVE, ID_SAVEAS}) setEnabled(id, false);
}

void MainFrame::toolboxDestroyed() {
    if (!shutDown_) setEnabled(ID_TOOLBOX, true);
}

void MainFrame::autoClick() {
    AutoClickDialog d(this, autoClick_, desktop_, *hook_, ini_);
    autoClickDialog_ = &d;
    d.exec();
    autoClickDialog_ = nullptr;
}

}  // namespace orv::app
