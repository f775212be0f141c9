#pragma once

// "Close Window" and "Quit" belong to every window and every sheet of the
// program, each with its own pair of actions: their keys then act on the
// window the user is in, never on a sheet open over another window.

#include <QKeySequence>
#include <QList>

class QAction;
class QWidget;

namespace zelvane::ui_style {

// The desktop's keys for closing a window and for quitting, with Ctrl+W and
// Ctrl+Q besides: some desktops' key schemes have none for these.
QList<QKeySequence> closeWindowKeys();
QList<QKeySequence> quitKeys();

struct WindowCommands {
    QAction* closeWindow = nullptr;
    QAction* quit = nullptr;
};

// Gives a window or a sheet its own "Close Window" and "Quit", whose keys
// act while it is the active window. The actions are the window's children
// ("closeWindowAction", "quitAction"); a window with a menu shows them there.
WindowCommands addWindowCommands(QWidget* window);

// The sheet open over a window, the topmost where a sheet has one of its
// own; none when the window has none.
QWidget* openSheetOf(QWidget* window);

// Closes the sheet open over the window, or the window when none is.
void closeWindowOrItsSheet(QWidget* window);

// Ends the program; every setting is saved already, each as it changed.
void quitProgram();

} // namespace zelvane::ui_style
