// Command ids of the program: the ids of menu 102 and of the items the program adds, each
// the objectName of its QAction.
#pragma once

namespace orv::app {

enum CommandId : int {
    ID_NEW = 40003,
    ID_OPEN = 40004,
    ID_SAVE = 40005,
    ID_SAVEAS = 40006,
    ID_EXIT = 40007,
    ID_CUT = 40008,
    ID_COPY = 40009,
    ID_PASTE = 40010,
    ID_SELECTALL = 40011,
    ID_FIND = 40012,
    ID_REPLACE = 40013,
    ID_TOOLBOX = 40014,
    ID_ABOUT = 40015,
    ID_HELP = 40016,
    ID_CLOSEALL = 40017,
    ID_CLOSE = 40018,
    ID_TILE = 40020,
    ID_ARRANGE = 40021,
    ID_CASCADE = 40022,
    ID_RUN = 40023,
    ID_SETTINGS = 40024,
    ID_CHECK = 40025,
    ID_CHECKRESULT = 40026,
    ID_DEBUGRUN = 40028,
    ID_STEP = 40029,
    ID_STOPDEBUG = 40030,
    ID_NEXTLINE = 40031,
    ID_BREAKWIN = 40032,
    ID_VARWIN = 40033,
    ID_CONTINUE = 40034,
    ID_BREAKTOGGLE = 40035,
    ID_RECORD = 40037,
    ID_AUTOCLICK = 40039,
    // Items of the program's own, outside the ranges of menu 102.
    ID_HOTKEYS = 41001,  // "ホットキー設定..." at the end of ツール(T)
};

}  // namespace orv::app
