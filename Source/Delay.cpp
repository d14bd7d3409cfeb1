#include "Delay.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

// The sample loop copies these per block: they must own no memory.
static_assert (std::is_trivially_copyable_v<Delay::AllFilters>);
static_assert (std::is_trivially_copyable_v<TapeModulator>);
static_assert (std::is_trivially_copyable_v<Modulation>);
static_assert (std::is_trivially_copyable_v<EnvelopeFollower>);
static_assert (std::is_trivially_copyable_v<TransitionRamp>);

namespace
{
// The lines hold at least this many seconds at any rate.
constexpr float lineSeconds = 4.0f;
// Glide time of the delay time, and the step below which a tempo-synced change is applied at once.
constexpr float delayGlideSeconds = 0.3f;
constexpr float tempoSnapStep = 0.01f;
// Smoothing time of each SmoothedValue (the delay time has its own rules above).
constexpr std::array<float, Delay::numSmoothedValues> smoothingSeconds {
    delayGlideSeconds, // delayTime
    0.01f,             // diffusionAmount
    0.3f,              // diffusionSize
    0.01f,             // modulationDepth
    0.01f,             // distortionAmount
    0.01f,             // spread
    0.3f,              // feedback
    0.01f,             // duck
    0.01f,             // dry
    0.01f,             // wet
    0.05f,             // lowCutFrequency
    0.05f,             // highCutFrequency
    0.01f,             // tape
    0.01f,             // lowCutQ
    0.01f,             // highCutQ
    0.01f,             // inputGain
    0.01f,             // outputGain
    0.05f,             // frequencyShift
    0.01f              // pan
};
// A whole note lasts four beats; the tempo is in beats per minute.
constexpr float beatsPerWholeNote = 4.0f;
constexpr float secondsPerMinute = 60.0f;
// The cuts start fully open after preparation.
constexpr float openLowCutHz = 20.0f;
constexpr float openHighCutHz = 20000.0f;
// The time display's centre: the normalised 0.5 shows 200 ms.
constexpr float timeRangeCentreMs = 200.0f;
// Sync note lengths relative to the straight note.
constexpr float tripletFactor = 0.6666667f;
constexpr float dottedFactor = 1.5f;
constexpr int longestNoteIndex = 4;
// The LFO changes the delay by at most 0.25 %, at up to 10 Hz.
constexpr float modulationDepthPerAmount = 0.0025f;
constexpr float lfoHzPerRate = 10.0f;
// Resonance control 0..1 maps to Q 0.707..20; 0.707 is the flat Butterworth Q.
constexpr float flatQ = 0.707f;
constexpr float qRange = 19.293f;
// In and out gains span +-24 dB.
constexpr float gainRangeDb = 24.0f;
constexpr float frequencyShiftRangeHz = 500.0f;
constexpr float duckTimeRangeMs = 200.0f;
// Diffusion and distortion switch in above this amount.
constexpr float stageOnThreshold = 0.00001f;
// Haas spread: up to 10 ms of extra delay on one side, with 2 % less feedback there.
constexpr float haasRangeMs = 10.0f;
constexpr float spreadFeedbackReduction = 0.02f;
// Ducking silences the wet signal above an input RMS of 1/15.
constexpr float duckSensitivity = 15.0f;
// One chaos cycle lasts 2.5 delay times.
constexpr float chaosPeriodFactor = 2.5f;

float finiteOrSilence (float x) noexcept
{
    return std::isfinite (x) ? x : 0.0f;
}

float unitClamp (float x) noexcept
{
    return std::min (1.0f, std::max (0.0f, x));
}

/** What a channel writes back into the lines before its ramp: the repeats plus the fresh
    signal (the reversed one in the all-reversed modes), weighted for ping-pong. */
float feedbackValue (const Delay::ChannelVars& channel, bool pingPong, bool allReversed) noexcept
{
    const auto weight = pingPong ? 1.0f - channel.spreadAmount : 1.0f;
    const auto source = allReversed ? channel.feedbackGain * channel.reversed : channel.input;
    return channel.feedbackGain * channel.delayed + weight * source;
}

float decibelGain (float unitValue) noexcept
{
    return std::pow (10.0f, gainRangeDb * unitValue / 20.0f); // amplitude decibels
}
}

