#pragma once

#include <QCoreApplication>

// Ends the event loop; aboutToQuit still runs the shutdown. QCoreApplication::quit() would first
// ask every window to close, and our windows refuse (they hide instead), so it never quit.
inline void quitApplication() { QCoreApplication::exit(0); }
