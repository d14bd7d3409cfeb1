#pragma once

#include <array>
#include <atomic>

/** The engine's per-block snapshot of the parameter values, in the parameters' own units
    (cutoffs clamped for the running rate). Refreshed at the start of every block. */
struct DelayParams
{
    /** The raw values of the parameter tree, in the order of ParamIDs::all. */
    using RawValues = std::array<const std::atomic<float>*, 38>;

    /** Reads every value once (relaxed atomic loads); audio thread, no allocation. */
    void refresh (const RawValues& raw, float sampleRate) noexcept;

    float tape = 0.0f, diffAmt = 0.0f, diffSize = 0.0f, duck = 0.0f, duckAttack = 0.5f, duckRelease = 0.5f;
    float feedback = 0.5f, modAmt = 0.0f, modRate = 0.0f, timeMs = 0.5f, dry = 1.0f, wet = 1.0f, distortion = 0.0f;
    float lowCut = 20.0f, highCut = 20000.0f;
    float spread = 0.0f, echoOffset = 0.0f, frequencyShift = 0.0f, in = 0.0f, out = 0.0f;
    float lowCutQ = 0.0f, highCutQ = 0.0f, pan = 0.0f;
    float lowCutBlend = 0.0f, highCutBlend = 0.0f;
    int noteIndex = 0;
    int mode = 1;
    int distFunction = 1;
    int diffQuality = 8;
    int pitchShift = 0;
    bool fdbFil = false, postDist = false, pipo = false, mono = false, midSideMode = false;
    bool msMode = true, syncNormal = false, syncTriplet = false, syncDotted = false;
    bool bypassAll = false;

    /** Sets both cutoffs and their blends from raw values in Hz: the filters get the cutoff clamped
        to [20, sampleRate / 2.1], the blends follow the raw values. */
    void setCutoffs (float rawLowCut, float rawHighCut, float sampleRate) noexcept;
};
