// The GUI object: the processor's editor inside a wrapper, its size reported to the host, the
// view attached to a native window only, resizes passed on to the host's view container, and
// the order in which host objects may go. Needs an X display (run under xvfb-run).

#include "AAXTestHost.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include "HostWindow.h"

#include <gtest/gtest.h>

using namespace aaxtest;

namespace
{
struct AAXGui : ::testing::Test
{
    Registration registration;
    std::unique_ptr<Instance> instance = std::make_unique<Instance>(registration);

    AAX_IEffectGUI* newGUI()
    {
        AAX_IEffectGUI* gui = registration.effect().createGUI();
        EXPECT_EQ(gui->Initialize(&instance->controller()), AAX_SUCCESS);
        return gui;
    }

    juce::AudioProcessorEditor* activeEditor()
    {
        auto* processor = static_cast<juce::AudioProcessor*>(instance->processorAddress());
        return processor != nullptr ? processor->getActiveEditor() : nullptr;
    }

    static AAX_Point viewSize(const AAX_IEffectGUI& gui, AAX_Result* result = nullptr)
    {
        AAX_Point size;
        const AAX_Result r = gui.GetViewSize(&size);
        if (result != nullptr)
            *result = r;
        return size;
    }
};
} // namespace

TEST_F(AAXGui, ReportsTheEditorsSize450By223)
{
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    AAX_Result result = -1;
    const auto size = viewSize(*gui, &result);
    EXPECT_EQ(result, AAX_SUCCESS);
    EXPECT_EQ(size.horz, 450.0f);
    EXPECT_EQ(size.vert, 223.0f);
    auto* editor = activeEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->getWidth(), 450);
    EXPECT_EQ(editor->getHeight(), 223);
    gui->Uninitialize();
}

TEST_F(AAXGui, WithoutAnEditorTheSizeRequestAnswersNullObject)
{
    std::unique_ptr<AAX_IEffectGUI> notInitialised(registration.effect().createGUI());
    AAX_Result result = 0;
    viewSize(*notInitialised, &result);
    EXPECT_EQ(result, -20004);

    // A controller without an effect-parameters object gives the GUI nothing to show.
    Controller orphan;
    std::unique_ptr<AAX_IEffectGUI> gui(registration.effect().createGUI());
    ASSERT_EQ(gui->Initialize(&orphan), AAX_SUCCESS);
    viewSize(*gui, &result);
    EXPECT_EQ(result, -20004);
}

TEST_F(AAXGui, AttachesToANativeWindowAndDetachesWhenTheContainerGoes)
{
    HostWindow window;
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    EXPECT_EQ(window.childCount(), 0u);
    ASSERT_EQ(gui->SetViewContainer(&window), AAX_SUCCESS);
    EXPECT_EQ(window.childCount(), 1u);
    ASSERT_EQ(gui->SetViewContainer(nullptr), AAX_SUCCESS);
    EXPECT_EQ(window.childCount(), 0u);
    // The editor itself stays until the GUI object goes.
    EXPECT_NE(activeEditor(), nullptr);
    gui->Uninitialize();
    gui.reset();
    EXPECT_EQ(activeEditor(), nullptr);
}

TEST_F(AAXGui, OtherContainerKindsAreNotAttachedTo)
{
    HostWindow window(AAX_eViewContainer_Type_NULL);
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    ASSERT_EQ(gui->SetViewContainer(&window), AAX_SUCCESS);
    EXPECT_EQ(window.childCount(), 0u);
    AAX_Result result = -1;
    viewSize(*gui, &result);
    EXPECT_EQ(result, AAX_SUCCESS);
    gui->Uninitialize();
}

TEST_F(AAXGui, AResizedEditorIsReportedToTheViewContainer)
{
    HostWindow window;
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    ASSERT_EQ(gui->SetViewContainer(&window), AAX_SUCCESS);
    auto* editor = activeEditor();
    ASSERT_NE(editor, nullptr);
    window.sizes.clear();
    // Resizing through the test's own copy of the framework code: the editor object lives in the
    // plug-in module, but setSize only reaches it through its (shared) layout and virtual calls.
    editor->setSize(500, 300);
    ASSERT_FALSE(window.sizes.empty());
    EXPECT_EQ(window.sizes.back().horz, 500.0f);
    EXPECT_EQ(window.sizes.back().vert, 300.0f);
    const auto size = viewSize(*gui);
    EXPECT_EQ(size.horz, 500.0f);
    EXPECT_EQ(size.vert, 300.0f);
    gui->Uninitialize();
}

TEST_F(AAXGui, ASecondGUIForTheSameInstanceShowsNothing)
{
    std::unique_ptr<AAX_IEffectGUI> first(newGUI());
    std::unique_ptr<AAX_IEffectGUI> second(newGUI());
    AAX_Result result = 0;
    viewSize(*second, &result);
    EXPECT_EQ(result, -20004);
    viewSize(*first, &result);
    EXPECT_EQ(result, AAX_SUCCESS);
    second.reset();
    EXPECT_NE(activeEditor(), nullptr);
}

TEST_F(AAXGui, DeletingTheEffectFirstDeletesTheEditorBeforeTheProcessor)
{
    HostWindow window;
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    ASSERT_EQ(gui->SetViewContainer(&window), AAX_SUCCESS);
    instance.reset();
    EXPECT_EQ(window.childCount(), 0u);
    AAX_Result result = 0;
    viewSize(*gui, &result);
    EXPECT_EQ(result, -20004);
    // A host that goes on talking to the GUI finds nothing to show, and no dangling processor.
    EXPECT_EQ(gui->SetViewContainer(&window), AAX_SUCCESS);
    EXPECT_EQ(window.childCount(), 0u);
    gui->Uninitialize();
    gui.reset();
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 0);
}

TEST_F(AAXGui, LiveObjectsAreCountedUntilTheLastGoes)
{
    std::unique_ptr<AAX_IEffectGUI> gui(newGUI());
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 2);
    gui->Uninitialize();
    gui.reset();
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 1);
    instance.reset();
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 0);

    // The framework starts again for the next instance.
    instance = std::make_unique<Instance>(registration);
    gui.reset(newGUI());
    const auto size = viewSize(*gui);
    EXPECT_EQ(size.horz, 450.0f);
    gui->Uninitialize();
}
