#pragma once

#include "../Components/CircularBuffer.h"
#include "Modulation.h"

#include <array>
#include <vector>

/** Diffuser of one channel: a cascade of up to eight modulated Schroeder all-pass stages
    whose lengths are fractions of the current delay time, so that the diffuser supplies a
    share of the delay and the echoes keep their timing. Plain value class: `reset`
    allocates (preparation thread), everything else runs on the audio thread. */
class Diffusion
{
public:
    static constexpr int maxStages = 8;

    /** Lengths (fractions of the delay time, each row sums to 1), LFO rates (Hz) and LFO depths. */
    struct StageTable
    {
        std::array<float, maxStages> length;
        std::array<float, maxStages> rate;
        std::array<float, maxStages> depth;
    };

    /** Binds the engine's smoothed delay time (samples), diffusion amount, diffusion size and
        modulation factor, allocates and zeroes the stages and starts their LFOs at phase 0.
        Side 0 uses the left tables, any other side the right ones. */
    void reset (float newSampleRate, int newSide, const float* delayTime, const float* amount, const float* size, const float* modulationFactor);

    /** Per block: the number of stages in use (1..8); the removed stages' share of the delay is
        spread evenly over the remaining ones. */
    void setQuality (int quality) noexcept;

    /** One sample through the stages in use. */
    float processAPFCascaded (float x) noexcept;

    /** Zeroes the stage buffers; the LFO phases are kept. */
    void flush() noexcept;

    float sampleRate = 44100.0f;
    float samplesPerMs = 44.1f;
    int numStages = maxStages;
    const float* amount = nullptr;
    const float* size = nullptr;
    const float* delayTime = nullptr;
    const float* modulationFactor = nullptr;
    int side = 0;
    std::vector<CV::CircularBuffer<float>> stages;
    std::vector<Modulation> stageLfos;
    const StageTable* tables = nullptr;
    float extraLength = 0.0f;

    static const StageTable leftTables;
    static const StageTable rightTables;
};
