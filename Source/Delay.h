#pragma once

#include "../Components/CircularBuffer.h"
#include "ChaosCursor.h"
#include "DelayParams.h"
#include "Diffusion.h"
#include "Distortion.h"
#include "EnvelopeFollower.h"
#include "Filters.h"
#include "FrequencyShifter.h"
#include "LinearSmoother.h"
#include "Modulation.h"
#include "PitchShifter.h"
#include "ReverseBuffer.h"
#include "TapeModulator.h"
#include "TransitionRamp.h"
#include "TransportInfo.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

/** The stereo delay engine: everything that runs on the audio thread. Channel 0 is left (or mid),
    channel 1 right (or side). prepare() allocates; process() runs per block with coefficient and
    target updates once per block and every stage per sample, without allocating. */
class Delay
{
public:
    /** The high-pass then the low-pass of one filter set, with the blends that fade each cut in. */
    struct AllFilters
    {
        /** Shares of filtered and unfiltered signal for each cut, from its blend (0..1, Hz-derived):
            below 1 the cut fades in, at 1 only the filtered signal passes. Once per block. */
        struct Blends
        {
            Blends (float lowCutBlend, float highCutBlend) noexcept;
            float lowFiltered, lowUnfiltered, highFiltered, highUnfiltered;
        };

        AllFilters();
        void reset (float sampleRate);
        void updateCoefficients (float lowCut, float lowCutQ, float highCut, float highCutQ) noexcept;

        float process (float x, int channel, const Blends& blends) noexcept
        {
            x = blends.lowFiltered * highPass.process (x, channel) + blends.lowUnfiltered * x;
            return blends.highFiltered * lowPass.process (x, channel) + blends.highUnfiltered * x;
        }

        /** True when both filters hold only zeros, so silence in gives silence out and state. */
        bool isSilent() const noexcept;

        Filters highPass, lowPass;
    };

    /** Per-channel values and stages; the held values of the ramps live in the ramps. */
    struct ChannelVars
    {
        float input = 0.0f;
        float delayed = 0.0f;
        float reversed = 0.0f;
        float spreadAmount = 0.0f;
        float feedbackGain = 0.0f;
        float haasDelay = 0.0f;
        float* outputChannel = nullptr;
        EnvelopeFollower duckFollower;
        Diffusion diffuser;
        Diffusion reverseDiffuser;
        ReverseBuffer reverseBuffer;
        TransitionRamp diffuserRamp;
        TransitionRamp feedbackRamp;
        TransitionRamp outputRamp;
    };

    /** The playback-mode flags, derived once per block from `mode`. */
    struct ModeFlags
    {
        bool reverseForward = false;
        bool allReversed = false;
        bool chaos = false;
        bool anyReverse = false;
        bool frequencyShifter = false;
        bool pitchShifter = false;
    };

    /** The values glided per sample; each indexes `smoothers`. */
    enum SmoothedValue
    {
        delayTime,
        diffusionAmount,
        diffusionSize,
        modulationDepth,
        distortionAmount,
        spread,
        feedback,
        duck,
        dry,
        wet,
        lowCutFrequency,
        highCutFrequency,
        tape,
        lowCutQ,
        highCutQ,
        inputGain,
        outputGain,
        frequencyShift,
        pan,
        numSmoothedValues
    };

    Delay();

    // The diffusers keep pointers to this engine's smoothed values: it is never copied or moved.
    Delay (const Delay&) = delete;
    Delay& operator= (const Delay&) = delete;

    /** Sizes and clears every buffer and filter for the rate. Not for the audio thread. */
    void prepare (float newSampleRate, int newNumOutputChannels);

    /** Zeroes the contents of every audio buffer; positions, filters, envelopes, LFOs and
        smoothers are kept. Audio-thread safe. */
    void flushAllBuffers() noexcept;

    /** Processes one block in place. channel1 may equal channel0 (mono: both paths read channel 0
        and the second path's result is written last). Audio thread, no allocation. */
    void process (float* channel0, float* channel1, int numSamples, const DelayParams& params, const TransportInfo& transport) noexcept;

    float getSmoothedValue (SmoothedValue which) const noexcept { return smoothers[(size_t) which].current; }
    float getSampleRate() const noexcept { return sampleRate; }
    int getNumOutputChannels() const noexcept { return numOutputChannels; }

    std::array<CV::CircularBuffer<float>, 2> lines;
    juce::NormalisableRange<float> timeRange { 0.0f, 1000.0f };
    std::array<ChannelVars, 2> channels;
    float sampleRate = 44100.0f;
    float samplesPerMs = 44.1f;
    float samplesPerWholeNote = 0.0f;
    int numOutputChannels = 2;
    float chaosPeriod = 0.0f;
    AllFilters inputFilters, feedbackFilters, reverseFilters;
    TapeModulator tapeModulator;
    Distortion distortion;
    Modulation delayTimeLfo;
    std::array<LinearSmoother, numSmoothedValues> smoothers;
    ModeFlags modeFlags;
    std::array<FrequencyShifter, 2> frequencyShifters;
    PitchShifter pitchShifter;
    ChaosCursor chaos;
    float pitchLatency = 0.0f;
    float modulationFactor = 1.0f;

private:
    /** The switches of one block that the sample loop branches on. */
    struct BlockState
    {
        bool diffusionOn = false;
        bool distortionOn = false;
        bool preDistortion = false;
        bool postDistortion = false;
        bool filterFeedback = false;
        bool filterReversed = false;
        bool duckingActive = false;
        bool pingPong = false;
        bool monoWet = false;
        bool midSide = false;
        bool bypass = false;
        AllFilters::Blends blends { 0.0f, 0.0f };
        float maximumReadDelay = 0.0f;
        float echoOffset = 0.0f;
    };

    void updateModeFlags (int mode) noexcept;
    void restartRampsOnSwitches (const DelayParams& params) noexcept;
    float computeExactDelayLength (const DelayParams& params) const noexcept;
    float computeDelayTimeTarget (const DelayParams& params) const noexcept;
    void updateSmootherTargets (const DelayParams& params) noexcept;
    void updateCoefficients (const DelayParams& params) noexcept;
    void updateFeedbackGains (const DelayParams& params) noexcept;
    void updateCharacterStages (const DelayParams& params, const TransportInfo& transport) noexcept;
    void synchroniseToTransport (const DelayParams& params, const TransportInfo& transport) noexcept;
    void playReversed (float tapeOffset) noexcept;
    void processSamples (float* channel0, float* channel1, int numSamples) noexcept;

    float smoothed (SmoothedValue which) const noexcept { return smoothers[(size_t) which].current; }

    BlockState block;
    bool lastDiffusionOn = false;
    bool lastDistortionOn = false;
    bool lastPostDist = false;
    float lastAttack = -1.0f;
    float lastRelease = -1.0f;
    std::array<int, numSmoothedValues> movingSmoothers {};
    int numMovingSmoothers = 0;
};
