#pragma once

#include <cmath>
#include <cstdint>

/** Tape wow and flutter: a periodic triangle (wow) plus random glides (flutter), as an offset
    in samples added to the delay length of both channels. */
class TapeModulator
{
public:
    // How often a flutter excursion starts: per-sample probability at tape 0 and its growth up to tape 1.
    static constexpr float flutterChanceAtRest = 0.00004f;
    static constexpr float flutterChancePerTape = 0.00076f;
    // Excursion depth 10..70 samples and glide speed 0.0027..0.0051 samples per sample.
    static constexpr float flutterDepthMinimum = 10.0f;
    static constexpr float flutterDepthRange = 60.0f;
    static constexpr float flutterSpeedMinimum = 0.0027f;
    static constexpr float flutterSpeedRange = 0.0024f;
    // Wow: a triangle up to 50 samples every 1.23 s, rising and falling at 318 samples per second.
    static constexpr float wowDepth = 50.0f;
    static constexpr float wowPeriodSeconds = 1.23f;
    static constexpr float wowSamplesPerSecond = 318.0f;

    /** Seeds the random source from the system. Not real-time. */
    TapeModulator();

    /** Sets the rate-dependent wow period and speed. Not real-time. */
    void prepare (float newSampleRate) noexcept;

    /** The next offset in samples before scaling by the tape amount; tape (0..1) sets how
        often flutter excursions start. Audio thread. */
    float next (float tape) noexcept
    {
        return nextFlutter (tape) + nextWow();
    }

    float wowValue = 0.0f;
    int flutterState = flutterIdle;
    int wowState = wowDone;
    std::int64_t randomSeed = 0;
    float sampleRate = 44100.0f;
    bool wowActive = false;
    int wowCounter = 0;
    int wowPeriod = 0;
    float wowSpeed = 0.0f;
    float flutterValue = 0.0f;
    float flutterTarget = 0.0f;
    float flutterSpeed = 0.0f;

    enum FlutterState
    {
        flutterAttack = 0,
        flutterReturn = 1,
        flutterIdle = 2
    };

    enum WowState
    {
        wowRise = 0,
        wowFall = 1,
        wowDone = 2
    };

private:
    /** The 48-bit linear congruential generator of juce::Random, inline because it runs every
        sample; values are clamped below 1. */
    float nextRandom() noexcept
    {
        static constexpr std::uint64_t multiplier = 0x5deece66dULL;
        static constexpr std::uint64_t increment = 11;
        static constexpr std::uint64_t mask48 = 0xffffffffffffULL;
        static constexpr float twoTo32 = 4294967296.0f;
        static constexpr float largestBelowOne = 0.99999988f;

        randomSeed = (std::int64_t) ((((std::uint64_t) randomSeed) * multiplier + increment) & mask48);
        const auto value = (float) (std::uint32_t) (randomSeed >> 16) / twoTo32;
        return value < largestBelowOne ? value : largestBelowOne;
    }

    static float moveTowards (float value, float target, float speed) noexcept
    {
        if (value < target)
            return target - value <= speed ? target : value + speed;

        return value - target <= speed ? target : value - speed;
    }

    float nextFlutter (float tape) noexcept
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

    float nextWow() noexcept
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
};
