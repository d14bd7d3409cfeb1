#include "ChaosCursor.h"

#include <cmath>

namespace
{
// Rising at half speed plays the echoes an octave down; returning at -2 plays them at triple speed.
constexpr float risingStep = 0.5f;
constexpr float returningStep = -2.0f;
// Share of the chaos period spent rising (2 T of 2.5 T).
constexpr float risingShare = 2.0f;
}

void ChaosCursor::step (float targetTime, float delayTime) noexcept
{
    if (delayTime <= 1.0f)
        return;

    chaosCursor += (targetTime > chaosCursor && !chaosReturning) ? risingStep : returningStep;

    if (chaosCursor <= 0.0f || chaosCursor >= targetTime)
        chaosReturning = chaosCursor > 0.0f;
}

std::optional<int> ChaosCursor::synchronise (const TransportSnapshot& transport) noexcept
{
    if (!transport.playing)
    {
        wasPlaying = false;
        return std::nullopt;
    }

    if (transport.delayTime <= 1.0f || transport.targetTime <= 1.0f)
    {
        wasPlaying = true;
        return std::nullopt;
    }

    const auto t = transport.positionSamples;

    // The target was truncated to whole samples: add back the fraction lost since the song start.
    std::int64_t drift = 0;
    if (transport.tempoMode)
        drift = (std::int64_t) (((double) t / transport.delayTime) * (transport.exactTargetTime - transport.targetTime));

    const auto segmentLength = (std::int64_t) transport.delayTime;
    const auto segmentCounter = (int) ((t - drift) % segmentLength);

    syncCursor = transport.chaosMode ? cursorForSongPosition (transport) : chaosCursor;

    if (!wasPlaying)
        chaosCursor = syncCursor;

    wasPlaying = true;
    return segmentCounter;
}

float ChaosCursor::cursorForSongPosition (const TransportSnapshot& transport) noexcept
{
    const auto period = transport.chaosPeriod;
    const auto target = transport.targetTime;

    if (period < 1.0f)
        return 0.0f;

    const auto t = transport.positionSamples;
    const auto wholePeriod = (std::int64_t) period;
    const auto fractionDrift = (std::int64_t) ((double) (period - std::trunc (period)) * (double) t / period);
    const auto phase = (t - fractionDrift) % wholePeriod;

    auto cursor = transport.echoOffset * period + (float) phase;
    if (cursor > period)
        cursor -= period;

    if (cursor >= risingShare * target)
    {
        chaosReturning = true;
        return target + returningStep * (cursor - risingShare * target);
    }

    chaosReturning = false;
    return cursor * risingStep;
}
