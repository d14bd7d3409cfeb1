#include "DemoPhrase.h"

#include <array>
#include <cmath>
#include <vector>

namespace
{
/** Eighth notes at 120 BPM: a quick figure that makes the echoes easy to follow. */
constexpr double noteSpacingSeconds = 0.25;

/** A pluck of the figure: MIDI note and pan position (-1 left .. 1 right). */
struct Pluck
{
    int midiNote;
    float pan;
};

/** A minor-pentatonic figure that walks across the stereo field and back. */
constexpr std::array<Pluck, 12> figure { { { 57, -0.8f }, { 60, -0.5f }, { 64, -0.2f }, { 67, 0.2f }, { 69, 0.5f }, { 72, 0.8f },
    { 69, 0.6f }, { 67, 0.3f }, { 64, 0.0f }, { 62, -0.3f }, { 60, -0.6f }, { 57, 0.0f } } };

/** Clicks fall on every beat (every second note) and alternate between the sides. */
constexpr int notesPerClick = 2;
constexpr float clickPan = 0.9f;
constexpr double clickSeconds = 0.003;
constexpr float clickLevel = 0.6f;

/** Loss per pass of the string loop: about a second and a half of ring for the middle notes. */
constexpr float stringDamping = 0.996f;

/** The fixed seed that makes the phrase identical on every run. */
constexpr juce::int64 noiseSeed = 20261211;

/** Leaves headroom for the wet signal added by the processor. */
constexpr float peakLevel = 0.5f;

void addPanned (juce::AudioBuffer<float>& buffer, int position, float sample, float pan)
{
    // Equal-power pan law keeps every position at the same loudness.
    const auto angle = (pan + 1.0f) * juce::MathConstants<float>::pi * 0.25f;
    buffer.addSample (0, position, sample * std::cos (angle));
    buffer.addSample (1, position, sample * std::sin (angle));
}

/** A Karplus-Strong string: a noise burst circulating through a damped averaging loop. */
void addPluck (juce::AudioBuffer<float>& buffer, int start, const Pluck& pluck, double sampleRate, juce::Random& random)
{
    const auto frequency = juce::MidiMessage::getMidiNoteInHertz (pluck.midiNote);
    const auto period = juce::jmax (2, juce::roundToInt (sampleRate / frequency));
    std::vector<float> loop ((size_t) period);

    for (auto& sample : loop)
        sample = random.nextFloat() * 2.0f - 1.0f;

    for (int position = start, index = 0; position < buffer.getNumSamples(); ++position)
    {
        const auto next = (index + 1) % period;
        const auto output = loop[(size_t) index];
        loop[(size_t) index] = stringDamping * 0.5f * (output + loop[(size_t) next]);
        addPanned (buffer, position, output, pluck.pan);
        index = next;
    }
}

/** A short burst of noise with a linear decay. */
void addClick (juce::AudioBuffer<float>& buffer, int start, float pan, double sampleRate, juce::Random& random)
{
    const auto length = juce::jmax (1, juce::roundToInt (clickSeconds * sampleRate));
    const auto end = juce::jmin (buffer.getNumSamples(), start + length);

    for (int position = start; position < end; ++position)
    {
        const auto envelope = 1.0f - (float) (position - start) / (float) length;
        addPanned (buffer, position, clickLevel * envelope * (random.nextFloat() * 2.0f - 1.0f), pan);
    }
}
}

juce::AudioBuffer<float> DemoPhrase::generate (double sampleRate)
{
    juce::AudioBuffer<float> buffer (2, juce::roundToInt (lengthSeconds * sampleRate));
    buffer.clear();
    juce::Random random (noiseSeed);

    for (size_t note = 0; note < figure.size(); ++note)
    {
        const auto start = juce::roundToInt ((double) note * noteSpacingSeconds * sampleRate);
        addPluck (buffer, start, figure[note], sampleRate, random);

        if (note % notesPerClick == 0)
            addClick (buffer, start, (note / notesPerClick) % 2 == 0 ? -clickPan : clickPan, sampleRate, random);
    }

    if (const auto peak = buffer.getMagnitude (0, buffer.getNumSamples()); peak > 0.0f)
        buffer.applyGain (peakLevel / peak);

    return buffer;
}
