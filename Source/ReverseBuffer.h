#pragma once

#include <vector>

/** Reverse playback buffer of one channel: records the input forwards and plays it
    backwards in segments of the delay time, each faded in and out. Plain value class:
    `prepare` allocates (preparation thread), everything else runs on the audio thread. */
class ReverseBuffer
{
public:
    /** Sizes the buffer for at least four seconds, clears it and restarts the segments. */
    void prepare (float sampleRate);

    /** Zeroes the recorded material; positions and segment counter are kept. */
    void flush() noexcept;

    /** Records one input sample. */
    void write (float x) noexcept;

    /** Plays the next reversed sample, for a delay D > 1 samples. `offset` moves the read
        position (modulation, tape, chaos), `echoOffset` (0..1) moves the start of each
        segment back by that share of D. */
    float read (float delayTime, float offset, float echoOffset) noexcept;

    int readPosition = 0;
    int writePosition = 0;
    int mask = 0;
    int size = 0;
    int segmentCounter = 0;
    float maxFade = 0.0f;
    float minFade = 0.0f;
    std::vector<float> data;

private:
    float windowGain (float segmentLength) const noexcept;
};
