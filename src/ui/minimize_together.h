// Корвель's windows are minimised and restored together, as one program. A working window or
// dialog is modal over the main menu: minimised on its own (by a title-bar button the window
// manager draws whatever the window asks for), it would leave the menu on the screen, blocked
// by a window no one can see, and the program would look hung. So minimising any shown window
// minimises them all, and restoring any of them (the main window from the task bar, say)
// restores them all with the modal window in front.
#pragma once

namespace korvel {

// Installs the behaviour for the whole application (once; later calls do nothing).
void minimizeWindowsTogether();

}  // namespace korvel
