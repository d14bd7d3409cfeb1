#pragma once

#include <cmath>

/** A per-sample glide towards a target in straight segments: the step is recomputed from the
    remaining distance once per block, so the approach slows down as the target nears. */
struct LinearSmoother
{
    /** Sets the target and the step that would cover the remaining distance in smoothingSamples. */
    void setTarget (float newTarget, float smoothingSamples) noexcept
    {
        target = newTarget;
        step = std::abs (target - current) / smoothingSamples;
    }

    /** One sample of glide. Once a step no longer changes the value (it fell below half the
        float resolution near the target) the value lands on the target instead of stalling. */
    void next() noexcept
    {
        const auto distance = target - current;

        if (std::abs (distance) > step)
        {
            const auto moved = distance > 0.0f ? current + step : current - step;
            current = moved == current ? target : moved;
        }
        else
        {
            current = target;
        }
    }

    bool isSettled() const noexcept { return current == target; }

    float current = 0.0f;
    float step = 0.0f;
    float target = 0.0f;
};
