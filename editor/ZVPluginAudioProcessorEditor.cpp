#include "ZVPluginAudioProcessorEditor.h"

#include <ZVIdentity.h>
#include <processor/ParameterTable.h>
#include <processor/ZVPluginAudioProcessor.h>
#include <resources/artwork/WindowLayout.h>

#include <algorithm>
#include <iterator>

namespace
{
namespace layout = zguilayout;

/// The two look-and-feel objects that every editor of the process shares. They are made with
/// the first editor and kept for the later ones. Plain statics would be destroyed at library
/// unload, after the framework's GUI has shut down and possibly while the process default still
/// points at one of them; as DeletedAtShutdown objects they go when the framework shuts its GUI
/// down (after the library's last plug-in instance), while everything they use still exists.
class SharedLookAndFeels : private juce::DeletedAtShutdown
{
  public:
    SharedLookAndFeels() = default;

    ~SharedLookAndFeels() override
    {
        // The desktop was made before this object, so it is deleted after it and still here.
        auto& desktop = juce::Desktop::getInstance();
        if (&desktop.getDefaultLookAndFeel() == &defaultLookAndFeel)
            desktop.setDefaultLookAndFeel(nullptr);
        clearSingletonInstance();
    }

    /// The shared objects, making the desktop first so that it outlives them.
    static SharedLookAndFeels& get()
    {
        juce::Desktop::getInstance();
        return *getInstance();
    }

    juce::LookAndFeel_V1 sliderLookAndFeel;
    juce::LookAndFeel_V1 defaultLookAndFeel;

    JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL(SharedLookAndFeels)
    JUCE_DECLARE_NON_COPYABLE(SharedLookAndFeels)
};

JUCE_IMPLEMENT_SINGLETON(SharedLookAndFeels)

/// A 0..1 alpha as a byte, truncating as hosts have always been shown it (0.7 gives 0xb3), where
/// the framework's own conversion rounds (0.7 would give 0xb2).
juce::uint8 alphaByte(float alpha)
{
    if (alpha <= 0.0f)
        return 0;
    if (alpha >= 1.0f)
        return 255;
    return (juce::uint8)(alpha * 255.996f);
}

juce::Rectangle<int> boundsOf(const layout::Box& b)
{
    return {b.x, b.y, b.w, b.h};
}
} // namespace

juce::LookAndFeel& ZVPluginAudioProcessorEditor::getSliderLookAndFeel()
{
    return SharedLookAndFeels::get().sliderLookAndFeel;
}

juce::LookAndFeel& ZVPluginAudioProcessorEditor::getDefaultLookAndFeel()
{
    return SharedLookAndFeels::get().defaultLookAndFeel;
}

/// Opens the scale menu on a right-click on the artwork. It listens to the clicks of every child
/// after the child itself has had them, and leaves alone clicks on anything that takes clicks
/// of its own (sliders, switches, the information button and panel), so every specified click
/// behaves as before.
struct ZVPluginAudioProcessorEditor::ScaleMenuOpener : public juce::MouseListener
{
    explicit ScaleMenuOpener(ZVPluginAudioProcessorEditor& e) : editor(e) {}

    void mouseDown(const juce::MouseEvent& e) override
    {
        if (!e.mods.isPopupMenu())
            return;
        const juce::Component* artwork[] = {&editor,
                                            &editor.background,
                                            editor.earlyDisplay.get(),
                                            editor.lateDisplay.get(),
                                            editor.decayDisplay.get(),
                                            editor.listenerDisplay.get(),
                                            editor.mixDisplay.get()};
        if (std::find(std::begin(artwork), std::end(artwork), e.eventComponent) != std::end(artwork))
            editor.showScaleMenu(e.getScreenPosition());
    }

    ZVPluginAudioProcessorEditor& editor;
};

