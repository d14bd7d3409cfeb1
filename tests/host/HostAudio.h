#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

/** Small host-side helpers shared by the checks: parameters as a host lists them, preparing,
    processing and test signals. */
namespace HostAudio
{
/** Channels of the stereo layout every check uses. */
inline constexpr int numChannels = 2;

/** The plug-in's own parameters in host order, without the bypass parameter the format wrapper adds. */
std::vector<juce::AudioProcessorParameter*> getPluginParameters (juce::AudioPluginInstance& instance);

/** The parameter of that name, or nullptr. */
juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& instance, const juce::String& name);

/** Stereo in, stereo out, then prepareToPlay, as a host does before its first block. */
void prepare (juce::AudioPluginInstance& instance, double sampleRate, int maximumBlockSize);

/** Lets the host-side parameter values catch up with the plug-in: a hosted LV2 reports them only
    after another block and a turn of the message loop. Message thread only. */
void settle (juce::AudioPluginInstance& instance, int blockSize);

/** Fills the buffer with noise plus a sine, peak at most amplitude. */
void fillWithTestSignal (juce::AudioBuffer<float>& buffer, juce::Random& random, float amplitude);

bool isFinite (const juce::AudioBuffer<float>& buffer);

/** Largest magnitude in the buffer, ignoring nothing (non-finite samples give a non-finite result). */
float getPeak (const juce::AudioBuffer<float>& buffer);

/** Processes blocks and owns the MIDI buffer a host passes along, so processing allocates nothing itself. */
class BlockProcessor
{
public:
    explicit BlockProcessor (juce::AudioPluginInstance& instanceToDrive)
        : instance (instanceToDrive)
    {
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        midi.clear();
        instance.processBlock (buffer, midi);
    }

private:
    juce::AudioPluginInstance& instance;
    juce::MidiBuffer midi;
};
}