//==============================================================================
Delay::AllFilters::AllFilters()
{
    highPass.type = Filters::highPass;
    lowPass.type = Filters::lowPass;
}

Delay::AllFilters::Blends::Blends (float lowCutBlend, float highCutBlend) noexcept
    : lowFiltered (std::min (lowCutBlend, 1.0f))
    , lowUnfiltered (lowCutBlend < 1.0f ? 1.0f - lowCutBlend : 0.0f)
    , highFiltered (std::min (highCutBlend, 1.0f))
    , highUnfiltered (highCutBlend < 1.0f ? 1.0f - highCutBlend : 0.0f)
{
}

void Delay::AllFilters::reset (float sampleRate)
{
    highPass.reset (sampleRate, 0);
    lowPass.reset (sampleRate, 0);
}

void Delay::AllFilters::updateCoefficients (float lowCut, float lowCutQ, float highCut, float highCutQ) noexcept
{
    highPass.updateCoefficients (lowCut, lowCutQ);
    lowPass.updateCoefficients (highCut, highCutQ);
}

bool Delay::AllFilters::isSilent() const noexcept
{
    const auto silent = [] (const Filters& filter)
    {
        for (const auto& channelState : filter.state)
            for (auto value : channelState)
                if (value != 0.0f)
                    return false;

        return true;
    };

    return silent (highPass) && silent (lowPass);
}

//==============================================================================
Delay::Delay() = default;

void Delay::prepare (float newSampleRate, int newNumOutputChannels)
{
    sampleRate = newSampleRate;
    samplesPerMs = sampleRate / 1000.0f;
    numOutputChannels = newNumOutputChannels;

    timeRange.symmetricSkew = false;
    timeRange.setSkewForCentre (timeRangeCentreMs);

    for (auto& channel : channels)
        channel.duckFollower.prepare (sampleRate);

    lastAttack = lastRelease = -1.0f;

    for (auto& line : lines)
        line.resize ((int) (lineSeconds * sampleRate));

    inputFilters.reset (sampleRate);
    feedbackFilters.reset (sampleRate);
    reverseFilters.reset (sampleRate);

    for (auto& channel : channels)
    {
        channel.diffuserRamp.prepare (sampleRate);
        channel.feedbackRamp.prepare (sampleRate);
        channel.outputRamp.prepare (sampleRate);
    }

    smoothers[lowCutFrequency].current = openLowCutHz;
    smoothers[highCutFrequency].current = openHighCutHz;

    tapeModulator.prepare (sampleRate);

    for (size_t side = 0; side < channels.size(); ++side)
    {
        auto& channel = channels[side];

        for (auto* diffuser : { &channel.diffuser, &channel.reverseDiffuser })
            diffuser->reset (sampleRate, (int) side, &smoothers[delayTime].current, &smoothers[diffusionAmount].current, &smoothers[diffusionSize].current, &modulationFactor);

        channel.reverseBuffer.prepare (sampleRate);
    }

    for (auto& shifter : frequencyShifters)
        shifter.prepare (sampleRate);

    pitchShifter.prepare (sampleRate);
}

void Delay::flushAllBuffers() noexcept
{
    for (auto& line : lines)
        line.clear();

    for (auto& channel : channels)
    {
        channel.reverseBuffer.flush();
        channel.diffuser.flush();
        channel.reverseDiffuser.flush();
    }

    pitchShifter.flush();

    for (auto& shifter : frequencyShifters)
        shifter.flush();
}

