#pragma once

#include "../Components/CircularBuffer.h"

#include <array>
#include <vector>

/** Block-based stereo pitch shifter of the "Pitch" mode. Each 60 ms block of input is
    resampled by the pitch ratio (changing pitch and duration together), then restored to
    about its original duration by splicing: jumping back or skipping ahead at points where
    the mono mix best matches the material jumped to, with short crossfades. The output is
    read from a ring a fixed latency behind, one sample per input sample.

    The work is spread so that no host block carries it all: the resampler follows the input
    as it arrives, and the splice search runs in slices, before the block ends where its
    material already exists and otherwise in the time the latency leaves after it. Plain value class: `prepare`
    allocates (preparation thread), everything else runs on the audio thread. */
class PitchShifter
{
public:
    /** Computes the sizes for the rate, allocates and zeroes every buffer, resets the counters. */
    void prepare (float sampleRate);

    /** Zeroes rings and blocks and restarts the resamplers; counters are kept. */
    void flush() noexcept;

    /** Per block: the shift in semitones (-12..12). A change restarts the resamplers at the next block. */
    void setSemitones (int semitones) noexcept;

    /** The delay the shifter adds, in samples; the engine takes it off the main delay. */
    int getLatency() const noexcept { return latency; }

    /** One sample of both channels, in place. */
    void process (float& left, float& right) noexcept;

    struct Channel
    {
        /** Two of each: one block fills and resamples while the completed one is spliced. */
        std::array<std::vector<float>, 2> blockA;
        std::vector<float> blockB;
        std::array<std::vector<float>, 2> resampled;
        CV::CircularBuffer<float> ring;
        std::array<float, 2> history {};
        int historyIndex = 0;
        double phase = 1.0;
        /** Samples of the current block taken by the resampler so far. */
        int consumed = 0;
    };

    static constexpr int numChannels = 2;
    std::array<Channel, numChannels> channels;

    int blockLength = 0;
    int correlationLength = 0;
    int searchLength = 0;
    int carryFadeLength = 0;
    int latency = 0;

    int fillIndex = 0;
    int fillBuffer = 0;
    int readCounter = 0;
    std::array<std::vector<float>, 2> mix;
    float ratio = 1.0f;
    float lastRatio = 0.0f;
    int resampledLength = 0;
    int resampleIndex = 0;
    int anchor = 0;
    int jumpTarget = 0;
    int cursor = 0;
    int carryOffset = 0;
    int carryCount = 0;

private:
    /** The splicing of one block: its search runs in slices, as soon as the resampled material
        it needs exists (for ratios up to 1 that is before the block ends), and its output is
        emitted once the block is complete. */
    struct Job
    {
        bool active = false;
        /** Which of the double buffers holds the block being spliced. */
        int block = 0;
        bool searchDone = false;
        int countdown = 0;
        int interval = 1;
        float ratio = 1.0f;
        int length = 0;
        int iteration = 1;
        int offset = 0;
        int jumpFrom = 0;
        int nominal = 0;
        int searchStart = 0;
        int searchCount = 0;
        int searchIndex = 0;
        /** Resampled samples the search reads: it waits until they exist. */
        int neededLength = 0;
        int best = 0;
        float bestScore = 0.0f;
    };

    Job job;

    /** A stretch of a resampled block waiting to go to the rings: copied as it is, or crossfaded
        from the stretch at `fadeFrom` into the one at `start` over the correlation length. */
    struct Segment
    {
        int block = 0;
        int start = 0;
        int fadeFrom = -1;
        int length = 0;
        int done = 0;
    };

    /** Room for every segment of one block (two per splice iteration, one final copy). */
    std::array<Segment, 16> segments;
    int segmentHead = 0;
    int segmentCount = 0;
    int emitCountdown = 0;

    void storeInput (int channel, float x) noexcept;
    float carryBlend (int channel, int index, float x) const noexcept;
    void completeBlock() noexcept;
    void resampleAvailable() noexcept;
    int resampleChannel (Channel& channel, int available) noexcept;
    bool isComplete (int block) const noexcept { return block != fillBuffer; }
    void runJob() noexcept;
    void startSplicing() noexcept;
    void beginIteration() noexcept;
    void searchStep() noexcept;
    void finishIteration() noexcept;
    void queueSegment (const Segment& segment) noexcept;
    void emitPending (int budget) noexcept;
    void restartResamplers() noexcept;
};
