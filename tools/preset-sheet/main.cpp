// zv-preset-sheet: measures every factory preset and writes the page that shows them.
// For each preset, the room alone (Dry-Wet at 1, everything else as the preset has it) is
// rendered at 48 kHz as a host would run it, after a second of silence that lets the pre-delay
// settle where it stays in use; then its impulse response is measured and drawn.
// Usage: zv-preset-sheet DOCS_DIR   (writes DOCS_DIR/presets.md and DOCS_DIR/presets/NAME.png)
// The page is generated: change the presets or this program, then run it again.

#include <FactoryPresets.h>
#include <zv-render/DecayTime.h>
#include <measure/Measurement.h>
#include <zv-render/Plot.h>
#include <zv-render/RenderSession.h>

#include <juce_events/juce_events.h>

#include <cmath>
#include <iostream>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;
constexpr double preDelayThresholdDb = -40.0;

struct Response
{
    juce::AudioBuffer<float> audio;
    zvmeasure::DecayMeasurement decay;
    double preDelayMs = 0.0;
    double tailCorrelation = 0.0;
};

/// Where the tail is taken to begin: after the early reflections of the largest sizes.
constexpr double tailStartMs = 80.0;

/// The interaural cross-correlation of the tail: the largest normalised correlation of the two
/// sides within +-1 ms, over the response from tailStartMs on. 1 is a mono tail, 0 two unrelated
/// ones; the lower it is, the wider the reverb sounds.
double tailCorrelation(const juce::AudioBuffer<float>& audio)
{
    const int from = (int)(tailStartMs / 1000.0 * rate), n = audio.getNumSamples(),
              most = (int)(rate / 1000.0);
    const float *l = audio.getReadPointer(0), *r = audio.getReadPointer(1);
    double ll = 0.0, rr = 0.0;
    for (int i = from; i < n; ++i)
        ll += (double)l[i] * l[i], rr += (double)r[i] * r[i];
    if (!(ll > 0.0 && rr > 0.0))
        return std::nan("");
    double best = 0.0;
    for (int lag = -most; lag <= most; ++lag)
    {
        double lr = 0.0;
        for (int i = std::max(from, from - lag); i < std::min(n, n - lag); ++i)
            lr += (double)l[i] * r[i + lag];
        best = std::max(best, std::fabs(lr) / std::sqrt(ll * rr));
    }
    return best;
}

/// The RT60 of an octave band over the 1 kHz band's: below 1 the band dies sooner.
juce::String bandRatio(const zvmeasure::DecayMeasurement& decay, double hz)
{
    const auto at = [&](double centre)
    {
        for (const auto& band : decay.bands)
            if (band.centreHz == centre)
                return band.rt60;
        return std::nan("");
    };
    const double ratio = at(hz) / at(1000.0);
    return std::isfinite(ratio) ? juce::String(ratio, 2) : juce::String("n/a");
}

/// The time of the first sample, on either side, at or above `thresholdDb` relative to the
/// response's peak: when the reverb is first heard after the direct sound.
double onsetMs(const juce::AudioBuffer<float>& audio, double thresholdDb)
{
    const float peak = juce::jmax(audio.getMagnitude(0, 0, audio.getNumSamples()),
                                  audio.getMagnitude(1, 0, audio.getNumSamples()));
    const float threshold = peak * (float)std::pow(10.0, thresholdDb / 20.0);
    for (int i = 0; i < audio.getNumSamples(); ++i)
        if (std::fabs(audio.getSample(0, i)) >= threshold || std::fabs(audio.getSample(1, i)) >= threshold)
            return 1000.0 * i / rate;
    return std::nan("");
}

Response measure(const zvpresets::FactoryPreset& preset)
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
    ZVPluginAudioProcessor processor;
    zvpresets::load(processor, preset);
    processor.setParameter(zvparams::DryWet, 1.0f);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    zvrender::RenderSession session(processor, rate, blockSize);

    session.settle();

    // Long enough for the response to fall well past the 35 dB the reverberation time is read
    // from, and the same length zv-render measures, so the numbers agree.
    const double seconds = zvrender::responseSeconds(processor.getTailLengthSeconds());
    Response r;
    r.audio.setSize(2, (int)(seconds * rate));
    r.audio.clear();
    r.audio.setSample(0, 0, 1.0f);
    r.audio.setSample(1, 0, 1.0f);
    session.process(r.audio, 0, r.audio.getNumSamples());
    r.decay = zvmeasure::measureDecay({r.audio.getReadPointer(0), r.audio.getReadPointer(1)},
                                      (size_t)r.audio.getNumSamples(), rate);
    r.preDelayMs = onsetMs(r.audio, preDelayThresholdDb);
    r.tailCorrelation = tailCorrelation(r.audio);
    return r;
}