//==============================================================================
void Delay::process (float* channel0, float* channel1, int numSamples, const DelayParams& params, const TransportInfo& transport) noexcept
{
    samplesPerWholeNote = beatsPerWholeNote * sampleRate / ((float) transport.bpm / secondsPerMinute);
    channels[0].outputChannel = channel0;
    channels[1].outputChannel = channel1;

    updateModeFlags (params.mode);

    if (!modeFlags.chaos)
        chaos.stop();

    if (params.duckAttack != lastAttack || params.duckRelease != lastRelease)
    {
        for (auto& channel : channels)
            channel.duckFollower.setTimes (duckTimeRangeMs * params.duckAttack, duckTimeRangeMs * params.duckRelease);

        lastAttack = params.duckAttack;
        lastRelease = params.duckRelease;
    }

    restartRampsOnSwitches (params);
    updateSmootherTargets (params);
    updateCoefficients (params);

    if (const auto lfoFrequency = lfoHzPerRate * params.modRate; lfoFrequency != delayTimeLfo.frequency)
        delayTimeLfo.setFrequency (lfoFrequency, sampleRate);

    chaosPeriod = chaosPeriodFactor * smoothers[delayTime].target;
    updateCharacterStages (params, transport);
    updateFeedbackGains (params);

    block.diffusionOn = params.diffAmt > stageOnThreshold;
    block.distortionOn = params.distortion > stageOnThreshold;
    block.preDistortion = block.distortionOn && !params.postDist;
    block.postDistortion = block.distortionOn && params.postDist;
    block.filterFeedback = params.fdbFil;
    // A silent reverse filter fed with silence stays silent, so outside the reverse modes it
    // only has to run until its state has decayed.
    block.filterReversed = params.fdbFil && (modeFlags.anyReverse || !reverseFilters.isSilent());
    block.duckingActive = !(smoothers[duck].isSettled() && smoothers[duck].current == 0.0f);
    block.pingPong = params.pipo;
    block.monoWet = params.mono;
    block.midSide = params.midSideMode;
    block.bypass = params.bypassAll;
    block.blends = AllFilters::Blends (params.lowCutBlend, params.highCutBlend);
    block.maximumReadDelay = lines[0].getMaximumDelay();
    block.echoOffset = params.echoOffset;

    processSamples (channel0, channel1, numSamples);
}

void Delay::updateCharacterStages (const DelayParams& params, const TransportInfo& transport) noexcept
{
    for (auto& channel : channels)
    {
        channel.diffuser.setQuality (params.diffQuality);
        channel.reverseDiffuser.setQuality (params.diffQuality);
    }

    synchroniseToTransport (params, transport);

    for (auto& shifter : frequencyShifters)
        shifter.setShift (smoothed (frequencyShift));

    pitchShifter.setSemitones (params.pitchShift);
    pitchLatency = modeFlags.pitchShifter ? (float) pitchShifter.getLatency() : 0.0f;
}

void Delay::synchroniseToTransport (const DelayParams& params, const TransportInfo& transport) noexcept
{
    TransportSnapshot snapshot;
    snapshot.playing = transport.isPlaying;
    snapshot.positionSamples = transport.timeInSamples;
    snapshot.delayTime = smoothed (delayTime);
    snapshot.targetTime = smoothers[delayTime].target;
    snapshot.tempoMode = !params.msMode;
    snapshot.exactTargetTime = snapshot.tempoMode ? (double) computeExactDelayLength (params) : (double) snapshot.targetTime;
    snapshot.chaosPeriod = chaosPeriod;
    snapshot.echoOffset = params.echoOffset;
    snapshot.chaosMode = modeFlags.chaos;

    if (const auto segmentCounter = chaos.synchronise (snapshot))
        for (auto& channel : channels)
            channel.reverseBuffer.segmentCounter = *segmentCounter;
}

void Delay::updateModeFlags (int mode) noexcept
{
    modeFlags.reverseForward = mode == 2;
    modeFlags.allReversed = mode == 3 || mode == 5;
    modeFlags.chaos = mode == 4 || mode == 5;
    modeFlags.anyReverse = mode == 2 || mode == 3 || mode == 5;
    modeFlags.frequencyShifter = mode == 6;
    modeFlags.pitchShifter = mode == 7;
}

void Delay::restartRampsOnSwitches (const DelayParams& params) noexcept
{
    const auto diffusionOn = params.diffAmt > stageOnThreshold;
    const auto distortionOn = params.distortion > stageOnThreshold;

    if (diffusionOn != lastDiffusionOn || distortionOn != lastDistortionOn
        || (distortionOn && params.postDist != lastPostDist))
    {
        for (auto& channel : channels)
        {
            channel.diffuserRamp.restart();
            channel.feedbackRamp.restart();

            if (!params.midSideMode)
                channel.outputRamp.restart();
        }
    }

    lastDiffusionOn = diffusionOn;
    lastDistortionOn = distortionOn;
    lastPostDist = params.postDist;
}

