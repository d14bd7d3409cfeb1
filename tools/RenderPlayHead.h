#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The transport an offline render presents to the processor: playing from the start of the
    file at a fixed tempo in 4/4, advanced by the renderer before every block. */
class RenderPlayHead : public juce::AudioPlayHead
{
public:
    RenderPlayHead (double sampleRate, double tempoBpm);

    /** Moves the transport to the first sample of the next block. */
    void setTimeInSamples (juce::int64 newTimeInSamples);

    juce::Optional<PositionInfo> getPosition() const override;

    static constexpr int beatsPerBar = 4;

private:
    double sampleRate;
    double tempoBpm;
    juce::int64 timeInSamples = 0;
};
