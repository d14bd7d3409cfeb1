#pragma once

/** A 3 ms anti-click crossfade from the value held before a stage was switched to the stage's
    new output. While inactive it passes its input and remembers it as the held value. */
struct TransitionRamp
{
    /** Crossfade length after a switch: short enough to be inaudible as a fade, long enough to hide the step. */
    static constexpr float rampMilliseconds = 3.0f;

    void prepare (float sampleRate) noexcept
    {
        value = 0.0f;
        increment = 1.0f / (rampMilliseconds * (sampleRate / 1000.0f));
    }

    /** Starts a new crossfade from the held value. */
    void restart() noexcept
    {
        active = true;
        value = 0.0f;
    }

    float process (float x) noexcept
    {
        if (active)
        {
            const auto nextValue = value + increment;

            if (nextValue <= 1.0f)
            {
                held = value * x + (1.0f - value) * held;
                value = nextValue;
                return held;
            }

            active = false;
        }

        held = x;
        return x;
    }

    bool active = false;
    float value = 0.0f;
    float increment = 0.00001f;
    float held = 0.0f;
};