float Delay::computeExactDelayLength (const DelayParams& params) const noexcept
{
    float length = 0.0f;

    if (params.msMode)
    {
        length = timeRange.convertFrom0to1 (params.timeMs) * samplesPerMs;
    }
    else
    {
        const auto noteIndex = std::clamp (params.noteIndex, 0, longestNoteIndex);
        length = samplesPerWholeNote / (float) (1 << noteIndex);

        if (params.syncTriplet)
            length *= tripletFactor;
        else if (params.syncDotted)
            length *= dottedFactor;
    }

    // Longer than the line would wrap around the ring and sound as a shorter, wrong echo.
    return std::clamp (length, 0.0f, lines[0].getMaximumDelay());
}

float Delay::computeDelayTimeTarget (const DelayParams& params) const noexcept
{
    return (float) (int) computeExactDelayLength (params);
}

void Delay::updateSmootherTargets (const DelayParams& params) noexcept
{
    const std::array<float, numSmoothedValues> targets {
        computeDelayTimeTarget (params),
        params.diffAmt,
        params.diffSize,
        modulationDepthPerAmount * params.modAmt,
        params.distortion,
        params.spread,
        params.feedback,
        params.duck,
        params.dry,
        params.wet,
        params.lowCut,
        params.highCut,
        params.tape,
        flatQ + qRange * params.lowCutQ,
        flatQ + qRange * params.highCutQ,
        decibelGain (params.in),
        decibelGain (params.out),
        frequencyShiftRangeHz * params.frequencyShift,
        params.pan
    };

    numMovingSmoothers = 0;

    for (size_t i = 0; i < targets.size(); ++i)
    {
        smoothers[i].setTarget (targets[i], smoothingSeconds[i] * sampleRate);

        if (i == delayTime && !params.msMode && !modeFlags.chaos && smoothers[i].step < tempoSnapStep)
            smoothers[i].current = smoothers[i].target;

        if (!smoothers[i].isSettled())
            movingSmoothers[(size_t) numMovingSmoothers++] = (int) i;
    }
}

void Delay::updateCoefficients (const DelayParams& params) noexcept
{
    const auto lowCut = smoothed (lowCutFrequency);
    const auto highCut = smoothed (highCutFrequency);

    inputFilters.updateCoefficients (lowCut, std::max (flatQ, smoothed (lowCutQ)), highCut, std::max (flatQ, smoothed (highCutQ)));
    feedbackFilters.updateCoefficients (lowCut, flatQ, highCut, flatQ);

    if (modeFlags.allReversed)
        reverseFilters.updateCoefficients (lowCut, flatQ, highCut, flatQ);

    distortion.select (params.distFunction);
}

void Delay::updateFeedbackGains (const DelayParams& params) noexcept
{
    for (auto& channel : channels)
        channel.feedbackGain = params.pipo ? smoothed (feedback)
                                           : smoothed (feedback) * (1.0f - spreadFeedbackReduction * channel.spreadAmount);
}

