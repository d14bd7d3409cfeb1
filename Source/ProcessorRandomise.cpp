#include "PluginProcessor.h"

namespace
{
/** A parameter that takes a uniform value over 0 .. 1, or over -1 .. 1 when bipolar. */
struct ContinuousDraw
{
    const char* parameterID;
    bool bipolar;
};

/** A parameter that takes one of `count` whole values starting at `first`. */
struct ChoiceDraw
{
    const char* parameterID;
    int count;
    int first;
};

constexpr std::array<ContinuousDraw, 17> continuousDraws { {
    { ParamIDs::tape, false },
    { ParamIDs::diffAmt, false },
    { ParamIDs::diffSize, false },
    { ParamIDs::duck, false },
    { ParamIDs::duckAttack, false },
    { ParamIDs::duckRelease, false },
    { ParamIDs::feedback, false },
    { ParamIDs::modAmt, false },
    { ParamIDs::modRate, false },
    { ParamIDs::timeMs, false },
    { ParamIDs::distortion, false },
    { ParamIDs::spread, true },
    { ParamIDs::echoOffset, false },
    { ParamIDs::frequencyShift, true },
    { ParamIDs::lowCutQ, false },
    { ParamIDs::highCutQ, false },
    { ParamIDs::pan, true },
} };

// Random pitch shifts are upward only (+1 .. +8 semitones) although the range runs from -12.
constexpr std::array<ChoiceDraw, 7> choiceDraws { {
    { ParamIDs::timeNrm, 5, 0 },
    { ParamIDs::timeTrip, 5, 0 },
    { ParamIDs::timeDot, 5, 0 },
    { ParamIDs::mode, 7, 1 },
    { ParamIDs::distFunction, 15, 1 },
    { ParamIDs::diffQuality, 8, 1 },
    { ParamIDs::pitchShift, 8, 1 },
} };

constexpr std::array<const char*, 5> switchDraws { ParamIDs::fdbFil, ParamIDs::postDist, ParamIDs::pipo, ParamIDs::mono, ParamIDs::midSideMode };

constexpr int timeModeCount = 4;

// Bounds the search for a high cut above the low cut; a low cut near 20 kHz may leave none.
constexpr int maximumHighCutDraws = 100;
}

void VantrelDelayAudioProcessor::randomizeParameters()
{
    for (const auto& draw : continuousDraws)
    {
        const auto unit = random.nextFloat();
        setParamValue (draw.parameterID, draw.bipolar ? 2.0f * unit - 1.0f : unit);
    }

    const auto& cutoffRange = CV::ParamTypes::fullFrequencyRange;
    const auto lowCut = cutoffRange.convertFrom0to1 (random.nextFloat());
    auto highCut = cutoffRange.convertFrom0to1 (random.nextFloat());

    for (int draws = 1; highCut < lowCut && draws < maximumHighCutDraws; ++draws)
        highCut = cutoffRange.convertFrom0to1 (random.nextFloat());

    setParamValue (ParamIDs::lowCut, lowCut);
    setParamValue (ParamIDs::highCut, highCut);

    for (const auto& draw : choiceDraws)
        setParamValue (draw.parameterID, (float) (random.nextInt (draw.count) + draw.first));

    for (const auto* parameterID : switchDraws)
        setParamValue (parameterID, random.nextBool() ? 1.0f : 0.0f);

    setParamValue (ParamIDs::timeMode, (float) random.nextInt (timeModeCount));
}