ZVPluginAudioProcessorEditor::ZVPluginAudioProcessorEditor(juce::AudioProcessor& p)
    : juce::AudioProcessorEditor(p), ourProcessor(dynamic_cast<const ZVPluginAudioProcessor*>(&p))
{
    setUpLookAndFeels();
    versionText = juce::String("R") + zvidentity::version;

    // Children in the order they are drawn, the background first.
    addAndMakeVisible(background);
    background.setBounds(boundsOf(layout::window));
    addControls();
    addDisplays();
    addPanels();

    setSize(layout::windowWidth, layout::windowHeight);
    startTimer(50);

    settings = zguiscale::settingsFile();
    chosenScale = zguiscale::readChosenScale(settings);
    applyScale();
    scaleMenuOpener = std::make_unique<ScaleMenuOpener>(*this);
    addMouseListener(scaleMenuOpener.get(), true);
}

void ZVPluginAudioProcessorEditor::setUpLookAndFeels()
{
    auto& shared = SharedLookAndFeels::get();
    shared.sliderLookAndFeel.setColour(juce::Slider::backgroundColourId,
                                       juce::Colour(0xffbcbec1u).withAlpha(alphaByte(0.7f)));
    shared.sliderLookAndFeel.setColour(juce::Slider::thumbColourId, juce::Colour(0xccccccccu));
    shared.sliderLookAndFeel.setColour(juce::Slider::textBoxOutlineColourId, juce::Colour(0x00000000u));
    shared.sliderLookAndFeel.setColour(juce::Slider::textBoxTextColourId, juce::Colour(0x70000000u));
    juce::Desktop::getInstance().setDefaultLookAndFeel(&shared.defaultLookAndFeel);
}

/// The switches and the bar sliders, each showing its parameter's value and telling this window
/// of every change.
void ZVPluginAudioProcessorEditor::addControls()
{
    auto& shared = SharedLookAndFeels::get();
    const auto addSwitch = [this](auto& sw, const layout::Box& box, int index)
    {
        sw = std::make_unique<typename std::remove_reference_t<decltype(sw)>::element_type>();
        addAndMakeVisible(*sw);
        sw->addListener(this);
        sw->setBounds(boundsOf(box));
        sw->setSwitchValue(readParameter(index));
    };
    addSwitch(powerSwitch, layout::powerSwitch, zvparams::OnOff);
    addSwitch(leftInputSwitch, layout::leftInputSwitch, zvparams::LeftOnOff);
    addSwitch(rightInputSwitch, layout::rightInputSwitch, zvparams::RightOnOff);
    addSwitch(stereoInputSwitch, layout::stereoInputSwitch, zvparams::StereoOnOff);

    const auto addSlider = [this, &shared](std::unique_ptr<juce::Slider>& slider, const char* name,
                                           const layout::Box& box, int index)
    {
        slider = std::make_unique<juce::Slider>(name);
        addAndMakeVisible(*slider);
        slider->addListener(this);
        slider->setLookAndFeel(&shared.sliderLookAndFeel);
        slider->setBounds(boundsOf(box));
        slider->setSliderStyle(juce::Slider::LinearBar);
        // A drag is one gesture to the host, so it records automation from the window as one
        // touch and knows when the user lets go.
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        slider->onDragStart = [this, index] { processor.beginParameterChangeGesture(index); };
        slider->onDragEnd = [this, index] { processor.endParameterChangeGesture(index); };
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
        const auto& display = zvparams::table[index].display;
        slider->setTextValueSuffix(display.unit);
        slider->setRange(display.minimum, display.maximum, 0.1);
        slider->setValue(zvparams::toDisplay(display, readParameter(index)), juce::dontSendNotification);
    };
    addSlider(earlySlider, "Early", layout::earlySlider, zvparams::EarlySize);
    addSlider(lateSlider, "Late", layout::lateSlider, zvparams::LateSize);
    addSlider(diffusionSlider, "Diffusion", layout::diffusionSlider, zvparams::Diffusion);
    addSlider(decaySlider, "Decay", layout::decaySlider, zvparams::Decay);
    addSlider(positionSlider, "Position", layout::positionSlider, zvparams::Listener);
    addSlider(mixSlider, "Mix", layout::mixSlider, zvparams::DryWet);
    addSlider(gainSlider, "Gain", layout::gainSlider, zvparams::Volume);
}

