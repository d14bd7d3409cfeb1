#pragma once

#include "PluginProcessor.h"

#include <vector>

/** Which parameter each field of an A/B record mirrors, in the order the record is applied
    and saved with the host's state. Shared by the A/B switch and the state block so both
    walk the record the same way. */
namespace PresetParamsFields
{
using Record = VantrelDelayAudioProcessor::PresetParams;

template <typename Value>
struct Field
{
    const char* id; // the parameter mirrored; for the time-mode flags, the flag's own name
    Value Record::*member;
};

inline constexpr std::array<Field<float>, 23> floats { {
    { ParamIDs::tape, &Record::tape },
    { ParamIDs::diffAmt, &Record::diffAmt },
    { ParamIDs::diffSize, &Record::diffSize },
    { ParamIDs::duck, &Record::duck },
    { ParamIDs::duckAttack, &Record::duckAttack },
    { ParamIDs::duckRelease, &Record::duckRelease },
    { ParamIDs::feedback, &Record::feedback },
    { ParamIDs::modAmt, &Record::modAmt },
    { ParamIDs::modRate, &Record::modRate },
    { ParamIDs::timeMs, &Record::timeMs },
    { ParamIDs::dry, &Record::dry },
    { ParamIDs::wet, &Record::wet },
    { ParamIDs::in, &Record::in },
    { ParamIDs::out, &Record::out },
    { ParamIDs::distortion, &Record::distortion },
    { ParamIDs::lowCut, &Record::lowCut },
    { ParamIDs::highCut, &Record::highCut },
    { ParamIDs::lowCutQ, &Record::lowCutQ },
    { ParamIDs::highCutQ, &Record::highCutQ },
    { ParamIDs::pan, &Record::pan },
    { ParamIDs::spread, &Record::spread },
    { ParamIDs::echoOffset, &Record::echoOffset },
    { ParamIDs::frequencyShift, &Record::frequencyShift },
} };

inline constexpr std::array<Field<int>, 7> ints { {
    { ParamIDs::pitchShift, &Record::pitchShift },
    { ParamIDs::timeNrm, &Record::timeNrm },
    { ParamIDs::timeTrip, &Record::timeTrip },
    { ParamIDs::timeDot, &Record::timeDot },
    { ParamIDs::mode, &Record::mode },
    { ParamIDs::distFunction, &Record::distFunction },
    { ParamIDs::diffQuality, &Record::diffQuality },
} };

/** Switches applied before the time mode. */
inline constexpr std::array<Field<bool>, 2> switchesBeforeTimeMode { {
    { ParamIDs::fdbFil, &Record::fdbFil },
    { ParamIDs::postDist, &Record::postDist },
} };

/** Switches applied after the time mode. */
inline constexpr std::array<Field<bool>, 3> switchesAfterTimeMode { {
    { ParamIDs::pipo, &Record::pipo },
    { ParamIDs::mono, &Record::mono },
    { ParamIDs::midSideMode, &Record::midSideMode },
} };

/** The four flags that together mirror "timeMode", indexed by its value (0 = ms .. 3 = dot). */
inline constexpr std::array<Field<bool>, 4> timeModeFlags { {
    { "ms", &Record::ms },
    { "nrm", &Record::nrm },
    { "trip", &Record::trip },
    { "dot", &Record::dot },
} };

/** The "timeMode" value a record stands for: the last of dot, trip, nrm that is set, else 0. */
inline int timeModeOf (const Record& record)
{
    for (int timeMode = (int) timeModeFlags.size() - 1; timeMode > 0; --timeMode)
        if (record.*timeModeFlags[(size_t) timeMode].member)
            return timeMode;

    return 0;
}

/** The IDs of the 36 parameters a record mirrors, in the order a record is applied. */
inline std::vector<const char*> parameterIDs()
{
    std::vector<const char*> result;

    for (const auto& field : floats)
        result.push_back (field.id);

    for (const auto& field : ints)
        result.push_back (field.id);

    for (const auto& field : switchesBeforeTimeMode)
        result.push_back (field.id);

    result.push_back (ParamIDs::timeMode);

    for (const auto& field : switchesAfterTimeMode)
        result.push_back (field.id);

    return result;
}
}
