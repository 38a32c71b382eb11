// The window's scale: the steps, the user's settings file (which may be missing or damaged), the
// host's scale, the right-click menu, the controls under the mouse at every scale, and an idle
// window that stops redrawing but paints a change at once.

#include "EditorTestSupport.h"

#include <editor/zGUIScale.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

namespace
{
juce::File scratchFile(const char* name)
{
    const auto dir = juce::File::getSpecialLocation(juce::File::tempDirectory)
                         .getChildFile("zv-scale-tests-" + juce::String(juce::Time::currentTimeMillis()));
    dir.createDirectory();
    return dir.getChildFile(name);
}

/// Runs `f` in a child process and expects its answer as the child's exit code. A watchdog ends
/// the child if `f` blocks, and the child's memory is capped, so code that waits forever or reads
/// without end fails the test instead of hanging it or filling the machine's memory.
void expectAnswerFromChild(const std::function<int()>& f, int expected, const juce::String& what)
{
    const auto guardedRun = [&f]
    {
        alarm(10);
        unsigned long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r"))
        {
            if (std::fscanf(statm, "%lu", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t cap = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + ((rlim_t)256 << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        std::_Exit(f());
    };
    EXPECT_EXIT(guardedRun(), ::testing::ExitedWithCode(expected), "") << what;
}

/// A host's window holding the editor, sized to the editor's scaled bounds as the plug-in
/// adapters and the standalone application size theirs.
struct HostWindow : juce::Component
{
    void childBoundsChanged(juce::Component* child) override
    {
        setSize(getLocalArea(child, child->getLocalBounds()).getWidth(),
                getLocalArea(child, child->getLocalBounds()).getHeight());
    }
};

struct Window : ::testing::Test
{
    juce::ScopedJuceInitialiser_GUI gui;
    ZVPluginAudioProcessor processor;
    HostWindow host;
    std::unique_ptr<ZVPluginAudioProcessorEditor> editor;

    void SetUp() override
    {
        zguiscale::settingsFile().deleteFile();
        open();
    }
    void TearDown() override
    {
        editor.reset();
        juce::PopupMenu::dismissAllActiveMenus();
        zguiscale::settingsFile().deleteFile();
    }

    void open()
    {
        editor.reset();
        editor = std::make_unique<ZVPluginAudioProcessorEditor>(processor);
        host.addAndMakeVisible(*editor);
        host.childBoundsChanged(editor.get());
        if (!host.isOnDesktop())
        {
            host.addToDesktop(0);
            host.setVisible(true);
        }
        pumpMessages(60);
    }

    /// A press of the left or right mouse button at a point of the window in editor pixels, a
    /// move by `drag` editor pixels with the button held and a release, delivered through the
    /// host window's peer at the screen's (scaled) pixels.
    void clickAt(juce::Point<float> p, bool right = false, juce::Point<float> drag = {})
    {
        auto* peer = host.getPeer();
        ASSERT_NE(peer, nullptr);
        const auto button =
            right ? juce::ModifierKeys::rightButtonModifier : juce::ModifierKeys::leftButtonModifier;
        auto time = juce::Time::currentTimeMillis();
        const auto send = [&](juce::Point<float> at, juce::ModifierKeys mods)
        {
            peer->handleMouseEvent(
                juce::MouseInputSource::InputSourceType::mouse, host.getLocalPoint(editor.get(), at), mods,
                juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, ++time);
        };
        send(p, {});
        send(p, juce::ModifierKeys(button));
        for (int step = 1; step <= 4; ++step)
            send(p + drag * (float)step / 4.0f, juce::ModifierKeys(button));
        send(p + drag, {});
        pumpMessages(40);
    }

    static int desktopWindows() { return juce::Desktop::getInstance().getNumComponents(); }
};

/// Counts the repaints a component asks for and the times the window actually paints it; it
/// draws nothing of its own.
struct RepaintCounter : juce::CachedComponentImage
{
    void paint(juce::Graphics&) override { ++paints; }
    bool invalidateAll() override { return ++count, true; }
    bool invalidate(const juce::Rectangle<int>&) override { return ++count, true; }
    void releaseResources() override {}
    int count = 0;
    int paints = 0;
};
} // namespace

TEST(ScaleSteps, HostScalesGoToTheNearestStepWithinOneToTwo)
{
    const std::pair<float, int> cases[] = {
        {1.0f, 100}, {1.1f, 100}, {1.2f, 125},
        {1.5f, 150}, {1.8f, 175}, {2.0f, 200},
        {3.0f, 200}, {0.5f, 100}, {std::numeric_limits<float>::quiet_NaN(), 100}};
    for (auto [factor, percent] : cases)
        EXPECT_EQ(zguiscale::nearestStep(factor), percent) << factor;
}

TEST(ScaleSettings, ChoiceSurvivesAWriteAndKeepsOtherLines)
{
    const auto file = scratchFile("settings");
    EXPECT_EQ(zguiscale::readChosenScale(file), 0) << "missing file";
    ASSERT_TRUE(file.replaceWithText("theme=dark\nscale=125\n"));
    EXPECT_EQ(zguiscale::readChosenScale(file), 125);
    ASSERT_TRUE(zguiscale::writeChosenScale(file, 175));
    EXPECT_EQ(zguiscale::readChosenScale(file), 175);
    EXPECT_TRUE(file.loadFileAsString().contains("theme=dark"));
    ASSERT_TRUE(zguiscale::writeChosenScale(file, 0));
    EXPECT_EQ(zguiscale::readChosenScale(file), 0);
    file.getParentDirectory().deleteRecursively();
}

TEST(ScaleSettings, DamagedFilesReadAsFollowingTheHost)
{
    const auto file = scratchFile("settings");
    juce::MemoryBlock garbage;
    for (int i = 0; i < 3000; ++i)
        garbage.append("\xff\x00\xfe=scale\n" + (i % 7), 1);
    const juce::String texts[] = {"scale=",
                                  "scale=abc",
                                  "scale=999",
                                  "scale=-150",
                                  "scale=150.5",
                                  "scale=1e2",
                                  "scale=99999999999999999999150",
                                  "=150",
                                  juce::String::repeatedString("x", 20000) + "\nscale=150"};
    for (const auto& text : texts)
    {
        ASSERT_TRUE(file.replaceWithText(text));
        EXPECT_EQ(zguiscale::readChosenScale(file), 0) << text.substring(0, 40);
    }
    ASSERT_TRUE(file.replaceWithData(garbage.getData(), garbage.getSize()));
    EXPECT_EQ(zguiscale::readChosenScale(file), 0);
    // A folder where the file should be: nothing to read. A file where its folder should be:
    // writing fails without harm.
    file.deleteFile();
    file.createDirectory();
    EXPECT_EQ(zguiscale::readChosenScale(file), 0);
    const auto blocked = file.getSiblingFile("blocker").getChildFile("settings");
    ASSERT_TRUE(blocked.getParentDirectory().replaceWithText("not a folder"));
    EXPECT_FALSE(zguiscale::writeChosenScale(blocked, 150));
    file.getParentDirectory().deleteRecursively();
}

TEST(ScaleSettings, SpecialFilesReadAsFollowingTheHostAtOnceAndAreLeftAlone)
{
    // Whatever sits at the settings path, the window opens without waiting and without reading
    // more than a settings file holds; a choice made meanwhile never writes into a pipe or a
    // device, nor replaces them.
    const auto file = scratchFile("settings");
    const auto path = file.getFullPathName();
    const struct
    {
        const char* what;
        std::function<bool()> make;
        bool special;
    } cases[] = {
        {"a named pipe", [&] { return mkfifo(path.toRawUTF8(), 0600) == 0; }, true},
        {"a link to an endless device", [&] { return symlink("/dev/zero", path.toRawUTF8()) == 0; }, true},
        {"a folder", [&] { return file.createDirectory().wasOk(); }, true},
        {"a file larger than settings ever are",
         [&] { return file.replaceWithText(juce::String::repeatedString("scale=150\n", 2000)); }, false},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(c.make()) << c.what;
        struct stat before
        {
        };
        ASSERT_EQ(lstat(path.toRawUTF8(), &before), 0) << c.what;
        expectAnswerFromChild([&] { return zguiscale::readChosenScale(file); }, 0, c.what);
        if (c.special)
        {
            expectAnswerFromChild([&] { return zguiscale::writeChosenScale(file, 150) ? 1 : 0; }, 0, c.what);
            struct stat after
            {
            };
            ASSERT_EQ(lstat(path.toRawUTF8(), &after), 0) << c.what;
            EXPECT_EQ(after.st_mode, before.st_mode) << c.what;
            EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
        }
        ASSERT_TRUE(file.isDirectory() ? file.deleteRecursively() : file.deleteFile()) << c.what;
    }
    file.getParentDirectory().deleteRecursively();
}

TEST(ScaleSettings, LiveInTheUsersConfigFolder)
{
    const auto saved = juce::SystemStats::getEnvironmentVariable("XDG_CONFIG_HOME", {});
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(zguiscale::settingsFile().getFullPathName(), "/somewhere/config/ZV-Reverb LX/settings");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(zguiscale::settingsFile().getFullPathName(),
              juce::File::getSpecialLocation(juce::File::userHomeDirectory).getFullPathName() +
                  "/.config/ZV-Reverb LX/settings");
    setenv("XDG_CONFIG_HOME", saved.toRawUTF8(), 1);
}

TEST_F(Window, FollowsTheHostsScaleAtTheNearestStepKeepingItsLayout)
{
    for (auto [factor, percent] : {std::pair{1.5f, 150}, {2.0f, 200}, {1.3f, 125}, {1.0f, 100}})
    {
        editor->setScaleFactor(factor);
        EXPECT_EQ(editor->getScalePercent(), percent);
        EXPECT_EQ(editor->getLocalBounds(), juce::Rectangle<int>(0, 0, 450, 223));
        EXPECT_EQ(editor->powerSwitch->getBounds(), juce::Rectangle<int>(30, 17, 44, 19));
        EXPECT_NEAR(host.getWidth(), 450 * percent / 100.0, 0.5) << percent;
        EXPECT_NEAR(host.getHeight(), 223 * percent / 100.0, 0.5) << percent;
    }
    // A host that resizes the window along with its new scale (as the VST3 adapter does) gets the
    // one layout back, at the new scale.
    editor->setScaleFactor(2.0f);
    editor->setBounds(0, 0, 225, 112);
    EXPECT_EQ(editor->getLocalBounds(), juce::Rectangle<int>(0, 0, 450, 223));
}

TEST_F(Window, UsersChoiceOverridesTheHostAndIsRememberedByTheNextWindow)
{
    editor->chooseScale(175);
    editor->setScaleFactor(1.0f);
    EXPECT_EQ(editor->getScalePercent(), 175);
    EXPECT_EQ(zguiscale::readChosenScale(zguiscale::settingsFile()), 175);
    open();
    EXPECT_EQ(editor->getScalePercent(), 175);
    editor->chooseScale(0);
    editor->setScaleFactor(1.5f);
    EXPECT_EQ(editor->getScalePercent(), 150);
    open();
    EXPECT_EQ(editor->getScalePercent(), 100);
}

TEST_F(Window, MenuOffersTheStepsAndTicksTheChoice)
{
    editor->chooseScale(150);
    juce::StringArray items;
    juce::Array<int> ticked;
    const auto menu = editor->createScaleMenu();
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
        if (!it.getItem().isSectionHeader)
        {
            items.add(it.getItem().text);
            if (it.getItem().isTicked)
                ticked.add(it.getItem().itemID);
        }
    EXPECT_EQ(items.joinIntoString("|"), "As the host asks|100 %|125 %|150 %|175 %|200 %");
    EXPECT_EQ(ticked, juce::Array<int>(150));
}

TEST_F(Window, RightClickOnTheArtworkOpensTheMenuAndNowhereElse)
{
    for (int percent : {100, 200})
    {
        editor->chooseScale(percent);
        pumpMessages(40);
        const int before = desktopWindows();
        // On controls a right-click keeps doing what it always did, and opens nothing.
        clickAt({350.0f, 120.0f}, true); // position slider
        clickAt({100.0f, 190.0f}, true); // information button
        EXPECT_EQ(desktopWindows(), before) << percent;
        ASSERT_TRUE(editor->infoPanel->isVisible()) << "the information button took its click";
        clickAt({100.0f, 190.0f});
        for (auto p : {juce::Point<float>{5.0f, 100.0f}, {90.0f, 70.0f}, {350.0f, 60.0f}})
        {
            clickAt(p, true);
            EXPECT_EQ(desktopWindows(), before + 1) << percent << " at " << p.toString();
            juce::PopupMenu::dismissAllActiveMenus();
            pumpMessages(40);
        }
    }
}

TEST_F(Window, EveryControlAnswersTheMouseAtEveryScale)
{
    for (int percent : zguiscale::steps)
    {
        editor->chooseScale(percent);
        processor.setParameter(zvparams::OnOff, 1.0f);
        processor.setParameter(zvparams::LeftOnOff, 0.0f);
        for (int index : {zvparams::EarlySize, zvparams::DryWet, zvparams::Volume})
            processor.setParameter(index, 0.5f);
        editor->refreshFromProcessor(); // what the window's timer does, without waiting for it
        pumpMessages(40);

        clickAt(editor->powerSwitch->getBounds().getCentre().toFloat());
        EXPECT_EQ(processor.getParameter(zvparams::OnOff), 0.0f) << percent;
        for (auto* sw :
             {(juce::Button*)editor->leftInputSwitch.get(), (juce::Button*)editor->rightInputSwitch.get(),
              (juce::Button*)editor->stereoInputSwitch.get()})
        {
            clickAt(sw->getBounds().getCentre().toFloat());
            EXPECT_TRUE(sw->getToggleState()) << percent;
        }
        // Dragging a bar slider by a quarter of its width moves it by a quarter of its range.
        for (auto* slider : {editor->earlySlider.get(), editor->gainSlider.get(), editor->mixSlider.get()})
        {
            const auto b = slider->getBounds().toFloat();
            const double before = slider->getValue();
            clickAt(b.getCentre(), false, {-b.getWidth() * 0.25f, 0.0f});
            const double expected = before - (slider->getMaximum() - slider->getMinimum()) * 0.25;
            EXPECT_NEAR(slider->getValue(), expected, 1.0) << percent << " " << slider->getName();
        }
        clickAt(editor->infoButton->getBounds().getCentre().toFloat());
        EXPECT_TRUE(editor->infoPanel->isVisible()) << percent;
        clickAt({400.0f, 60.0f});
        EXPECT_FALSE(editor->infoPanel->isVisible()) << percent;
    }
}

TEST_F(Window, IdleWindowRepaintsNothingUntilAValueMoves)
{
    std::vector<std::pair<juce::Component*, RepaintCounter*>> watched;
    for (auto* c : std::initializer_list<juce::Component*>{
             &editor->background, editor->earlyDisplay.get(), editor->lateDisplay.get(),
             editor->decayDisplay.get(), editor->listenerDisplay.get(), editor->mixDisplay.get(),
             editor->earlySlider.get(), editor->powerSwitch.get()})
    {
        auto counter = std::make_unique<RepaintCounter>();
        watched.emplace_back(c, counter.get());
        c->setCachedComponentImage(counter.release());
    }
    pumpMessages(60);
    for (auto [c, counter] : watched)
        counter->count = 0; // installing the counter repaints once
    pumpMessages(500);      // ten refreshes
    for (auto [c, counter] : watched)
        EXPECT_EQ(counter->count, 0) << c->getName() << " " << typeid(*c).name();

    processor.setParameter(zvparams::Listener, 0.9f);
    processor.setParameter(zvparams::Diffusion, 0.2f);
    pumpUntil([&] { return watched[1].second->count > 0 && watched[4].second->count > 0; });
    EXPECT_GT(watched[1].second->count, 0) << "early display follows the diffusion";
    EXPECT_GT(watched[4].second->count, 0) << "listener display follows its position";
    EXPECT_EQ(watched[3].second->count, 0) << "decay display did not change";
    for (auto [c, counter] : watched)
        c->setCachedComponentImage(nullptr);
}

TEST_F(Window, IdleForAWhileStillPaintsAChangeAtOnce)
{
    // Once nothing is left to paint, the window's paint timer drops to a slow tick; a change must
    // still be painted at the display's rate, not at that tick. Three rounds, since one of them
    // could meet a slow tick by chance.
    auto counter = std::make_unique<RepaintCounter>();
    auto* listener = counter.get();
    editor->listenerDisplay->setCachedComponentImage(counter.release());
    for (int round = 0; round < 3; ++round)
    {
        pumpMessages(1100);
        listener->paints = 0;
        processor.setParameter(zvparams::Listener, round == 1 ? 0.2f : 0.8f);
        pumpMessages(300); // the refresh within 50 ms, the paint at the next frame
        EXPECT_GT(listener->paints, 0) << "round " << round;
    }
    editor->listenerDisplay->setCachedComponentImage(nullptr);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