/// The pictures of the early and late diffusion, the decay, the listener and the mix, drawn from
/// the sliders' values.
void ZVPluginAudioProcessorEditor::addDisplays()
{
    const juce::Colour displayLine(0xdd8f9295u);

    earlyDisplay = std::make_unique<zGUIEarlyDiffusions>();
    addAndMakeVisible(*earlyDisplay);
    earlyDisplay->setBounds(boundsOf(layout::earlyDisplay));
    earlyDisplay->lineColour = displayLine;
    earlyDisplay->setSizeFraction(earlySlider->getValue() / 100.0);
    earlyDisplay->setDensity(diffusionSlider->getValue() / 100.0);

    lateDisplay = std::make_unique<zGUIEarlyDiffusions>();
    addAndMakeVisible(*lateDisplay);
    lateDisplay->setBounds(boundsOf(layout::lateDisplay));
    lateDisplay->lineColour = displayLine;
    lateDisplay->setSizeFraction(lateSlider->getValue() / 100.0);
    lateDisplay->setDensity(diffusionSlider->getValue() / 100.0);

    decayDisplay = std::make_unique<zGUILateDecay>();
    addAndMakeVisible(*decayDisplay);
    decayDisplay->setBounds(boundsOf(layout::decayDisplay));
    decayDisplay->fillColour = juce::Colour(0xccbcbec1u);
    decayDisplay->outlineColour = displayLine;
    decayDisplay->setDecay(decaySlider->getValue() / 100.0);

    listenerDisplay = std::make_unique<zGUIListenerLX>();
    addAndMakeVisible(*listenerDisplay);
    listenerDisplay->setBounds(boundsOf(layout::listenerDisplay));
    listenerDisplay->setPosition(positionSlider->getValue() / 100.0);

    mixDisplay = std::make_unique<zGUILimiterLPF>();
    addAndMakeVisible(*mixDisplay);
    mixDisplay->setBounds(boundsOf(layout::mixDisplay));
    mixDisplay->isActive = true;
    mixDisplay->updatePaths();
    mixDisplay->areaColour = juce::Colour(0x0fffffffu);
    mixDisplay->outlineColour = juce::Colour(0xffffff00u);
    mixDisplay->levelColour = displayLine;
    mixDisplay->shape = 0.0f;
    mixDisplay->updatePaths();
    mixDisplay->outlineThickness = 0.0f;
    mixDisplay->levelThickness = 1.0f;
    mixDisplay->level = (float)(mixSlider->getValue() / 100.0);
    mixDisplay->updatePaths();
}

/// The information panel, the invisible button that opens it, and the version text.
void ZVPluginAudioProcessorEditor::addPanels()
{
    infoPanel = std::make_unique<zGUIReverbLXInfo>();
    addChildComponent(*infoPanel);
    infoPanel->addListener(this);
    infoPanel->setBounds(boundsOf(layout::window));
    infoPanel->setVisible(false);

    infoButton = std::make_unique<zGUIInfoButton>();
    addChildComponent(*infoButton);
    infoButton->addListener(this);
    infoButton->setBounds(boundsOf(layout::infoButton));
    infoButton->setVisible(true);

    versionDisplay = std::make_unique<zGUIPluginVersion>();
    addChildComponent(*versionDisplay);
    versionDisplay->setBounds(boundsOf(layout::versionDisplay));
    versionDisplay->versionLabel->setText(versionText, juce::dontSendNotification);
    versionDisplay->setVisible(false);

    tooltips = std::make_unique<juce::TooltipWindow>(this, 500);
}

ZVPluginAudioProcessorEditor::~ZVPluginAudioProcessorEditor()
{
    stopTimer();
    removeMouseListener(scaleMenuOpener.get());
}

void ZVPluginAudioProcessorEditor::resized()
{
    if (layoutSizeHeld && (getWidth() != layout::windowWidth || getHeight() != layout::windowHeight))
        setSize(layout::windowWidth, layout::windowHeight);
}

void ZVPluginAudioProcessorEditor::setScaleFactor(float newScale)
{
    hostScale = newScale;
    applyScale();
}

