#include "TapeModulator.h"

#include <juce_core/juce_core.h>

namespace
{
// How often a flutter excursion starts: per-sample probability at tape 0 and its growth up to tape 1.
constexpr float flutterChanceAtRest = 0.00004f;
constexpr float flutterChancePerTape = 0.00076f;
// Excursion depth 10..70 samples and glide speed 0.0027..0.0051 samples per sample.
constexpr float flutterDepthMinimum = 10.0f;
constexpr float flutterDepthRange = 60.0f;
constexpr float flutterSpeedMinimum = 0.0027f;
constexpr float flutterSpeedRange = 0.0024f;
// Wow: a triangle up to 50 samples every 1.23 s, rising and falling at 318 samples per second.
constexpr float wowDepth = 50.0f;
constexpr float wowPeriodSeconds = 1.23f;
constexpr float wowSamplesPerSecond = 318.0f;
}

TapeModulator::TapeModulator()
{
    randomSeed = juce::Random::getSystemRandom().nextInt64();
}

void TapeModulator::prepare (float newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    wowPeriod = (int) (wowPeriodSeconds * sampleRate);
    wowSpeed = wowSamplesPerSecond / sampleRate;
}

float TapeModulator::nextFlutter (float tape) noexcept
{
    if (nextRandom() < flutterChanceAtRest + flutterChancePerTape * tape)
    {
        flutterState = flutterAttack;
        flutterTarget = flutterDepthMinimum + flutterDepthRange * nextRandom();
        flutterSpeed = flutterSpeedMinimum + flutterSpeedRange * nextRandom();
    }

    if (flutterState != flutterAttack && flutterValue < 2.0f * flutterSpeed)
    {
        flutterState = flutterIdle;
        return 0.0f;
    }

    if (std::abs (flutterTarget - flutterValue) <= 2.0f * flutterSpeed || flutterState == flutterReturn)
    {
        flutterState = flutterReturn;
        flutterValue = moveTowards (flutterValue, 0.0f, flutterSpeed);
        return flutterValue;
    }

    flutterState = flutterAttack;
    flutterValue = moveTowards (flutterValue, flutterTarget, flutterSpeed);

    if (std::abs (flutterTarget - flutterValue) < 2.0f * flutterSpeed)
        flutterState = flutterReturn;

    return flutterValue;
}

float TapeModulator::nextWow() noexcept
{
    ++wowCounter;

    if (wowCounter == wowPeriod)
    {
        wowActive = true;
        wowState = wowRise;
        wowCounter = 0;
    }
    else if (!(wowActive && (wowState == wowRise || wowState == wowFall)))
    {
        wowActive = false;
        wowValue = 0.0f;
        return 0.0f;
    }

    if (wowState == wowRise)
    {
        wowValue = moveTowards (wowValue, wowDepth, wowSpeed);

        if (std::abs (wowDepth - wowValue) < 2.0f * wowSpeed)
            wowState = wowFall;

        return wowValue;
    }

    wowValue = moveTowards (wowValue, 0.0f, wowSpeed);

    if (wowValue < 2.0f * wowSpeed)
        wowState = wowDone;

    return wowValue;
}
