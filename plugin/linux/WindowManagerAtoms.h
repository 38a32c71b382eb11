#pragma once

// The names ("atoms") of the window-manager properties that the framework reads once, when it
// opens its connection to the X display, and only if they already exist. A window manager names
// them when it starts; on an X server without one (a fresh virtual display, a kiosk) nobody has,
// the framework keeps "no such atom" for each, and its first window then asks the server to set
// the protocol list under that non-name (and later to read the window state under it). The server
// answers BadAtom, and Xlib's default error handler ends the whole process: the host with it.
//
// Naming the atoms beforehand makes them exist, so the framework finds them. The library does it
// when it is loaded (WindowManagerAtoms.cpp), which comes before any entry point of any format
// and, in the standalone program, before main.

namespace zv
{
/// Names the window-manager atoms on the display the framework will open (DISPLAY, or :0.0 when
/// it is empty), unless they exist already. Must run before the framework opens its connection;
/// does nothing when there is no X library or no server. Safe to call more than once.
void nameWindowManagerAtoms();
} // namespace zv
