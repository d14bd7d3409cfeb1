#pragma once

#include <array>
#include <cstddef>

/** Waveshaper with fifteen transfer curves (501-point tables over -1..1, linearly interpolated)
    and a dry/shaped crossfade. The curves are constant data shared by every instance. */
class Distortion
{
public:
    static constexpr int numCurves = 16; // curve 0 is the identity, 1..15 are selectable
    static constexpr int tableSize = 501;
    static constexpr int lastIndex = tableSize - 1;
    using Table = std::array<float, tableSize>;

    /** Builds the shared curves on first use; not for the audio thread the first time. */
    Distortion();

    /** Selects the curve and its make-up gain for distFunction 1..15 (anything else: curve 1). */
    void select (int distFunction) noexcept;

    /** The curve's value at x times the make-up gain; inputs outside -1..1 read the end values. */
    float shape (float x) const noexcept
    {
        static constexpr float halfTable = 0.5f * (float) lastIndex;
        const auto clamped = x < -1.0f ? -1.0f : (x > 1.0f ? 1.0f : x);
        const auto position = (clamped + 1.0f) * halfTable;
        const auto index = (int) position;
        const auto fraction = position - (float) index;
        const auto& table = *currentTable;
        const auto upper = index < lastIndex ? index + 1 : lastIndex;
        return ((1.0f - fraction) * table[(std::size_t) index] + fraction * table[(std::size_t) upper]) * makeupGain;
    }

    /** Crossfades from x to the shaped x by amount (0..1). */
    float process (float x, float amount) const noexcept
    {
        const auto shaped = shape (x);
        return amount < 1.0f ? amount * shaped + (1.0f - amount) * x : shaped;
    }

    /** The shared curves, built once. */
    static const std::array<Table, numCurves>& getCurves();

    const Table* currentTable = nullptr;
    float makeupGain = 1.0f;
};