void ZVPluginAudioProcessorEditor::chooseScale(int percent)
{
    chosenScale = zguiscale::isStep(percent) ? percent : 0;
    zguiscale::writeChosenScale(settings, chosenScale);
    applyScale();
}

void ZVPluginAudioProcessorEditor::applyScale()
{
    const int percent = chosenScale != 0 ? chosenScale : zguiscale::nearestStep(hostScale);
    if (percent == shownScale)
        return;
    shownScale = percent;
    layoutSizeHeld = true;
    // The framework's own scaling: the host's wrapper sizes its window from the editor's
    // transformed bounds, and every child draws through the transform at the screen's pixels.
    juce::AudioProcessorEditor::setScaleFactor((float)percent / 100.0f);
    // Some hosts' wrappers (LV2) size their window only when told of a resize, not of a new
    // transform; a size that resized() puts straight back tells them.
    setSize(layout::windowWidth, layout::windowHeight + 1);
}

juce::PopupMenu ZVPluginAudioProcessorEditor::createScaleMenu() const
{
    juce::PopupMenu menu;
    menu.addSectionHeader("Window size");
    const bool standalone = processor.wrapperType == juce::AudioProcessor::wrapperType_Standalone;
    menu.addItem(1, standalone ? "As the desktop" : "As the host asks", true, chosenScale == 0);
    for (int percent : zguiscale::steps)
        menu.addItem(percent, juce::String(percent) + " %", true, percent == shownScale && chosenScale != 0);
    return menu;
}

void ZVPluginAudioProcessorEditor::showScaleMenu(juce::Point<int> screenPosition)
{
    juce::Component::SafePointer<ZVPluginAudioProcessorEditor> safe(this);
    createScaleMenu().showMenuAsync(juce::PopupMenu::Options().withTargetComponent(this).withTargetScreenArea(
                                        {screenPosition.x, screenPosition.y, 1, 1}),
                                    [safe](int result)
                                    {
                                        if (safe != nullptr && result != 0)
                                            safe->chooseScale(result == 1 ? 0 : result);
                                    });
}

void ZVPluginAudioProcessorEditor::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colour(0xffe6e6e6u));
}

void ZVPluginAudioProcessorEditor::timerCallback()
{
    refreshFromProcessor();
}

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
float ZVPluginAudioProcessorEditor::readParameter(int index)
{
    return processor.getParameter(index);
}

void ZVPluginAudioProcessorEditor::writeParameter(int index, float value)
{
    processor.setParameterNotifyingHost(index, value);
}
JUCE_END_IGNORE_WARNINGS_GCC_LIKE

juce::Slider* ZVPluginAudioProcessorEditor::sliderFor(int index) const
{
    switch (index)
    {
    case zvparams::EarlySize:
        return earlySlider.get();
    case zvparams::LateSize:
        return lateSlider.get();
    case zvparams::Decay:
        return decaySlider.get();
    case zvparams::Diffusion:
        return diffusionSlider.get();
    case zvparams::Listener:
        return positionSlider.get();
    case zvparams::DryWet:
        return mixSlider.get();
    case zvparams::Volume:
        return gainSlider.get();
    default:
        return nullptr;
    }
}

void ZVPluginAudioProcessorEditor::showDisplaysFor(int index, double v)
{
    switch (index)
    {
    case zvparams::EarlySize:
        earlyDisplay->setSizeFraction(v / 100.0);
        break;
    case zvparams::LateSize:
        lateDisplay->setSizeFraction(v / 100.0);
        break;
    case zvparams::Decay:
        decayDisplay->setDecay(v / 100.0);
        break;
    case zvparams::Diffusion:
        earlyDisplay->setDensity(v / 100.0);
        lateDisplay->setDensity(v / 100.0);
        break;
    case zvparams::Listener:
        listenerDisplay->setPosition(v / 100.0);
        break;
    case zvparams::DryWet:
        mixDisplay->level = (float)(v / 100.0);
        mixDisplay->updatePaths();
        break;
    default:
        break;
    }
}

