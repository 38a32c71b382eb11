// The built VST 2.4 library under a host that calls it from several threads at once: one thread
// calls processReplacing with blocks of changing size; others automate every parameter, switch,
// rename and list programs, read parameter texts, and fetch and hand back both chunks; the host's
// GUI thread opens the editor in a window of its own, keeps it running with idle calls, and closes
// it again. Built with ThreadSanitizer, any data race among these calls ends the program with a
// report.

#include "HostileThreads.h"
#include "Vst2Host.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool, Status) that its headers use as names.
#include <X11/Xlib.h>

using namespace vsthost;

namespace
{
/// The host's GUI thread for a while: opens the editor into a window of the host's own, idles it
/// the way a host's event loop does, and closes it. Returns whether the editor opened.
bool openIdleAndClose(Instance& plugin, Display* display, Window window, hostile::Random& random)
{
    ERect* rect = nullptr;
    plugin.call(editGetRect, 0, 0, &rect);
    const bool opened = plugin.call(editOpen, 0, 0, reinterpret_cast<void*>(window)) == 1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20 + random.below(150));
    while (std::chrono::steady_clock::now() < until)
    {
        plugin.call(editIdle);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    plugin.call(editClose);
    return opened;
}
} // namespace

TEST(Vst2Threads, DispatcherThreadsAudioAndTheEditorRunTogetherWithoutRaces)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 450, 223, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);

    long editors = 0;
    {
        Instance plugin;
        plugin.resume(44100.0f, 512);
        const int numParameters = plugin.effect->numParams;
        const int numPrograms = plugin.effect->numPrograms;

        std::atomic<bool> allFinite{true};
        hostile::Crew crew;
        crew.add("processReplacing",
                 [&, in = makeStereo(hostile::longestBlock),
                  out = makeStereo(hostile::longestBlock)](hostile::Random& r) mutable
                 {
                     const int n = hostile::blockSize(r);
                     for (auto& channel : in)
                         for (int i = 0; i < n; ++i)
                             channel[(size_t)i] = r.sample();
                     plugin.processBlock(in, out, 0, n);
                     for (const auto& channel : out)
                         for (int i = 0; i < n; ++i)
                             if (!std::isfinite(channel[(size_t)i]))
                                 allFinite = false;
                 });
        crew.add("setParameter",
                 [&](hostile::Random& r)
                 {
                     for (int i = 0; i < numParameters; ++i)
                         plugin.setParameter(i, r.hostileValue());
                 });
        crew.add("parameter texts",
                 [&](hostile::Random&)
                 {
                     for (int i = 0; i < numParameters; ++i)
                     {
                         plugin.getParameter(i);
                         plugin.text(getParamDisplay, i);
                         plugin.text(getParamName, i);
                     }
                 });
        crew.add("programs",
                 [&](hostile::Random& r)
                 {
                     plugin.call(setProgram, 0, r.below(numPrograms));
                     plugin.call(getProgram);
                 });
        crew.add("program names",
                 [&](hostile::Random& r)
                 {
                     char name[24];
                     std::snprintf(name, sizeof(name), "Host %d", r.below(1000));
                     plugin.call(setProgramName, 0, 0, name);
                     plugin.text(getProgramName);
                     for (int p = 0; p < numPrograms; ++p)
                         plugin.text(getProgramNameIndexed, p);
                 });
        // Switching processing off and on while a block runs on another thread breaks the
        // protocol, but some hosts do it.
        crew.add("mains",
                 [&](hostile::Random& r)
                 {
                     plugin.suspend();
                     plugin.resume(r.below(2) ? 44100.0f : 48000.0f, 64 << r.below(4));
                 });
        crew.add("chunks and tail",
                 [&](hostile::Random& r)
                 {
                     const bool program = r.below(2) == 0;
                     plugin.setChunkData(plugin.chunk(program), program);
                     plugin.call(getTailSize);
                 });

        // This thread is the host's GUI thread.
        hostile::Random random(77);
        const auto deadline = std::chrono::steady_clock::now() + hostile::runningTime();
        while (std::chrono::steady_clock::now() < deadline)
            editors += openIdleAndClose(plugin, display, window, random) ? 1 : 0;
        crew.stop();
        std::printf("  %-24s %ld rounds\n", "editor", editors);
        EXPECT_GT(crew.report(), 0) << "every thread ran";
        EXPECT_TRUE(allFinite);
        plugin.suspend();
    }
    EXPECT_GT(editors, 0);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}
