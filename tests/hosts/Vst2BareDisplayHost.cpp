// A VST 2.4 host that opens the plug-in's editor in a window of its own on the display that is
// set, as a simple host does: it names no atoms and installs no X error handler, so any X error
// ends it through Xlib's default handler, which exits with status 1. Exit status 0 when the editor
// is shown inside the host window at 450 x 223 and closes again; 2 when the host cannot start; 3
// when the editor is not shown or does not close.

#include "Vst2EditorHost.h"

#include <cstdio>
#include <exception>

using namespace vsthost;

namespace
{
constexpr int cannotStart = 2;
constexpr int notShown = 3;

/// The editor's window inside `host`, once there is exactly one, it is shown and 450 x 223.
bool editorShown(Display* display, Window host)
{
    const auto children = childWindows(display, host);
    if (children.size() != 1)
        return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[0], &attributes) == 0)
        return false;
    return attributes.map_state == IsViewable && attributes.width == 450 && attributes.height == 223;
}

int showEditor(Display* display, Window host)
{
    Instance plugin;
    plugin.resume(44100.0f, 256);

    if (plugin.call(editOpen, 0, 0, reinterpret_cast<void*>(host)) != 1)
    {
        std::fprintf(stderr, "the plug-in did not open its editor\n");
        return notShown;
    }
    const bool shown = idleUntil(plugin, display, [&] { return editorShown(display, host); });
    if (!shown)
        std::fprintf(stderr, "no 450 x 223 editor window was shown in the host's window\n");

    plugin.call(editClose);
    const bool closed = idleUntil(plugin, display, [&] { return childCount(display, host) == 0; });
    if (!closed)
        std::fprintf(stderr, "the editor stayed in the host's window after closing\n");

    plugin.suspend();
    return shown && closed ? 0 : notShown;
}
} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "no X display\n");
        return cannotStart;
    }
    const Window host = openHostWindow(display);

    int result = cannotStart;
    try
    {
        result = showEditor(display, host);
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "%s\n", e.what());
    }

    XDestroyWindow(display, host);
    XCloseDisplay(display);
    return result;
}
