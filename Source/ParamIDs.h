#pragma once

#include <array>

/** The one vocabulary for parameters: every ID, and the creation order the host sees. */
namespace ParamIDs
{
inline constexpr const char* tape = "tape";
inline constexpr const char* diffAmt = "diffAmt";
inline constexpr const char* diffSize = "diffSize";
inline constexpr const char* duck = "duck";
inline constexpr const char* duckAttack = "duckAttack";
inline constexpr const char* duckRelease = "duckRelease";
inline constexpr const char* feedback = "feedback";
inline constexpr const char* modAmt = "modAmt";
inline constexpr const char* modRate = "modRate";
inline constexpr const char* timeMs = "timeMs";
inline constexpr const char* dry = "dry";
inline constexpr const char* wet = "wet";
inline constexpr const char* distortion = "distortion";
inline constexpr const char* lowCut = "lowCut";
inline constexpr const char* highCut = "highCut";
inline constexpr const char* spread = "spread";
inline constexpr const char* echoOffset = "echoOffset";
inline constexpr const char* frequencyShift = "frequencyShift";
inline constexpr const char* lowCutQ = "lowCutQ";
inline constexpr const char* highCutQ = "highCutQ";
inline constexpr const char* in = "in";
inline constexpr const char* out = "out";
inline constexpr const char* pan = "pan";
inline constexpr const char* timeNrm = "timeNrm";
inline constexpr const char* timeTrip = "timeTrip";
inline constexpr const char* timeDot = "timeDot";
inline constexpr const char* mode = "mode";
inline constexpr const char* distFunction = "distFunction";
inline constexpr const char* diffQuality = "diffQuality";
inline constexpr const char* pitchShift = "pitchShift";
inline constexpr const char* fdbFil = "fdbFil";
inline constexpr const char* postDist = "postDist";
inline constexpr const char* timeMode = "timeMode";
inline constexpr const char* pipo = "pipo";
inline constexpr const char* mono = "mono";
inline constexpr const char* splitTestingSide = "splitTestingSide";
inline constexpr const char* midSideMode = "midSideMode";
inline constexpr const char* bypassAll = "bypassAll";

inline constexpr std::array<const char*, 38> all {
    tape, diffAmt, diffSize, duck, duckAttack, duckRelease, feedback, modAmt, modRate, timeMs,
    dry, wet, distortion, lowCut, highCut, spread, echoOffset, frequencyShift, lowCutQ, highCutQ,
    in, out, pan, timeNrm, timeTrip, timeDot, mode, distFunction, diffQuality, pitchShift,
    fdbFil, postDist, timeMode, pipo, mono, splitTestingSide, midSideMode, bypassAll
};
}
