#pragma once

#include <algorithm>
#include <vector>

namespace CV
{
/** A power-of-two ring buffer whose positions wrap with a bit mask, with linearly
    interpolated fractional reads. Memory is allocated only by resize(), never while
    writing or reading, so the audio thread may use every other member freely. */
template <typename SampleType>
class CircularBuffer
{
public:
    /** The smallest power of two that is at least n (and at least 1). */
    static int nextPowerOfTwo (int n) noexcept
    {
        int size = 1;

        while (size < n)
            size <<= 1;

        return size;
    }

    /** Allocates room for at least minimumSize samples, zeroes them and rewinds the
        write position. Not for the audio thread. */
    void resize (int minimumSize)
    {
        size = nextPowerOfTwo (minimumSize);
        mask = size - 1;
        data.assign ((size_t) size, SampleType (0));
        writeIndex = 0;
    }

    /** Zeroes the contents and keeps the write position. Audio-thread safe. */
    void clear() noexcept
    {
        std::fill (data.begin(), data.end(), SampleType (0));
    }

    /** Stores x at the write position and advances it. */
    void write (SampleType x) noexcept
    {
        data[(size_t) writeIndex] = x;
        writeIndex = (writeIndex + 1) & mask;
    }

    /** Reads delayInSamples (>= 0) behind the write position, made before this sample's write:
        the actual delay is delayInSamples + 1, so 0 returns the sample written last. */
    SampleType read (float delayInSamples) const noexcept
    {
        return readFrom (data.data(), mask, writeIndex, delayInSamples);
    }

    /** read() on raw ring storage, for loops that keep the positions in local variables. */
    static SampleType readFrom (const SampleType* samples, int ringMask, int ringWriteIndex, float delayInSamples) noexcept
    {
        const auto whole = (int) delayInSamples;
        const auto fraction = delayInSamples - (float) whole;
        const auto newer = samples[(ringWriteIndex - whole - 1) & ringMask];
        const auto older = samples[(ringWriteIndex - whole - 2) & ringMask];
        return (1.0f - fraction) * newer + fraction * older;
    }

    /** The longest delay read() can serve without reading past the oldest sample. */
    float getMaximumDelay() const noexcept { return (float) (size - 2); }

    std::vector<SampleType> data;
    int writeIndex = 0;
    int size = 0;
    int mask = 0;
};
}
