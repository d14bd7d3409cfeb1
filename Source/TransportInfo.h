#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The last transport state the host reported, with the defaults used until it reports one. */
struct TransportInfo
{
    static constexpr double defaultBpm = 120.0;

    double bpm = defaultBpm;
    int timeSigNumerator = 4;
    int timeSigDenominator = 4;
    juce::int64 timeInSamples = 0;
    double ppqPosition = 0.0;
    double ppqPositionOfLastBarStart = 0.0;
    bool isPlaying = false;
    bool isRecording = false;
    bool isLooping = false;

    /** Back to the defaults, then every field the host supplies. A tempo that is not a positive
        finite number counts as not supplied. Audio thread, no allocation. */
    void update (const juce::AudioPlayHead::PositionInfo& position) noexcept
    {
        *this = TransportInfo();

        if (const auto hostBpm = position.getBpm(); hostBpm.hasValue() && std::isfinite (*hostBpm) && *hostBpm > 0.0)
            bpm = *hostBpm;

        if (const auto signature = position.getTimeSignature(); signature.hasValue())
        {
            timeSigNumerator = signature->numerator;
            timeSigDenominator = signature->denominator;
        }

        if (const auto samples = position.getTimeInSamples(); samples.hasValue())
            timeInSamples = *samples;

        if (const auto ppq = position.getPpqPosition(); ppq.hasValue())
            ppqPosition = *ppq;

        if (const auto barStart = position.getPpqPositionOfLastBarStart(); barStart.hasValue())
            ppqPositionOfLastBarStart = *barStart;

        isPlaying = position.getIsPlaying();
        isRecording = position.getIsRecording();
        isLooping = position.getIsLooping();
    }
};
