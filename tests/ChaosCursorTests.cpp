#include "ChaosCursor.h"

#include <gtest/gtest.h>

namespace
{
constexpr float target = 1000.0f;

TransportSnapshot playingAt (std::int64_t position, float echoOffset = 0.0f)
{
    TransportSnapshot transport;
    transport.playing = true;
    transport.positionSamples = position;
    transport.delayTime = target;
    transport.targetTime = target;
    transport.chaosPeriod = 2.5f * target;
    transport.echoOffset = echoOffset;
    transport.chaosMode = true;
    return transport;
}
}

TEST (ChaosCursor, RisesOverTwiceTheDelayAndFallsOverHalfOfIt)
{
    struct Row
    {
        int samples;
        float cursor;
    };
    // Period 2.5 T: 2 T rising at half speed, T / 2 falling at -2.
    const Row rows[] = { { 1, 0.5f }, { 1000, 500.0f }, { 2000, 1000.0f }, { 2250, 500.0f }, { 2500, 0.0f }, { 2501, 0.5f }, { 4500, 1000.0f }, { 5000, 0.0f } };

    ChaosCursor chaos;
    int done = 0;
    for (const auto& row : rows)
    {
        for (; done < row.samples; ++done)
            chaos.step (target, target);

        EXPECT_FLOAT_EQ (chaos.chaosCursor, row.cursor) << "after " << row.samples << " samples";
    }
}

TEST (ChaosCursor, StandsStillWhileTheDelayIsAtMostOneSample)
{
    ChaosCursor chaos;
    for (int n = 0; n < 100; ++n)
        chaos.step (target, 1.0f);

    EXPECT_EQ (chaos.chaosCursor, 0.0f);
}

TEST (ChaosCursor, StartsFromTheSongPositionWhenPlaybackStarts)
{
    struct Row
    {
        std::int64_t position;
        float echoOffset;
        float cursor;
        bool returning;
    };
    const Row rows[] = {
        { 0, 0.0f, 0.0f, false },
        { 1000, 0.0f, 500.0f, false },
        { 2500 * 7 + 1000, 0.0f, 500.0f, false }, // whole periods later, same phase
        { 2250, 0.0f, 500.0f, true },             // a quarter of the way down
        { 0, 0.4f, 500.0f, false },               // echoOffset shifts the cycle by 0.4 P = 1000 samples
        { 1600, 0.4f, 50.0f, false },             // wraps past the period end
    };

    for (const auto& row : rows)
    {
        ChaosCursor chaos;
        chaos.chaosCursor = 321.0f;
        chaos.synchronise (playingAt (row.position, row.echoOffset));
        EXPECT_FLOAT_EQ (chaos.chaosCursor, row.cursor) << "position " << row.position;
        EXPECT_EQ (chaos.chaosReturning, row.returning) << "position " << row.position;
    }
}

TEST (ChaosCursor, RunsFreelyOnceStarted)
{
    ChaosCursor chaos;
    chaos.synchronise (playingAt (1000));
    chaos.step (target, target);
    chaos.synchronise (playingAt (1001 + 800));

    EXPECT_FLOAT_EQ (chaos.chaosCursor, 500.5f);
}

TEST (ChaosCursor, AlignsReverseSegmentsToTheSongPosition)
{
    ChaosCursor chaos;
    EXPECT_EQ (chaos.synchronise (playingAt (12345)), 345);

    auto stopped = playingAt (12345);
    stopped.playing = false;
    EXPECT_FALSE (chaos.synchronise (stopped).has_value());
    EXPECT_FALSE (chaos.wasPlaying);

    auto preRoll = playingAt (-250);
    EXPECT_EQ (chaos.synchronise (preRoll), -250);
}

TEST (ChaosCursor, TempoModeAddsBackTheTruncatedFraction)
{
    ChaosCursor chaos;
    auto transport = playingAt (100000);
    transport.tempoMode = true;
    transport.exactTargetTime = 1000.5; // half a sample lost per segment: 50 after 100 segments
    EXPECT_EQ (chaos.synchronise (transport), (100000 - 50) % 1000);
}
