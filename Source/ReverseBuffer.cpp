#include "ReverseBuffer.h"

#include <algorithm>
#include <cmath>
#include <juce_core/juce_core.h>

namespace
{
// The buffer holds at least this long a stretch of input, like the main lines.
constexpr float capacitySeconds = 4.0f;
// Segment fades: at least 1 ms against clicks, at most 30 ms so short segments keep their body.
constexpr float maxFadeMs = 30.0f;
constexpr float minFadeMs = 1.0f;
}

void ReverseBuffer::prepare (float sampleRate)
{
    const auto samplesPerMs = sampleRate / 1000.0f;
    size = juce::nextPowerOfTwo ((int) (capacitySeconds * sampleRate));
    mask = size - 1;
    data.assign ((size_t) size, 0.0f);
    readPosition = writePosition = segmentCounter = 0;
    maxFade = maxFadeMs * samplesPerMs;
    minFade = minFadeMs * samplesPerMs;
}

void ReverseBuffer::flush() noexcept
{
    std::fill (data.begin(), data.end(), 0.0f);
}

void ReverseBuffer::write (float x) noexcept
{
    data[(size_t) writePosition] = x;
    writePosition = (writePosition + 1) & mask;
}

float ReverseBuffer::windowGain (float segmentLength) const noexcept
{
    const auto fade = std::max (minFade, std::min (segmentLength * 0.5f, maxFade));
    const auto counter = (float) segmentCounter;

    if (counter <= fade)
        return counter / fade;

    if (counter < segmentLength - fade)
        return 1.0f;

    return 1.0f - (counter - (segmentLength - fade)) / fade;
}

float ReverseBuffer::read (float delayTime, float offset, float echoOffset) noexcept
{
    const auto segmentLength = delayTime - 1.0f;
    const auto gain = windowGain (segmentLength);

    // Interpolate from the floor so that negative fractional positions interpolate too.
    const auto position = (double) readPosition - std::abs ((double) offset);
    const auto whole = std::floor (position);
    const auto fraction = (float) (position - whole);
    const auto index = (int) whole;
    const auto older = data[(size_t) (index & mask)];
    const auto newer = data[(size_t) ((index + 1) & mask)];
    const auto y = older + fraction * (newer - older);

    --readPosition;

    if ((float) segmentCounter >= segmentLength)
    {
        readPosition = writePosition - 1 - (int) (delayTime * echoOffset);
        segmentCounter = 0;
    }
    else
    {
        ++segmentCounter;
    }

    return gain * y;
}