void ZVPluginAudioProcessorEditor::refreshFromProcessor()
{
    // All values are read before anything is shown, so one refresh shows one moment of the
    // processor even while the host keeps writing.
    float p[zvparams::count];
    for (int index : {7, 8, 9, 10, 0, 1, 2, 3, 4, 5, 6})
        p[index] = readParameter(index);

    powerSwitch->setSwitchValue(p[zvparams::OnOff]);
    leftInputSwitch->setSwitchValue(p[zvparams::LeftOnOff]);
    rightInputSwitch->setSwitchValue(p[zvparams::RightOnOff]);
    stereoInputSwitch->setSwitchValue(p[zvparams::StereoOnOff]);

    for (int index : {zvparams::EarlySize, zvparams::LateSize, zvparams::Decay, zvparams::Diffusion,
                      zvparams::DryWet, zvparams::Listener, zvparams::Volume})
    {
        auto* slider = sliderFor(index);
        slider->setValue(zvparams::toDisplay(zvparams::table[index].display, p[index]),
                         juce::dontSendNotification);
        // The display follows what the slider shows: snapped to 0.1 and clamped to its range.
        showDisplaysFor(index, slider->getValue());
    }

    zvmeasure::Settings settings;
    std::copy(std::begin(p), std::end(p), settings.begin());
    // The rate the instance runs at, read safely while the host may be preparing it on another
    // thread.
    roomDecay.request(settings, ourProcessor != nullptr ? ourProcessor->runningRate() : 44100.0);
    const auto tip = roomDecay.tipText();
    if (decayDisplay->getTooltip() != tip)
    {
        decayDisplay->setTooltip(tip);
        decaySlider->setTooltip(tip);
    }
}

void ZVPluginAudioProcessorEditor::sliderValueChanged(juce::Slider* slider)
{
    for (int index = zvparams::EarlySize; index <= zvparams::Volume; ++index)
    {
        if (sliderFor(index) != slider)
            continue;
        const double v = slider->getValue();
        writeParameter(index, zvparams::fromDisplay(zvparams::table[index].display, v));
        showDisplaysFor(index, v);
        return;
    }
}

void ZVPluginAudioProcessorEditor::buttonClicked(juce::Button* button)
{
    // The input selectors are one-of-three: the clicked one ends up on, the others off, and all
    // three are written with the clicked one last, so a host recording automation sees the
    // final choice as the newest value.
    const auto selectInput = [this](int chosen, std::initializer_list<int> writeOrder)
    {
        leftInputSwitch->setSwitchValue(chosen == zvparams::LeftOnOff ? 1.0 : 0.0);
        rightInputSwitch->setSwitchValue(chosen == zvparams::RightOnOff ? 1.0 : 0.0);
        stereoInputSwitch->setSwitchValue(chosen == zvparams::StereoOnOff ? 1.0 : 0.0);
        for (int index : writeOrder)
        {
            const double value = index == zvparams::LeftOnOff    ? leftInputSwitch->switchValue
                                 : index == zvparams::RightOnOff ? rightInputSwitch->switchValue
                                                                 : stereoInputSwitch->switchValue;
            writeParameter(index, (float)value);
        }
    };

    if (button == powerSwitch.get())
        writeParameter(zvparams::OnOff, (float)powerSwitch->switchValue);
    else if (button == leftInputSwitch.get())
        selectInput(zvparams::LeftOnOff, {zvparams::RightOnOff, zvparams::StereoOnOff, zvparams::LeftOnOff});
    else if (button == rightInputSwitch.get())
        selectInput(zvparams::RightOnOff, {zvparams::StereoOnOff, zvparams::LeftOnOff, zvparams::RightOnOff});
    else if (button == stereoInputSwitch.get())
        selectInput(zvparams::StereoOnOff,
                    {zvparams::LeftOnOff, zvparams::RightOnOff, zvparams::StereoOnOff});
    else if (button == infoPanel.get())
    {
        if (infoPanel->isVisible())
        {
            infoPanel->setVisible(false);
            versionDisplay->setVisible(false);
        }
    }
    else if (button == infoButton.get())
    {
        const bool show = !infoPanel->isVisible();
        infoPanel->setVisible(show);
        versionDisplay->setVisible(show);
    }
}
