#include "Parameters.h"

#include <cmath>
#include <cstdio>

namespace zvparams
{
juce::String formatValue(float value)
{
    // value * 100 is exact in double (24 + 7 bits), so adding one half and flooring rounds the
    // magnitude half away from zero without any double-rounding surprise.
    const double magnitude = std::fabs((double)value);
    const double hundredths = std::floor(magnitude * 100.0 + 0.5);
    char text[64];
    std::snprintf(text, sizeof(text), "%s%.2f", value < 0.0f ? "-" : "", hundredths / 100.0);
    return text;
}
} // namespace zvparams
