#pragma once

#include "PluginProcessor.h"

#include <vector>

/** A prepared processor driven block by block with a play head, parameters set by ID in their
    own units, and helpers to feed signals and collect the output. */
class EngineFixture
{
public:
    using Signal = std::vector<float>;

    struct StereoSignal
    {
        Signal left, right;
    };

    explicit EngineFixture (double sampleRateToUse = 48000.0, int numChannelsToUse = 2, int blockSizeToUse = 512)
        : sampleRate (sampleRateToUse)
        , numChannels (numChannelsToUse)
        , blockSize (blockSizeToUse)
    {
        if (numChannels == 1)
        {
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (juce::AudioChannelSet::mono());
            layout.outputBuses.add (juce::AudioChannelSet::mono());
            processor.setBusesLayout (layout);
        }

        playHead.position.setBpm (120.0);
        processor.setPlayHead (&playHead);
        processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
        processor.prepareToPlay (sampleRate, blockSize);
    }

    void set (const char* parameterID, float value) { processor.setParamValue (parameterID, value); }

    void setBpm (double bpm) { playHead.position.setBpm (bpm); }

    /** Processes the signals (the right one is ignored in mono) and returns the output. */
    StereoSignal process (const Signal& left, const Signal& right)
    {
        StereoSignal output { left, numChannels > 1 ? right : left };
        juce::AudioBuffer<float> buffer (numChannels, blockSize);

        for (size_t start = 0; start < left.size(); start += (size_t) blockSize)
        {
            const auto count = (int) std::min ((size_t) blockSize, left.size() - start);
            buffer.setSize (numChannels, count, false, false, true);

            for (int channel = 0; channel < numChannels; ++channel)
                buffer.copyFrom (channel, 0, (channel == 0 ? left : right).data() + start, count);

            processor.processBlock (buffer, midi);

            for (int channel = 0; channel < numChannels; ++channel)
                std::copy_n (buffer.getReadPointer (channel), count, (channel == 0 ? output.left : output.right).begin() + (long) start);
        }

        if (numChannels == 1)
            output.right = output.left;

        return output;
    }

    StereoSignal process (const Signal& both) { return process (both, both); }

    /** Lets every glide settle with silent input. */
    void settle (double seconds = 3.0) { process (Signal ((size_t) (seconds * sampleRate), 0.0f)); }

    static Signal impulse (size_t length, size_t position = 0, float height = 1.0f)
    {
        Signal signal (length, 0.0f);
        signal[position] = height;
        return signal;
    }

    /** Indices of samples whose magnitude exceeds threshold. */
    static std::vector<size_t> peaks (const Signal& signal, float threshold = 1.0e-6f)
    {
        std::vector<size_t> positions;

        for (size_t i = 0; i < signal.size(); ++i)
            if (std::abs (signal[i]) > threshold)
                positions.push_back (i);

        return positions;
    }

    Delay& engine() { return processor.delay; }

    struct FixedPlayHead : public juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override
        {
            return supplied ? juce::Optional<PositionInfo> (position) : juce::nullopt;
        }

        PositionInfo position;
        bool supplied = true;
    };

    VantrelDelayAudioProcessor processor;
    FixedPlayHead playHead;
    juce::MidiBuffer midi;
    double sampleRate;
    int numChannels;
    int blockSize;
};
