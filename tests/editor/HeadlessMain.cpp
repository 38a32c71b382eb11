// The editor tests' main: runs the tests on a private Xvfb server started here and stopped again at
// the end. Each test program gets a server of its own even when a display is set: on a shared
// one, another test's window can take the input focus and close a moment later, and the
// framework, asking which window has the focus and then about that window, gets an X error that
// ends a program that is not a standalone application. Only when no private server can be
// started does it fall back to the display that is set.

#include "support/PrivateXServer.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace
{
class PrivateDisplay
{
  public:
    PrivateDisplay()
    {
        if (::testing::GTEST_FLAG(list_tests))
            return;
        server = std::make_unique<zvtest::PrivateXServer>(std::vector<std::string>{"-noreset"});
        if (server->running())
            setenv("DISPLAY", server->displayName().c_str(), 1);
    }

    /// A bare server knows none of the window-manager atoms; the framework asks for some of them
    /// only if they exist and then passes the missing ones to the server, which aborts the
    /// program. Naming them, as any window manager would, makes them exist; the connection stays
    /// open so that no server reset forgets them.
    void nameWindowManagerAtoms()
    {
        display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return;
        for (const char* name :
             {"WM_CHANGE_STATE", "WM_DELETE_WINDOW", "WM_PROTOCOLS", "WM_STATE", "WM_TAKE_FOCUS",
              "KWM_WIN_DECORATION", "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_MOTIF_WM_HINTS",
              "_NET_FRAME_EXTENTS", "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_PING", "_NET_WM_STATE",
              "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE",
              "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WORKAREA", "_WIN_HINTS"})
            XInternAtom(display, name, False);
        XFlush(display);
    }

    ~PrivateDisplay()
    {
        if (display != nullptr)
            XCloseDisplay(display);
    }

  private:
    std::unique_ptr<zvtest::PrivateXServer> server;
    Display* display = nullptr;
};
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The window reads the user's settings; the tests give it a folder of their own, so a
    // developer's choice of scale never changes what they see.
    const auto config =
        std::filesystem::temp_directory_path() / ("zv-editor-tests-" + std::to_string(getpid()));
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    PrivateDisplay display;
    if (!::testing::GTEST_FLAG(list_tests))
        display.nameWindowManagerAtoms();
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(config);
    return result;
}