//==============================================================================
void Delay::processSamples (float* channel0, float* channel1, int numSamples) noexcept
{
    // The loop runs on local copies of its small stages, written back after the block: neither
    // the host buffers nor the delay lines can alias a local, so the compiler keeps them in
    // registers instead of reloading them after every store.
    auto& a = channels[0];
    auto& b = channels[1];
    const auto flags = block;
    const auto modes = modeFlags;
    const auto shaper = distortion;
    auto input = inputFilters;
    auto feedbackSet = feedbackFilters;
    auto reverseSet = reverseFilters;
    auto tapeSource = tapeModulator;
    auto lfo = delayTimeLfo;
    auto duckA = a.duckFollower, duckB = b.duckFollower;
    auto diffuserRampA = a.diffuserRamp, diffuserRampB = b.diffuserRamp;
    auto feedbackRampA = a.feedbackRamp, feedbackRampB = b.feedbackRamp;
    auto outputRampA = a.outputRamp, outputRampB = b.outputRamp;
    float* const leftLine = lines[0].data.data();
    float* const rightLine = lines[1].data.data();
    const auto lineMask = lines[0].mask;
    auto writeIndex = lines[0].writeIndex;
    const auto haasSamplesPerSpread = haasRangeMs * samplesPerMs;

    for (int i = 0; i < numSamples; ++i)
    {
        // 1. Input, mid/side encoding; a non-finite host sample counts as silence.
        const auto left = finiteOrSilence (channel0[i]);
        const auto right = finiteOrSilence (channel1[i]);
        const auto dryA = flags.midSide ? (left + right) * 0.5f : left;
        const auto dryB = flags.midSide ? (left - right) * 0.5f : right;

        // 2. Input gain as it stood before this sample's smoothing step.
        a.input = dryA * smoothed (inputGain);
        b.input = dryB * smoothed (inputGain);

        for (int m = 0; m < numMovingSmoothers; ++m)
            smoothers[(size_t) movingSmoothers[(size_t) m]].next();

        // 3. Spread shares and Haas delays.
        const auto spreadValue = smoothed (spread);
        a.spreadAmount = unitClamp (-spreadValue);
        b.spreadAmount = unitClamp (spreadValue);
        a.haasDelay = flags.pingPong ? 0.0f : 1.0f + a.spreadAmount * haasSamplesPerSpread;
        b.haasDelay = flags.pingPong ? 0.0f : 1.0f + b.spreadAmount * haasSamplesPerSpread;

        // 4. Pre-distortion.
        if (flags.preDistortion)
        {
            a.input = shaper.process (a.input, smoothed (distortionAmount));
            b.input = shaper.process (b.input, smoothed (distortionAmount));
        }

        // 5. Input filters, always.
        a.input = input.process (a.input, 0, flags.blends);
        b.input = input.process (b.input, 1, flags.blends);

        // 6. Chaos cursor.
        if (modes.chaos)
            chaos.step (smoothers[delayTime].target, smoothed (delayTime));

        // 7. Tape wow and flutter.
        const auto tapeAmount = smoothed (tape);
        const auto tapeOffset = tapeAmount * tapeSource.next (tapeAmount);

        // 8. Delay-time LFO.
        modulationFactor = 1.0f + smoothed (modulationDepth) * lfo.next();

        // 9. Reverse buffers.
        if (modes.anyReverse)
        {
            playReversed (tapeOffset);
        }
        else
        {
            a.reversed = 0.0f;
            b.reversed = 0.0f;
        }

        // 10. Main delay read; while diffusing, the diffuser supplies its share of the delay time.
        const auto lineShare = flags.diffusionOn ? 1.0f - smoothed (diffusionSize) : 1.0f;
        const auto length = std::max (0.0f, lineShare * smoothed (delayTime) * modulationFactor + tapeOffset + chaos.chaosCursor - pitchLatency);
        a.delayed = CV::CircularBuffer<float>::readFrom (leftLine, lineMask, writeIndex, std::min (length + a.haasDelay, flags.maximumReadDelay));
        b.delayed = CV::CircularBuffer<float>::readFrom (rightLine, lineMask, writeIndex, std::min (length + b.haasDelay, flags.maximumReadDelay));

        // 11. Reverse forward: the reversed echo joins the forward one.
        if (modes.reverseForward)
        {
            a.delayed += a.reversed;
            b.delayed += b.reversed;
        }

        // 12. Frequency shifter.
        if (modes.frequencyShifter)
        {
            a.delayed = frequencyShifters[0].process (a.delayed);
            b.delayed = frequencyShifters[1].process (b.delayed);
        }

        // 13. Pitch shifter.
        if (modes.pitchShifter)
            pitchShifter.process (a.delayed, b.delayed);

        // 14. Feedback filters.
        if (flags.filterFeedback)
        {
            a.delayed = feedbackSet.process (a.delayed, 0, flags.blends);
            b.delayed = feedbackSet.process (b.delayed, 1, flags.blends);
        }

        if (flags.filterReversed)
        {
            a.reversed = reverseSet.process (a.reversed, 0, flags.blends);
            b.reversed = reverseSet.process (b.reversed, 1, flags.blends);
        }

        // 15. Diffusion; the diffuser ramps crossfade its switching.
        if (flags.diffusionOn)
        {
            a.delayed = a.diffuser.processAPFCascaded (a.delayed);
            b.delayed = b.diffuser.processAPFCascaded (b.delayed);

            if (modes.anyReverse)
            {
                a.reversed = a.reverseDiffuser.processAPFCascaded (a.reversed);
                b.reversed = b.reverseDiffuser.processAPFCascaded (b.reversed);
            }
        }

        a.delayed = diffuserRampA.process (a.delayed);
        b.delayed = diffuserRampB.process (b.delayed);

        // 16. Feedback write, crossed over in ping-pong.
        const auto feedbackA = feedbackRampA.process (feedbackValue (a, flags.pingPong, modes.allReversed));
        const auto feedbackB = feedbackRampB.process (feedbackValue (b, flags.pingPong, modes.allReversed));
        leftLine[writeIndex] = flags.pingPong ? feedbackB : feedbackA;
        rightLine[writeIndex] = flags.pingPong ? feedbackA : feedbackB;
        writeIndex = (writeIndex + 1) & lineMask;

        // 17. All reversed: the fresh reversed segment joins its repeats.
        if (modes.allReversed)
        {
            a.delayed += a.reversed;
            b.delayed += b.reversed;
        }

        // 18. Ducking by each channel's own input.
        duckA.track (a.input);
        duckB.track (b.input);

        if (flags.duckingActive)
        {
            const auto duckAmount = duckSensitivity * smoothed (duck);
            a.delayed *= 1.0f - unitClamp (duckAmount * duckA.level());
            b.delayed *= 1.0f - unitClamp (duckAmount * duckB.level());
        }

        // 19. Post-distortion.
        if (flags.postDistortion)
        {
            a.delayed = shaper.process (a.delayed, smoothed (distortionAmount));
            b.delayed = shaper.process (b.delayed, smoothed (distortionAmount));
        }

        // 20. Mono wet signal.
        if (flags.monoWet)
        {
            if (flags.midSide)
            {
                a.delayed = a.delayed + b.delayed;
                b.delayed = 0.0f;
            }
            else
            {
                a.delayed = b.delayed = (a.delayed + b.delayed) * 0.5f;
            }
        }

        // 21. Output: dry and wet gains, pan, ramps, mid/side decoding, limiter, bypass.
        const auto panValue = smoothed (pan);
        const auto wetA = a.delayed * smoothed (outputGain) * smoothed (wet) * (1.0f - unitClamp (panValue));
        const auto wetB = b.delayed * smoothed (outputGain) * smoothed (wet) * (1.0f - unitClamp (-panValue));
        const auto outA = outputRampA.process (smoothed (dry) * dryA + wetA);
        const auto outB = outputRampB.process (smoothed (dry) * dryB + wetB);
        const auto outLeft = std::clamp (flags.midSide ? outA + outB : outA, -1.0f, 1.0f);
        const auto outRight = std::clamp (flags.midSide ? outA - outB : outB, -1.0f, 1.0f);

        channel0[i] = flags.bypass ? left : outLeft;
        channel1[i] = flags.bypass ? right : outRight;
    }

    inputFilters = input;
    feedbackFilters = feedbackSet;
    reverseFilters = reverseSet;
    tapeModulator = tapeSource;
    delayTimeLfo = lfo;
    a.duckFollower = duckA;
    b.duckFollower = duckB;
    a.diffuserRamp = diffuserRampA;
    b.diffuserRamp = diffuserRampB;
    a.feedbackRamp = feedbackRampA;
    b.feedbackRamp = feedbackRampB;
    a.outputRamp = outputRampA;
    b.outputRamp = outputRampB;
    lines[0].writeIndex = lines[1].writeIndex = writeIndex;
}

void Delay::playReversed (float tapeOffset) noexcept
{
    const auto delay = smoothed (delayTime);
    const auto offset = (1.0f - modulationFactor) * delay - tapeOffset - chaos.chaosCursor;

    for (auto& channel : channels)
    {
        channel.reverseBuffer.write (channel.input);

        // At a delay of a sample or less there is no segment to play: the last value stays.
        if (delay > 1.0f)
            channel.reversed = channel.reverseBuffer.read (delay, offset - channel.haasDelay, block.echoOffset);
    }
}
