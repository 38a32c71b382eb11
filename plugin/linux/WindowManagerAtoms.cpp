#include "WindowManagerAtoms.h"

#include <X11/Xlib.h>

#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace zv
{
namespace
{
// What the framework looks up, only if it exists, when it opens its display, and keeps for the
// life of that connection. WM_PROTOCOLS and WM_STATE it passes to the server whatever it found:
// the first names the protocol list it sets on every window it creates, the second the property
// it reads whenever it checks whether a window is minimised. The others go into that list or into
// messages, or decide whether a window gets a type and state; named now, they are not left
// unknown for the whole connection should a window manager start later.
const char* const frameworkAtoms[] = {
    "WM_PROTOCOLS",        "WM_STATE",      "WM_TAKE_FOCUS",
    "WM_DELETE_WINDOW",    "_NET_WM_PING",  "WM_CHANGE_STATE",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN",
};
constexpr int numFrameworkAtoms = (int)(sizeof(frameworkAtoms) / sizeof(frameworkAtoms[0]));

/// Xlib, loaded at run time as the framework loads it, so that the library still loads on a
/// machine without X.
struct Xlib
{
    bool load()
    {
        library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr)
            return false;
        openDisplay = reinterpret_cast<decltype(openDisplay)>(dlsym(library, "XOpenDisplay"));
        closeDisplay = reinterpret_cast<decltype(closeDisplay)>(dlsym(library, "XCloseDisplay"));
        internAtoms = reinterpret_cast<decltype(internAtoms)>(dlsym(library, "XInternAtoms"));
        defaultRootWindow =
            reinterpret_cast<decltype(defaultRootWindow)>(dlsym(library, "XDefaultRootWindow"));
        queryTree = reinterpret_cast<decltype(queryTree)>(dlsym(library, "XQueryTree"));
        free = reinterpret_cast<decltype(free)>(dlsym(library, "XFree"));
        connectionNumber = reinterpret_cast<decltype(connectionNumber)>(dlsym(library, "XConnectionNumber"));
        if (openDisplay && closeDisplay && internAtoms && defaultRootWindow && queryTree && free &&
            connectionNumber)
            return true;
        unload();
        return false;
    }

    void unload()
    {
        if (library != nullptr)
            dlclose(library);
        library = nullptr;
    }

    void* library = nullptr;
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Status (*internAtoms)(Display*, char**, int, Bool, Atom*) = nullptr;
    Window (*defaultRootWindow)(Display*) = nullptr;
    Status (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
    int (*free)(void*) = nullptr;
    int (*connectionNumber)(Display*) = nullptr;
};

/// A connection kept open while no other client shows a window (see nameWindowManagerAtoms).
struct HeldConnection
{
    Xlib x;
    Display* display = nullptr;
};

std::mutex heldMutex;
HeldConnection held;

/// Whether some other client shows a window on the display, and so is connected.
bool otherClientsShowWindows(const Xlib& x, Display* display)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (x.queryTree(display, x.defaultRootWindow(display), &root, &parent, &children, &count) == 0)
        return false;
    if (children != nullptr)
        x.free(children);
    return count > 0;
}

/// Whether the server has closed the connection: only end-of-file or an error is waiting on it.
bool serverHungUp(int fd)
{
    pollfd state{fd, POLLIN, 0};
    if (poll(&state, 1, 0) <= 0)
        return false;
    if ((state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return true;
    char c;
    return recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
}

// The library's load comes before any entry point of any format, so before the framework opens
// its display (which it does in the entry points of the plug-in formats, and when the standalone
// program's first window is made).
__attribute__((constructor)) void nameAtomsOnLoad()
{
    nameWindowManagerAtoms();
}

__attribute__((destructor)) void releaseHeldConnection()
{
    std::lock_guard<std::mutex> lock(heldMutex);
    if (held.display == nullptr)
        return;
    // Closing talks to the server, and to a server that has gone away Xlib answers by ending the
    // process; from a hung-up connection only the socket is closed.
    const int fd = held.x.connectionNumber(held.display);
    if (serverHungUp(fd))
        close(fd);
    else
        held.x.closeDisplay(held.display);
    held.display = nullptr;
    held.x.unload();
}
} // namespace

void nameWindowManagerAtoms()
{
    std::lock_guard<std::mutex> lock(heldMutex);
    // While a connection of ours is held, the server keeps every name it was given.
    if (held.display != nullptr)
        return;

    Xlib x;
    if (!x.load())
        return;
    // The display the framework opens.
    const char* name = std::getenv("DISPLAY");
    Display* display = x.openDisplay(name != nullptr && *name != '\0' ? name : ":0.0");
    if (display == nullptr)
    {
        x.unload();
        return;
    }

    // Asks for each name with "create it if it does not exist"; the call waits for the server's
    // answer, so on return the names exist.
    Atom atoms[numFrameworkAtoms];
    x.internAtoms(display, const_cast<char**>(frameworkAtoms), numFrameworkAtoms, False, atoms);

    // An X server forgets every name it was given when its last client leaves. Another client
    // that shows a window keeps it alive (a host shows the window it puts the editor in). When
    // there is none (the standalone program on a bare server, a host that has yet to connect),
    // this connection stays open until the library is unloaded, so the names last until the
    // framework has connected.
    if (otherClientsShowWindows(x, display))
    {
        x.closeDisplay(display);
        x.unload();
        return;
    }
    held.x = x;
    held.display = display;
}
} // namespace zv
