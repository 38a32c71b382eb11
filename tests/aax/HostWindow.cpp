#include "HostWindow.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <stdexcept>

namespace aaxtest
{
namespace
{
// Like any host that embeds plug-in windows, the test host survives X errors raised by a
// plug-in's requests (an embedded framework window sets properties that a bare X server without
// a window manager has no atoms for). Xlib's default handler would end the process.
int tolerateXErrors(Display*, XErrorEvent*)
{
    return 0;
}
} // namespace

struct HostWindow::XState
{
    Display* display = nullptr;
    Window window = 0;
};

HostWindow::HostWindow(int32_t containerType) : type(containerType), x(std::make_unique<XState>())
{
    XSetErrorHandler(tolerateXErrors);
    x->display = XOpenDisplay(nullptr);
    if (x->display == nullptr)
        throw std::runtime_error("no X display; run the GUI tests under xvfb-run");
    x->window = XCreateSimpleWindow(x->display, DefaultRootWindow(x->display), 0, 0, 800, 600, 0, 0, 0);
    XMapWindow(x->display, x->window);
    XSync(x->display, False);
}

HostWindow::~HostWindow()
{
    XDestroyWindow(x->display, x->window);
    XCloseDisplay(x->display);
}

void* HostWindow::GetPtr()
{
    return reinterpret_cast<void*>((uintptr_t)x->window);
}

unsigned HostWindow::childCount()
{
    XSync(x->display, False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x->display, x->window, &root, &parent, &children, &count);
    if (children != nullptr)
        XFree(children);
    return count;
}
} // namespace aaxtest
