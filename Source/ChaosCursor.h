#pragma once

#include <cstdint>
#include <optional>

/** Once-per-block view of the host transport and the engine's delay times, as the
    synchronisation of reverse segments and the chaos cycle needs it. */
struct TransportSnapshot
{
    bool playing = false;
    std::int64_t positionSamples = 0;
    /** Smoothed delay time D, samples. */
    float delayTime = 0.0f;
    /** Delay-time target T, truncated to whole samples. */
    float targetTime = 0.0f;
    /** Untruncated tempo length E in tempo mode; unused in millisecond mode. */
    double exactTargetTime = 0.0;
    bool tempoMode = false;
    float chaosPeriod = 0.0f;
    float echoOffset = 0.0f;
    bool chaosMode = false;
};

/** The chaos cursor of modes 4 and 5: an extra delay that rises from 0 to the delay time
    at half speed and falls back at triple speed (period 2.5 T), started in phase with the
    song position when playback starts. Plain value class, audio thread only. */
class ChaosCursor
{
public:
    /** Per sample in the chaos modes: T = the delay-time target, D = the smoothed delay. */
    void step (float targetTime, float delayTime) noexcept;

    /** Per block outside the chaos modes: the next chaos mode starts a cycle from 0. */
    void stop() noexcept { chaosCursor = 0.0f; }

    /** Per block: follows the transport. Returns the position every reverse buffer's
        segment counter must take, or nothing when the segments run freely. */
    std::optional<int> synchronise (const TransportSnapshot& transport) noexcept;

    float chaosCursor = 0.0f;
    bool chaosReturning = false;
    float syncCursor = 0.0f;
    bool wasPlaying = false;

private:
    float cursorForSongPosition (const TransportSnapshot& transport) noexcept;
};