void writePicture(const zvpresets::FactoryPreset& preset, const Response& r, const juce::File& file)
{
    zvrender::PlotLayout layout;
    layout.width = 640;
    layout.panelHeight = 150;
    layout.waveform = false;
    zvrender::PlotAccumulator plot(r.audio.getNumSamples(), rate, false, layout.columns());
    plot.add(r.audio.getReadPointer(0), r.audio.getReadPointer(1), r.audio.getNumSamples());
    // Opaque pixels: the alpha channel would only make the files larger.
    const auto image = plot.draw(juce::String(preset.name) + ": impulse response, wet only", &r.decay, layout)
                           .convertedToFormat(juce::Image::RGB);
    file.deleteFile();
    juce::FileOutputStream out(file);
    if (!out.openedOk() || !juce::PNGImageFormat().writeImageToStream(image, out))
        throw std::runtime_error("cannot write " + file.getFullPathName().toStdString());
}

juce::String seconds(double s)
{
    return std::isnan(s) ? "n/a" : juce::String(s, 2) + " s";
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: zv-preset-sheet DOCS_DIR\n";
        return 2;
    }
    juce::ScopedJuceInitialiser_GUI framework; // fonts for the pictures
    const auto docs = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    const auto pictures = docs.getChildFile("presets");
    pictures.createDirectory();

    juce::String table;
    table
        << "# Factory presets\n\n"
           "The plug-in ships "
        << (int)zvpresets::all().size()
        << " presets to start from. LV2 hosts list them "
           "with the plug-in's presets; VST 2.4 hosts load them as a bank, `zv-reverb-lx-factory.fxb` "
           "(in `/usr/share/zv-reverb-lx/` once installed, `build/presets/files/` after a build), which "
           "puts them into the first programs; `zv-render --preset NAME` renders with one, and "
           "`zv-render --list-presets` lists them. A new instance still starts with every program at "
           "\"Default\".\n\n"
           "Each was measured as the room alone: Dry-Wet at 1, everything else as the preset has it, at "
           "48 kHz, after a second of silence (the plug-in's pre-delay glides into place when it starts). "
           "RT60 is the broadband reverberation time from the fall from -5 to -35 dB (T30), EDT the early "
           "decay time from the fall from 0 to -10 dB, both as `zv-render --impulse` measures them. "
           "Pre-delay is the time of the first sample, on either side, at or above "
        << juce::String((int)preDelayThresholdDb)
        << " dB relative to the response's peak. The engine's own pre-delay is fixed (7.92 ms left, "
           "4.08 ms right), so it reads 4.1 ms wherever the diffusers let the first sound through at once; "
           "with little diffusion the first audible reflection comes later. Slapback's response is two "
           "echoes, not a decay, and Metal Tunnel's upper bands flutter: where a fall comes in steps rather "
           "than at a steady rate, it reads n/a. Two figures show each preset's character: the RT60 of the "
           "125 Hz and 8 kHz octaves relative to the 1 kHz octave's (every tail of this engine fades darker "
           "than it starts, since its tone shelves sit inside its loops), and the tail's interaural "
           "correlation, the largest correlation of the two sides within 1 ms from "
        << juce::String((int)tailStartMs)
        << " ms on (1 is mono, 0 two unrelated sides; every preset's tail is wide). Each picture shows the "
           "level over time and the decay of each octave band.\n\n"
           "Regenerate this page with `build/bin/zv-preset-sheet docs` after changing the presets "
           "(`presets/FactoryPresets.cpp`).\n\n";
    table << "| Preset | What it is for | RT60 (T30) | EDT | Pre-delay | RT60 125 Hz / 1 kHz / 8 kHz | Tail "
             "correlation | Impulse response |\n"
          << "|---|---|---|---|---|---|---|---|\n";
    for (const auto& preset : zvpresets::all())
    {
        const auto r = measure(preset);
        const auto picture = pictures.getChildFile(zvpresets::slug(preset) + ".png");
        writePicture(preset, r, picture);
        const auto& broadband = r.decay.broadband();
        const auto character = bandRatio(r.decay, 125.0) + " / 1 / " + bandRatio(r.decay, 8000.0);
        const auto correlation =
            std::isfinite(r.tailCorrelation) ? juce::String(r.tailCorrelation, 2) : juce::String("n/a");
        table << "| " << preset.name << " | " << preset.purpose << " | " << seconds(broadband.rt60) << " | "
              << seconds(broadband.edt) << " | " << juce::String(r.preDelayMs, 1) << " ms | " << character
              << " | " << correlation << " | [picture](presets/" << picture.getFileName() << ") |\n";
        std::cout << preset.name << ": RT60 " << seconds(broadband.rt60) << ", EDT " << seconds(broadband.edt)
                  << ", pre-delay " << juce::String(r.preDelayMs, 1) << " ms, RT60 125 Hz / 1 kHz / 8 kHz "
                  << character << ", tail correlation " << correlation << std::endl;
    }
    docs.getChildFile("presets.md").replaceWithText(table);
    return 0;
}
