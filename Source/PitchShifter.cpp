#include "PitchShifter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// Block, correlation, search and carry-fade lengths in milliseconds; block + search + correlation
// (74 ms) is the latency.
constexpr float blockMs = 60.0f;
constexpr float correlationMs = 5.0f;
constexpr float searchMs = 9.0f;
constexpr float carryFadeMs = 10.0f;
// The output ring holds as much as the main lines.
constexpr float ringSeconds = 4.0f;
// 2^(1/12) in single precision: one semitone.
constexpr float semitoneRatio = 1.0594631f;
constexpr float minimumRatio = 0.5f;
constexpr float maximumRatio = 2.0f;
// The resampler catches up with the input every this many samples.
constexpr int resampleInterval = 32;
// The splice search is cut into this many slices; a block needs at most two splice
// iterations for ratios up to 2, the iteration limit only guards the loop.
constexpr int searchSlices = 8;
constexpr int iterationLimit = 4;
// Spliced output goes to the rings in chunks, twice as fast as it is read: a block's output
// is spread over the first half of the next block instead of landing in one host block.
constexpr int emitInterval = 16;
constexpr int emitChunk = 32;

int ceilDivide (int numerator, int denominator) noexcept
{
    return (numerator + denominator - 1) / denominator;
}

// Independent partial sums let the compiler vectorise the correlation.
constexpr int correlationLanes = 8;

float correlate (const float* a, const float* b, int length) noexcept
{
    std::array<float, correlationLanes> partial {};
    const auto whole = length - length % correlationLanes;

    for (int n = 0; n < whole; n += correlationLanes)
        for (int lane = 0; lane < correlationLanes; ++lane)
            partial[(size_t) lane] += a[n + lane] * b[n + lane];

    auto sum = 0.0f;
    for (auto value : partial)
        sum += value;

    for (auto n = whole; n < length; ++n)
        sum += a[n] * b[n];

    return sum;
}

template <typename Container>
void zero (Container& buffers) noexcept
{
    for (auto& buffer : buffers)
        std::fill (buffer.begin(), buffer.end(), 0.0f);
}
}

void PitchShifter::prepare (float sampleRate)
{
    const auto samplesPerMs = sampleRate / 1000.0f;
    blockLength = (int) (blockMs * samplesPerMs);
    blockLength += blockLength % 2;
    correlationLength = (int) (correlationMs * samplesPerMs);
    searchLength = (int) (searchMs * samplesPerMs);
    carryFadeLength = std::max (1, (int) (carryFadeMs * samplesPerMs));
    latency = blockLength + searchLength + correlationLength;

    const auto longestResampled = (size_t) ((float) blockLength / minimumRatio);

    for (auto& channel : channels)
    {
        for (auto& block : channel.blockA)
            block.assign ((size_t) blockLength, 0.0f);

        for (auto& block : channel.resampled)
            block.assign (longestResampled, 0.0f);

        channel.blockB.assign ((size_t) blockLength, 0.0f);
        channel.ring.resize ((int) (ringSeconds * sampleRate));
        channel.consumed = 0;
    }

    for (auto& block : mix)
        block.assign (longestResampled, 0.0f);

    restartResamplers();
    fillIndex = fillBuffer = readCounter = cursor = carryOffset = carryCount = resampleIndex = 0;
    resampledLength = (int) ((float) blockLength / ratio);
    lastRatio = ratio;
    job = {};
    segmentHead = segmentCount = 0;
    emitCountdown = 0;
    startSplicing();
}

void PitchShifter::flush() noexcept
{
    for (auto& channel : channels)
    {
        zero (channel.blockA);
        zero (channel.resampled);
        std::fill (channel.blockB.begin(), channel.blockB.end(), 0.0f);
        channel.ring.clear();
    }

    zero (mix);
    restartResamplers();
}

void PitchShifter::restartResamplers() noexcept
{
    for (auto& channel : channels)
    {
        channel.history = {};
        channel.historyIndex = 0;
        channel.phase = 1.0;
    }
}

void PitchShifter::setSemitones (int semitones) noexcept
{
    ratio = std::clamp (std::pow (semitoneRatio, (float) semitones), minimumRatio, maximumRatio);
}

void PitchShifter::process (float& left, float& right) noexcept
{
    storeInput (0, left);
    storeInput (1, right);

    if (++fillIndex == blockLength)
        completeBlock();
    else if (fillIndex % resampleInterval == 0)
        resampleAvailable();

    if (job.active && --job.countdown <= 0)
    {
        job.countdown = job.interval;
        runJob();
    }

    if (segmentCount > 0 && --emitCountdown <= 0)
    {
        emitCountdown = emitInterval;
        emitPending (emitChunk);
    }

    const auto t = readCounter++;
    const auto& ring = channels[0].ring;
    const auto index = (size_t) ((ring.writeIndex + t - latency) & ring.mask);
    left = channels[0].ring.data[index];
    right = channels[1].ring.data[index];
}

