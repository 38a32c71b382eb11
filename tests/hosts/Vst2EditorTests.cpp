// The plug-in's editor in a VST 2.4 host's window, on an X display (run under xvfb-run), and on
// a bare X server of the test's own.

// The test framework first: Xlib defines macros (None, Bool, Status) that its headers use as names.
#include <gtest/gtest.h>

#include "Vst2EditorHost.h"
#include "support/PrivateXServer.h"

#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>

extern char** environ;

using namespace vsthost;

namespace
{
// Hosts install their own X error handler (Xlib's default one ends the process); this one counts.
std::atomic<int> xErrors{0};
int countXError(Display*, XErrorEvent*)
{
    ++xErrors;
    return 0;
}

/// An audio thread that processes blocks through the plug-in until stopped.
class AudioThread
{
  public:
    explicit AudioThread(Instance& p) : plugin(p), thread([this] { run(); }) {}
    ~AudioThread() { stop(); }

    void stop()
    {
        running = false;
        if (thread.joinable())
            thread.join();
    }

    std::atomic<long> blocks{0};
    std::atomic<bool> allFinite{true};

  private:
    void run()
    {
        constexpr int blockSize = 256;
        Stereo in = testSignal(blockSize * 64);
        Stereo out = makeStereo(in[0].size());
        size_t offset = 0;
        while (running)
        {
            plugin.processBlock(in, out, offset, blockSize);
            for (const auto& channel : out)
                for (size_t i = offset; i < offset + blockSize; ++i)
                    if (!std::isfinite(channel[i]))
                        allFinite = false;
            offset = (offset + blockSize) % in[0].size();
            ++blocks;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    Instance& plugin;
    std::atomic<bool> running{true};
    std::thread thread;
};

/// How a program run by `runWithDisplay` ended: its exit status, or the signal that ended it.
struct Ending
{
    bool exited = false;
    int status = -1;
    int signal = 0;
};

/// Runs `program` with DISPLAY set to `display` and waits for it, for at most a minute.
Ending runWithDisplay(const char* program, const std::string& display)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0)
            environment.emplace_back(*entry);
    environment.push_back("DISPLAY=" + display);
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    Ending ending;
    pid_t child = 0;
    if (posix_spawn(&child, program, nullptr, nullptr, argv, envp.data()) != 0)
        return ending;

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (waitpid(child, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ending.exited = WIFEXITED(status);
    ending.status = ending.exited ? WEXITSTATUS(status) : -1;
    ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return ending;
}
} // namespace

TEST(Vst2Editor, OpensIntoTheHostWindowAndClosesTenTimesWhileProcessing)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X display; run under xvfb-run";
    XSetErrorHandler(&countXError);
    const Window host = openHostWindow(display);

    {
        Instance plugin;
        plugin.resume(44100.0f, 256);
        AudioThread audio(plugin);

        for (int round = 0; round < 10; ++round)
        {
            ERect* rect = nullptr;
            plugin.call(editGetRect, 0, 0, &rect);
            ASSERT_NE(rect, nullptr) << round;
            EXPECT_EQ(rect->right - rect->left, 450) << round;
            EXPECT_EQ(rect->bottom - rect->top, 223) << round;

            EXPECT_EQ(plugin.call(editOpen, 0, 0, reinterpret_cast<void*>(host)), 1) << round;
            EXPECT_TRUE(idleUntil(plugin, display, [&] { return childCount(display, host) == 1; }))
                << "the editor is inside the host's window, round " << round;

            const long before = audio.blocks;
            EXPECT_TRUE(idleUntil(plugin, display, [&] { return audio.blocks > before + 5; }))
                << "audio keeps flowing while the editor is open, round " << round;

            plugin.call(editClose);
            EXPECT_TRUE(idleUntil(plugin, display, [&] { return childCount(display, host) == 0; }))
                << "the editor has left the host's window, round " << round;
        }

        audio.stop();
        EXPECT_TRUE(audio.allFinite);
        EXPECT_EQ(xErrors.load(), 0);
        plugin.suspend();
    }

    XDestroyWindow(display, host);
    XCloseDisplay(display);
}

// A host on an X server with no window manager: none of the window manager's atoms exist until
// someone names them. The host runs in a process of its own, so that a host ended by an X error
// fails this test rather than the test program.
TEST(Vst2Editor, OpensOnAnXServerWithoutWindowManager)
{
    // Like any X server, this one forgets the names given to it once its last client has gone.
    zvtest::PrivateXServer server;
    ASSERT_TRUE(server.running()) << "cannot start Xvfb";
    // The test's own connection stays open until the host has ended: a server whose last client
    // leaves resets, and turns away whoever connects meanwhile.
    Display* display = XOpenDisplay(server.displayName().c_str());
    ASSERT_NE(display, nullptr);
    // Asked only if it exists: the question names nothing.
    EXPECT_EQ(XInternAtom(display, "WM_PROTOCOLS", True), (Atom)None) << "the server is not bare";

    const Ending ending = runWithDisplay(ZV_BARE_DISPLAY_HOST, server.displayName());
    XCloseDisplay(display);
    ASSERT_TRUE(ending.exited) << "the host ended by signal " << ending.signal;
    EXPECT_EQ(ending.status, 0)
        << "1: an X error ended the host; 3: the editor was not shown (see the host's "
           "output above)";
}
