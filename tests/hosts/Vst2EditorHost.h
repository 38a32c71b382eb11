#pragma once

// The X side of a VST 2.4 host that shows the plug-in's editor: on Linux the host hands the
// plug-in the id of an X window of its own; the plug-in puts its editor inside it, and the host
// keeps the plug-in's events flowing with edit-idle calls from the thread that opened the editor.

#include "Vst2Host.h"

// After the other headers: Xlib defines macros (None, Bool, Status) that they use as names.
#include <X11/Xlib.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vsthost
{
/// The windows directly inside `window`, bottom first.
inline std::vector<Window> childWindows(Display* display, Window window)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return {};
    std::vector<Window> result(children, children + count);
    if (children != nullptr)
        XFree(children);
    return result;
}

inline unsigned childCount(Display* display, Window window)
{
    return (unsigned)childWindows(display, window).size();
}

/// Keeps the editor's events flowing, as a host's idle loop does, until `done` holds or two
/// seconds have passed; answers whether `done` held.
template <typename Condition> bool idleUntil(Instance& plugin, Display* display, Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;)
    {
        plugin.call(editIdle);
        XSync(display, False);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

/// A top-level window of the host's own, the size of the editor, shown on `display`.
inline Window openHostWindow(Display* display)
{
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 450, 223, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);
    return host;
}
} // namespace vsthost
