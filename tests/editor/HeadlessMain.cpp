// The editor tests' main: runs the tests on the display that is set, or on a private Xvfb server
// started here when there is none (a CI machine), and stopped again at the end.

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
class PrivateDisplay
{
public:
    PrivateDisplay()
    {
        const char* current = std::getenv("DISPLAY");
        if ((current != nullptr && *current != '\0') || ::testing::GTEST_FLAG(list_tests))
            return;

        // Displays from :100 up, never :0: a process that finds no DISPLAY falls back to :0, and
        // must not attach to a server that goes away when these tests end.
        for (int number = 100; number < 200 && server <= 0; ++number)
            startServer(number);
    }

    void startServer(int number)
    {
        if (access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
            return;
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const pid_t child = fork();
        if (child == 0)
        {
            close(fds[0]);
            // The server must not outlive the tests, nor hold their output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            const std::string name = ":" + std::to_string(number);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", name.c_str(), "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten",
                   "tcp", "-noreset", (char*) nullptr);
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the number of its display once it accepts connections; nothing means it
        // could not take this one.
        std::string ready;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            ready += c;
        close(fds[0]);
        if (ready.empty())
        {
            if (child > 0)
                waitpid(child, nullptr, 0);
            return;
        }
        server = child;
        setenv("DISPLAY", (":" + ready).c_str(), 1);
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
        for (const char* name : { "WM_CHANGE_STATE", "WM_DELETE_WINDOW", "WM_PROTOCOLS", "WM_STATE",
                                  "WM_TAKE_FOCUS", "KWM_WIN_DECORATION", "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE",
                                  "_MOTIF_WM_HINTS", "_NET_FRAME_EXTENTS", "_NET_WM_ALLOWED_ACTIONS",
                                  "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN",
                                  "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_COMBO",
                                  "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WORKAREA", "_WIN_HINTS" })
            XInternAtom(display, name, False);
        XFlush(display);
    }

    ~PrivateDisplay()
    {
        if (display != nullptr)
            XCloseDisplay(display);
        if (server > 0)
        {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

private:
    pid_t server = -1;
    Display* display = nullptr;
};
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    PrivateDisplay display;
    if (!::testing::GTEST_FLAG(list_tests))
        display.nameWindowManagerAtoms();
    return RUN_ALL_TESTS();
}