float PitchShifter::carryBlend (int channelIndex, int index, float x) const noexcept
{
    // The samples the resampler left over are played first, fading into the live stream.
    const auto& channel = channels[(size_t) channelIndex];
    const auto source = index - carryCount;
    const auto carried = source >= 0 ? channel.blockB[(size_t) source]
                                     : channel.blockA[(size_t) (fillBuffer ^ 1)][(size_t) (source + blockLength)];
    const auto gain = (float) index / (float) carryFadeLength;
    return gain * x + (1.0f - gain) * carried;
}

void PitchShifter::storeInput (int channelIndex, float x) noexcept
{
    auto& channel = channels[(size_t) channelIndex];
    const auto i = fillIndex;
    channel.blockB[(size_t) i] = x;
    channel.blockA[(size_t) fillBuffer][(size_t) i] = (carryCount > 0 && i < carryFadeLength) ? carryBlend (channelIndex, i, x) : x;
}

int PitchShifter::resampleChannel (Channel& channel, int available) noexcept
{
    const auto& block = channel.blockA[(size_t) fillBuffer];
    auto& out = channel.resampled[(size_t) fillBuffer];
    const auto wholeBlock = available == blockLength;
    auto k = resampleIndex;

    for (; k < resampledLength; ++k)
    {
        while (channel.phase >= 1.0 && channel.consumed < available)
        {
            channel.history[(size_t) channel.historyIndex] = block[(size_t) channel.consumed++];
            channel.historyIndex ^= 1;
            channel.phase -= 1.0;
        }

        // Consumption never passes the block's end: a phase left over carries into the next
        // block, which takes the missing sample first, so the stream stays continuous.
        if (channel.phase >= 1.0 && !wholeBlock)
            break;

        const auto p = (float) std::min (channel.phase, 1.0);
        const auto older = channel.history[(size_t) channel.historyIndex];
        const auto newer = channel.history[(size_t) (channel.historyIndex ^ 1)];
        out[(size_t) k] = (1.0f - p) * older + p * newer;
        channel.phase += ratio;
    }

    return k;
}

void PitchShifter::resampleAvailable() noexcept
{
    const auto from = resampleIndex;
    const auto to = resampleChannel (channels[0], fillIndex);
    resampleChannel (channels[1], fillIndex);

    auto& mono = mix[(size_t) fillBuffer];
    const auto& left = channels[0].resampled[(size_t) fillBuffer];
    const auto& right = channels[1].resampled[(size_t) fillBuffer];
    for (int k = from; k < to; ++k)
        mono[(size_t) k] = (left[(size_t) k] + right[(size_t) k]) * 0.5f;

    resampleIndex = to;
}

void PitchShifter::completeBlock() noexcept
{
    resampleAvailable();
    carryCount = blockLength - channels[0].consumed;

    // The previous block's splicing always ends long before; should it not, finish it now.
    const auto completed = fillBuffer;
    while (job.active && job.block != completed)
        runJob();

    emitPending (std::numeric_limits<int>::max());

    fillBuffer ^= 1;
    fillIndex = 0;
    resampleIndex = 0;

    for (auto& channel : channels)
        channel.consumed = 0;

    if (ratio != lastRatio)
    {
        restartResamplers();
        for (auto& channel : channels)
            std::fill (channel.resampled[(size_t) fillBuffer].begin(), channel.resampled[(size_t) fillBuffer].end(), 0.0f);
    }

    resampledLength = (int) ((float) blockLength / ratio);
    lastRatio = ratio;

    // The new output is first read latency - readCounter samples from now: the rest of the
    // splicing (at most two searches) must fit in that time.
    const auto timeLeft = latency - readCounter - 1;
    job.interval = timeLeft / (2 * searchSlices + 2);
    job.countdown = job.interval;

    if (job.interval <= 0)
    {
        while (job.active && job.block == completed)
            runJob();
    }
    else if (job.searchDone)
    {
        runJob();
    }
}

void PitchShifter::runJob() noexcept
{
    if (!job.searchDone)
    {
        if (isComplete (job.block) || resampleIndex >= job.neededLength)
            searchStep();
    }
    else if (isComplete (job.block))
    {
        finishIteration();
    }
}

void PitchShifter::startSplicing() noexcept
{
    const auto n = resampledLength;
    const auto h = blockLength;
    job.block = fillBuffer;
    job.ratio = lastRatio;
    job.length = n;
    cursor = 0;

    if (job.ratio <= 1.0f)
    {
        anchor = h / 2;
        jumpTarget = n - h / 2;
    }
    else
    {
        anchor = n - correlationLength - searchLength;
        jumpTarget = n - h + anchor;
    }

    job.iteration = 1;
    job.offset = carryOffset;
    // While the block fills, its search slices may spread over a good part of it.
    job.interval = std::max (1, blockLength / (4 * searchSlices));
    job.countdown = job.interval;
    beginIteration();
}

