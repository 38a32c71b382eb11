// The plug-in's editor in a VST 2.4 host's window, on an X display (run under xvfb-run).
//
// On Linux the host hands the plug-in the id of an X window of its own; the plug-in puts its
// editor inside it, and the host keeps the plug-in's events flowing with edit-idle calls from the
// thread that opened the editor.

#include "Vst2Host.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool, Status) that its headers use as names.
#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace vsthost;

namespace
{
// Hosts install their own X error handler (Xlib's default one ends the process); this one counts.
std::atomic<int> xErrors { 0 };
int countXError(Display*, XErrorEvent*)
{
    ++xErrors;
    return 0;
}

unsigned childCount(Display* display, Window window)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
        return 0;
    if (children != nullptr)
        XFree(children);
    return count;
}

/// Keeps the editor's events flowing, as a host's idle loop does, until `done` holds or two
/// seconds have passed; answers whether `done` held.
template <typename Condition>
bool idleUntil(Instance& plugin, Display* display, Condition done)
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

    std::atomic<long> blocks { 0 };
    std::atomic<bool> allFinite { true };

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
    std::atomic<bool> running { true };
    std::thread thread;
};
} // namespace

TEST(Vst2Editor, OpensIntoTheHostWindowAndClosesTenTimesWhileProcessing)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X display; run under xvfb-run";
    XSetErrorHandler(&countXError);
    // A bare virtual display has no window manager, which would have named the properties the
    // framework uses on its windows (and which it only looks up, never creates); name them as a
    // desktop's window manager would have.
    for (const char* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "WM_CHANGE_STATE", "WM_STATE",
                              "_NET_WM_PING", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN" })
        XInternAtom(display, name, False);
    const Window host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 450, 223, 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);

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
