// Replaces the global allocation functions of this test program to prove that the audio
// callback never allocates or frees memory.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace
{
thread_local bool countingOnThisThread = false;
thread_local int allocationCalls = 0;

void* allocate (std::size_t size)
{
    if (countingOnThisThread)
        ++allocationCalls;

    if (auto* memory = std::malloc (size == 0 ? 1 : size))
        return memory;

    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (countingOnThisThread)
        ++allocationCalls;

    const auto align = (std::size_t) alignment;

    if (auto* memory = std::aligned_alloc (align, (size + align - 1) / align * align))
        return memory;

    throw std::bad_alloc();
}

void release (void* memory) noexcept
{
    if (countingOnThisThread && memory != nullptr)
        ++allocationCalls;

    std::free (memory);
}
}

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
void* operator new[] (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
void operator delete (void* memory) noexcept { release (memory); }
void operator delete[] (void* memory) noexcept { release (memory); }
void operator delete (void* memory, std::size_t) noexcept { release (memory); }
void operator delete[] (void* memory, std::size_t) noexcept { release (memory); }
void operator delete (void* memory, std::align_val_t) noexcept { release (memory); }
void operator delete[] (void* memory, std::align_val_t) noexcept { release (memory); }
void operator delete (void* memory, std::size_t, std::align_val_t) noexcept { release (memory); }
void operator delete[] (void* memory, std::size_t, std::align_val_t) noexcept { release (memory); }

namespace
{
TEST (AllocationCounter, SeesAnAllocation)
{
    countingOnThisThread = true;
    allocationCalls = 0;
    delete new int (1);
    countingOnThisThread = false;
    EXPECT_EQ (allocationCalls, 2);
}

TEST (RealTimeSafety, ProcessBlockNeitherAllocatesNorFreesWithEveryStageOnAndParametersMoving)
{
    static constexpr int blockSize = 512;
    static constexpr int numBlocks = 600;
    EngineFixture fixture (48000.0, 2, blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::Random random (3);

    fixture.set (ParamIDs::lowCut, 200.0f);
    fixture.set (ParamIDs::highCut, 8000.0f);
    fixture.set (ParamIDs::lowCutQ, 0.6f);
    fixture.set (ParamIDs::highCutQ, 0.6f);
    fixture.set (ParamIDs::fdbFil, 1.0f);
    fixture.set (ParamIDs::distortion, 0.7f);
    fixture.set (ParamIDs::duck, 0.5f);
    fixture.set (ParamIDs::tape, 1.0f);
    fixture.set (ParamIDs::modAmt, 1.0f);
    fixture.set (ParamIDs::modRate, 0.5f);
    fixture.set (ParamIDs::diffSize, 0.5f);
    fixture.set (ParamIDs::spread, 0.5f);

    int callsDuringProcessing = 0;

    for (int block = 0; block < numBlocks; ++block)
    {
        // Every block: time and feedback move; now and then switches, modes and the transport change.
        fixture.set (ParamIDs::timeMs, random.nextFloat());
        fixture.set (ParamIDs::feedback, random.nextFloat());
        fixture.set (ParamIDs::pipo, (float) ((block / 50) % 2));
        fixture.set (ParamIDs::midSideMode, (float) ((block / 70) % 2));
        fixture.set (ParamIDs::mono, (float) ((block / 90) % 2));
        fixture.set (ParamIDs::postDist, (float) ((block / 30) % 2));
        fixture.set (ParamIDs::timeMode, (float) ((block / 40) % 4));
        fixture.set (ParamIDs::mode, (float) (1 + (block / 80) % 7));
        // Each mode runs with diffusion on, then switches it off; the character controls move.
        fixture.set (ParamIDs::diffAmt, block % 80 < 60 ? 0.5f : 0.0f);
        fixture.set (ParamIDs::diffQuality, (float) (1 + block % 8));
        fixture.set (ParamIDs::pitchShift, (float) ((block / 10) % 25 - 12));
        fixture.set (ParamIDs::frequencyShift, random.nextFloat() * 2.0f - 1.0f);
        fixture.set (ParamIDs::echoOffset, random.nextFloat());
        fixture.set (ParamIDs::distFunction, (float) (1 + block % 15));
        fixture.set (ParamIDs::bypassAll, (float) (block % 97 == 0));
        fixture.setBpm (90.0 + block % 60);
        fixture.playHead.position.setIsPlaying (block % 200 > 20);
        fixture.playHead.position.setTimeInSamples ((juce::int64) block * blockSize);
        fixture.processor.resetRequest = block % 150 == 149;

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (channel, i, random.nextFloat() * 2.0f - 1.0f);

        countingOnThisThread = true;
        allocationCalls = 0;
        fixture.processor.processBlock (buffer, fixture.midi);
        countingOnThisThread = false;
        callsDuringProcessing += allocationCalls;
    }

    EXPECT_EQ (callsDuringProcessing, 0);
}
}