void PitchShifter::beginIteration() noexcept
{
    const auto n = job.length;
    const auto k = correlationLength;
    job.active = true;
    job.searchDone = false;
    job.jumpFrom = std::clamp (jumpTarget, 0, std::max (0, n - k - 1));
    job.nominal = anchor / job.iteration - job.offset;

    // Keep the window, the correlated stretch and the crossfade after the splice inside the
    // resampled block, whatever the carried offset.
    const auto latestStart = std::max (0, n - searchLength - k - 1);
    job.searchStart = std::clamp (job.nominal - searchLength / 2, 0, latestStart);
    job.searchCount = std::clamp (n - k - 1 - job.searchStart, 1, searchLength);
    job.searchIndex = 0;
    job.neededLength = std::max (job.searchStart + job.searchCount + k, job.jumpFrom + k + 1);
    job.best = std::min (searchLength / 2, job.searchCount - 1);
    job.bestScore = 0.0f;
}

void PitchShifter::searchStep() noexcept
{
    const auto& mono = mix[(size_t) job.block];
    const auto end = std::min (job.searchCount, job.searchIndex + ceilDivide (searchLength, searchSlices));
    const auto* target = mono.data() + job.jumpFrom;

    for (int k = job.searchIndex; k < end; ++k)
    {
        const auto score = correlate (mono.data() + job.searchStart + k, target, correlationLength);
        if (score > job.bestScore)
        {
            job.bestScore = score;
            job.best = k;
        }
    }

    job.searchIndex = end;
    job.searchDone = end >= job.searchCount;

    if (job.searchDone && isComplete (job.block))
        finishIteration();
}

void PitchShifter::queueSegment (const Segment& segment) noexcept
{
    if (segment.length <= 0)
        return;

    // Never more than a block's segments wait; should the queue be full, make room at once.
    while (segmentCount == (int) segments.size())
        emitPending (segments[(size_t) segmentHead].length);

    segments[(size_t) ((segmentHead + segmentCount) % (int) segments.size())] = segment;
    ++segmentCount;
}

void PitchShifter::emitPending (int budget) noexcept
{
    while (budget > 0 && segmentCount > 0)
    {
        auto& segment = segments[(size_t) segmentHead];
        const auto& left = channels[0].resampled[(size_t) segment.block];
        const auto& right = channels[1].resampled[(size_t) segment.block];
        const auto end = segment.done + std::min (budget, segment.length - segment.done);
        auto& leftRing = channels[0].ring;
        auto& rightRing = channels[1].ring;

        for (auto i = segment.done; i < end; ++i)
        {
            const auto to = (size_t) (segment.start + i);

            if (segment.fadeFrom < 0)
            {
                leftRing.write (left[to]);
                rightRing.write (right[to]);
            }
            else
            {
                const auto gain = (float) i / (float) std::max (1, correlationLength);
                const auto from = (size_t) (segment.fadeFrom + i);
                leftRing.write (gain * left[to] + (1.0f - gain) * left[from]);
                rightRing.write (gain * right[to] + (1.0f - gain) * right[from]);
            }
        }

        readCounter -= end - segment.done;
        budget -= end - segment.done;
        segment.done = end;

        if (segment.done == segment.length)
        {
            segmentHead = (segmentHead + 1) % (int) segments.size();
            --segmentCount;
        }
    }
}

void PitchShifter::finishIteration() noexcept
{
    const auto n = job.length;
    const auto splice = job.searchStart + job.best;
    const auto jumpFrom = job.jumpFrom;
    const auto jumpsBeforeStart = jumpTarget < 0;

    if (cursor < splice)
    {
        queueSegment ({ job.block, cursor, -1, splice - cursor });
        cursor = splice;
    }

    if (jumpsBeforeStart)
        cursor = 0;

    const auto deviation = splice - job.nominal;
    ++job.iteration;

    const auto fadeLength = std::min (correlationLength, n - jumpFrom - 1) + 1;
    queueSegment ({ job.block, jumpFrom, splice, fadeLength });
    cursor += fadeLength;

    if (jumpsBeforeStart && job.iteration <= iterationLimit)
    {
        job.offset = deviation;
        anchor += n - searchLength - correlationLength;
        jumpTarget = n - blockLength + anchor;
        beginIteration();
        return;
    }

    queueSegment ({ job.block, jumpFrom + fadeLength, -1, n - jumpFrom - fadeLength });
    carryOffset = deviation;
    job.active = false;

    // The block being filled is next; its splicing can start as soon as its material exists.
    startSplicing();
}
