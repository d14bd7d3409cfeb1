#include "ReverseBuffer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace
{
constexpr float sampleRate = 48000.0f;
constexpr float samplesPerMs = sampleRate / 1000.0f;

struct ReverseRun
{
    float delayTime = 4801.0f;
    float echoOffset = 0.0f;
};

/** Feeds `input` through a fresh buffer and returns what it plays. */
std::vector<float> playReversed (const std::vector<float>& input, ReverseRun run)
{
    ReverseBuffer buffer;
    buffer.prepare (sampleRate);
    std::vector<float> out;
    out.reserve (input.size());

    for (auto x : input)
    {
        buffer.write (x);
        out.push_back (buffer.read (run.delayTime, 0.0f, run.echoOffset));
    }

    return out;
}

/** Mean delay of the reversed echo of an impulse, averaged over every impulse position within a segment. */
double meanEchoDelay (ReverseRun run, int positionStep)
{
    const auto segment = (int) run.delayTime;
    double sum = 0.0;
    int count = 0;

    for (int position = 3 * segment; position < 4 * segment; position += positionStep)
    {
        std::vector<float> input ((size_t) (8 * segment), 0.0f);
        input[(size_t) position] = 1.0f;
        const auto out = playReversed (input, run);

        double energy = 0.0, moment = 0.0;
        for (size_t n = 0; n < out.size(); ++n)
        {
            energy += out[n] * out[n];
            moment += (double) n * out[n] * out[n];
        }

        if (energy > 0.0)
        {
            sum += moment / energy - position;
            ++count;
        }
    }

    return sum / count;
}
}

TEST (ReverseBuffer, PlaysARampBackwardsWithinFadedSegments)
{
    constexpr float delayTime = 4801.0f; // segments of 4800 samples
    constexpr int segment = 4801;
    std::vector<float> ramp (4 * segment);
    for (size_t n = 0; n < ramp.size(); ++n)
        ramp[n] = (float) n * 1.0e-4f;

    const auto out = playReversed (ramp, { delayTime, 0.0f });

    const auto fade = 30.0f * samplesPerMs;
    for (int n = segment; n < 3 * segment; ++n)
    {
        const auto start = (n / segment) * segment;
        const auto counter = (float) (n - start);
        const auto length = delayTime - 1.0f;
        const auto gain = counter <= fade ? counter / fade : (counter < length - fade ? 1.0f : 1.0f - (counter - (length - fade)) / fade);
        // Each segment starts from the sample recorded just before it and walks backwards.
        const auto expected = gain * ramp[(size_t) (start - 1 - (n - start))];
        ASSERT_NEAR (out[(size_t) n], expected, 1.0e-5f) << "sample " << n;
    }
}

TEST (ReverseBuffer, ShortSegmentsFadeOverHalfTheirLength)
{
    constexpr float delayTime = 201.0f; // shorter than two maximum fades
    std::vector<float> ones (1000, 1.0f);
    const auto out = playReversed (ones, { delayTime, 0.0f });

    EXPECT_FLOAT_EQ (out[201 + 50], 0.5f);
    EXPECT_FLOAT_EQ (out[201 + 100], 1.0f);
    EXPECT_FLOAT_EQ (out[201 + 150], 0.5f);
}

TEST (ReverseBuffer, EchoOffsetDelaysTheReversedEchoByItsShareOfTheDelay)
{
    constexpr float delayTime = 1000.0f;
    const auto plain = meanEchoDelay ({ delayTime, 0.0f }, 7);
    const auto offset = meanEchoDelay ({ delayTime, 0.5f }, 7);

    EXPECT_NEAR (plain, delayTime, 0.01 * delayTime);
    EXPECT_NEAR (offset - plain, 0.5 * delayTime, 0.01 * delayTime);
}

TEST (ReverseBuffer, FlushKeepsPositions)
{
    ReverseBuffer buffer;
    buffer.prepare (sampleRate);
    for (int n = 0; n < 500; ++n)
    {
        buffer.write (1.0f);
        buffer.read (300.0f, 0.0f, 0.0f);
    }

    const auto writePosition = buffer.writePosition;
    buffer.flush();

    EXPECT_EQ (buffer.writePosition, writePosition);
    EXPECT_EQ (buffer.read (300.0f, 0.0f, 0.0f), 0.0f);
}
