#pragma once

#include <juce_core/juce_core.h>

#include <unistd.h>

#include <iostream>
#include <string>

namespace zvrender
{
/// One progress bar on the terminal's error stream, redrawn only when the whole percentage
/// changes; nothing at all when the stream is not a terminal (a log, a pipe, a test).
class ProgressBar
{
  public:
    explicit ProgressBar(bool enabled) : show(enabled && ::isatty(2)) {}

    /// Draws `fraction` (0 to 1) of the work as done.
    void update(double fraction)
    {
        if (!show)
            return;
        const int percent = juce::jlimit(0, 100, (int)(fraction * 100.0));
        if (percent == last)
            return;
        last = percent;
        const int filled = percent * 40 / 100;
        std::cerr << "\r[" << std::string((size_t)filled, '#') << std::string((size_t)(40 - filled), '-')
                  << "] " << percent << "%" << std::flush;
    }

    /// Takes the bar off the line, so that text can be written there; the next update redraws it.
    void clear()
    {
        if (show && last >= 0)
            std::cerr << "\r" << std::string(50, ' ') << "\r" << std::flush;
        last = -1;
    }

  private:
    bool show;
    int last = -1;
};
} // namespace zvrender
