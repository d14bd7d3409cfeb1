#include "RenderPlayHead.h"

#include <cmath>

RenderPlayHead::RenderPlayHead (double rate, double tempo)
    : sampleRate (rate)
    , tempoBpm (tempo)
{
}

void RenderPlayHead::setTimeInSamples (juce::int64 newTimeInSamples)
{
    timeInSamples = newTimeInSamples;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> RenderPlayHead::getPosition() const
{
    static constexpr double secondsPerMinute = 60.0;

    const auto seconds = (double) timeInSamples / sampleRate;
    const auto quarterNotes = seconds * tempoBpm / secondsPerMinute;
    const auto bars = (juce::int64) std::floor (quarterNotes / beatsPerBar);

    PositionInfo info;
    info.setTimeInSamples (timeInSamples);
    info.setTimeInSeconds (seconds);
    info.setBpm (tempoBpm);
    info.setTimeSignature (TimeSignature { beatsPerBar, 4 });
    info.setPpqPosition (quarterNotes);
    info.setBarCount (bars);
    info.setPpqPositionOfLastBarStart ((double) (bars * beatsPerBar));
    info.setEditOriginTime (0.0);
    info.setIsPlaying (true);
    return info;
}
