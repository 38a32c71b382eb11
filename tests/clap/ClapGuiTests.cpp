// The CLAP plug-in's window inside a window of our host's own, on a virtual X display: created
// embedded in X11, placed in the host's window, drawn through the host's timer, shown at each
// scale the host sets (at the nearest of the editor's scale steps), and destroyed, leaving no
// window and no timer behind.

#include "ClapHost.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cmath>

namespace
{
claphost::Library& library()
{
    static claphost::Library lib(ZV_CLAP_PATH);
    return lib;
}

/// A top-level window of the host's own.
struct HostWindow
{
    HostWindow()
    {
        display = XOpenDisplay(nullptr);
        if (display == nullptr)
            throw std::runtime_error("no X display");
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1000, 600, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~HostWindow()
    {
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    unsigned children()
    {
        XSync(display, False);
        ::Window root = 0, parent = 0, *list = nullptr;
        unsigned n = 0;
        if (XQueryTree(display, window, &root, &parent, &list, &n) == 0)
            return 0;
        if (list != nullptr)
            XFree(list);
        return n;
    }
    Display* display = nullptr;
    ::Window window = 0;
};

/// The size the window has at `percent`: the editor's 450 × 223 pixels scaled, rounded up.
std::pair<uint32_t, uint32_t> scaledSize(int percent)
{
    return {(uint32_t)std::ceil(450.0 * percent / 100.0), (uint32_t)std::ceil(223.0 * percent / 100.0)};
}

std::pair<uint32_t, uint32_t> size(claphost::Instance& plugin)
{
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(plugin.gui->get_size(plugin.plugin, &w, &h));
    return {w, h};
}
} // namespace

TEST(ClapGui, EmbedsScalesAndCloses)
{
    claphost::Host host;
    claphost::Instance plugin(library(), host);
    HostWindow parent;
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(plugin.gui->get_preferred_api(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);
    EXPECT_TRUE(plugin.gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(plugin.gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(plugin.gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_WAYLAND, false));
    EXPECT_FALSE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, true));

    for (int round = 0; round < 2; ++round) // a second window after the first is closed
    {
        ASSERT_TRUE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
        EXPECT_FALSE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false)); // one at a time
        EXPECT_EQ(host.timers.size(), 1u);
        EXPECT_EQ(size(plugin), scaledSize(100));
        clap_window_t window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = parent.window;
        ASSERT_TRUE(plugin.gui->set_parent(plugin.plugin, &window));
        ASSERT_TRUE(plugin.gui->show(plugin.plugin));
        plugin.runTimers();
        EXPECT_EQ(parent.children(), 1u);

        // The host's scale, at the nearest of the editor's steps.
        const struct
        {
            double hostScale;
            int percent;
        } scales[] = {{1.5, 150}, {2.0, 200}, {1.3, 125}, {3.0, 200}, {1.0, 100}};
        for (const auto& s : scales)
        {
            ASSERT_TRUE(plugin.gui->set_scale(plugin.plugin, s.hostScale));
            plugin.runTimers();
            EXPECT_EQ(size(plugin), scaledSize(s.percent)) << s.hostScale;
            uint32_t w = 1, h = 1;
            EXPECT_TRUE(plugin.gui->adjust_size(plugin.plugin, &w, &h));
            EXPECT_EQ(std::make_pair(w, h), scaledSize(s.percent));
        }
        EXPECT_FALSE(plugin.gui->set_scale(plugin.plugin, 0.0));
        EXPECT_FALSE(plugin.gui->can_resize(plugin.plugin));
        // The host was asked for each new size.
        ASSERT_FALSE(host.resizeRequests.empty());
        EXPECT_EQ(host.resizeRequests.back(), scaledSize(100));

        ASSERT_TRUE(plugin.gui->hide(plugin.plugin));
        plugin.gui->destroy(plugin.plugin);
        EXPECT_TRUE(host.timers.empty());
        EXPECT_EQ(parent.children(), 0u);
        host.resizeRequests.clear();
    }
    EXPECT_EQ(host.mainThreadViolations.load(), 0);
}

TEST(ClapGui, WithoutHostTimersThereIsNoWindow)
{
    claphost::Host host;
    host.offerTimers = false;
    claphost::Instance plugin(library(), host);
    EXPECT_FALSE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
}

TEST(ClapGui, DestroyingAnInstanceWithItsWindowOpenIsSafe)
{
    claphost::Host host;
    HostWindow parent;
    {
        claphost::Instance plugin(library(), host);
        ASSERT_TRUE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
        clap_window_t window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = parent.window;
        ASSERT_TRUE(plugin.gui->set_parent(plugin.plugin, &window));
        plugin.runTimers();
    }
    EXPECT_TRUE(host.timers.empty());
    EXPECT_EQ(parent.children(), 0u);
}
