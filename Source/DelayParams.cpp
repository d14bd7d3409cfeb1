#include "DelayParams.h"

#include "ParamIDs.h"

#include <algorithm>
#include <string_view>

namespace
{
constexpr int indexOf (std::string_view id)
{
    for (size_t i = 0; i < ParamIDs::all.size(); ++i)
        if (id == ParamIDs::all[i])
            return (int) i;

    return -1;
}

/** One relaxed load; the index is resolved at compile time, so no ID is looked up per block. */
template <int index>
float load (const DelayParams::RawValues& raw) noexcept
{
    static_assert (index >= 0, "unknown parameter ID");
    return raw[(size_t) index]->load (std::memory_order_relaxed);
}

// Lowest cutoff of either filter, and the highest as a share of the rate (keeps the biquad stable).
constexpr float lowestCutoff = 20.0f;
constexpr float rateToHighestCutoff = 2.1f;
// The low cut fades in between 20 and 30 Hz, the high cut between 20 and 18 kHz.
constexpr float lowCutFadeEnd = 30.0f;
constexpr float lowCutFadeWidth = 10.0f;
constexpr float highCutFadeStart = 18000.0f;
constexpr float highCutFadeEnd = 20000.0f;
constexpr float highCutFadeWidth = 2000.0f;
}

void DelayParams::setCutoffs (float rawLowCut, float rawHighCut, float sampleRate) noexcept
{
    const auto highest = sampleRate / rateToHighestCutoff;
    lowCut = std::clamp (rawLowCut, lowestCutoff, std::max (lowestCutoff, highest));
    highCut = std::clamp (rawHighCut, lowestCutoff, std::max (lowestCutoff, highest));
    lowCutBlend = rawLowCut < lowestCutoff ? 0.0f : (std::min (rawLowCut, lowCutFadeEnd) - lowestCutoff) / lowCutFadeWidth;
    highCutBlend = rawHighCut < highCutFadeStart ? 1.0f : 1.0f - (std::min (rawHighCut, highCutFadeEnd) - highCutFadeStart) / highCutFadeWidth;
}

void DelayParams::refresh (const RawValues& raw, float sampleRate) noexcept
{
    tape = load<indexOf (ParamIDs::tape)> (raw);
    diffAmt = load<indexOf (ParamIDs::diffAmt)> (raw);
    diffSize = load<indexOf (ParamIDs::diffSize)> (raw);
    duck = load<indexOf (ParamIDs::duck)> (raw);
    duckAttack = load<indexOf (ParamIDs::duckAttack)> (raw);
    duckRelease = load<indexOf (ParamIDs::duckRelease)> (raw);
    feedback = load<indexOf (ParamIDs::feedback)> (raw);
    modAmt = load<indexOf (ParamIDs::modAmt)> (raw);
    modRate = load<indexOf (ParamIDs::modRate)> (raw);
    timeMs = load<indexOf (ParamIDs::timeMs)> (raw);
    dry = load<indexOf (ParamIDs::dry)> (raw);
    wet = load<indexOf (ParamIDs::wet)> (raw);
    distortion = load<indexOf (ParamIDs::distortion)> (raw);
    setCutoffs (load<indexOf (ParamIDs::lowCut)> (raw), load<indexOf (ParamIDs::highCut)> (raw), sampleRate);
    spread = load<indexOf (ParamIDs::spread)> (raw);
    echoOffset = load<indexOf (ParamIDs::echoOffset)> (raw);
    frequencyShift = load<indexOf (ParamIDs::frequencyShift)> (raw);
    in = load<indexOf (ParamIDs::in)> (raw);
    out = load<indexOf (ParamIDs::out)> (raw);
    lowCutQ = load<indexOf (ParamIDs::lowCutQ)> (raw);
    highCutQ = load<indexOf (ParamIDs::highCutQ)> (raw);
    pan = load<indexOf (ParamIDs::pan)> (raw);

    const auto timeMode = (int) load<indexOf (ParamIDs::timeMode)> (raw);
    msMode = timeMode == 0;
    syncNormal = timeMode == 1;
    syncTriplet = timeMode == 2;
    syncDotted = timeMode == 3;

    // The note value is kept from the last sync mode while milliseconds are in use.
    if (syncNormal)
        noteIndex = (int) load<indexOf (ParamIDs::timeNrm)> (raw);
    else if (syncTriplet)
        noteIndex = (int) load<indexOf (ParamIDs::timeTrip)> (raw);
    else if (syncDotted)
        noteIndex = (int) load<indexOf (ParamIDs::timeDot)> (raw);

    mode = (int) load<indexOf (ParamIDs::mode)> (raw);
    distFunction = (int) load<indexOf (ParamIDs::distFunction)> (raw);
    diffQuality = (int) load<indexOf (ParamIDs::diffQuality)> (raw);
    pitchShift = (int) load<indexOf (ParamIDs::pitchShift)> (raw);
    fdbFil = load<indexOf (ParamIDs::fdbFil)> (raw) != 0.0f;
    postDist = load<indexOf (ParamIDs::postDist)> (raw) != 0.0f;
    pipo = load<indexOf (ParamIDs::pipo)> (raw) != 0.0f;
    mono = load<indexOf (ParamIDs::mono)> (raw) != 0.0f;
    midSideMode = load<indexOf (ParamIDs::midSideMode)> (raw) != 0.0f;
    bypassAll = load<indexOf (ParamIDs::bypassAll)> (raw) != 0.0f;
}
