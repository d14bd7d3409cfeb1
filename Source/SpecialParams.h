#pragma once

#include "../Components/ParamTypes.h"

/** Parameter classes that only this plug-in uses. */
namespace SpecialParams
{
/** The millisecond delay time: the value runs 0..1, the text 0..1000 ms with 200 ms at the centre. */
class DelayTime : public CV::MetaParameter<juce::AudioParameterFloat>
{
public:
    DelayTime (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue);
    ~DelayTime() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

    /** ln 0.5 / ln 0.2: the skew that puts 200 ms at the centre of 0..1000 ms. */
    static constexpr float centreSkew = 0.43067655f;
    static constexpr float maximumMs = 1000.0f;

    juce::NormalisableRange<float> displayRange;
};

/** Haas spread in ms, or the ping-pong balance in percent when "pipo" is on. */
class Spread : public CV::MetaParameter<juce::AudioParameterFloat>
{
public:
    Spread (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, juce::AudioProcessorValueTreeState& parameterTree);
    ~Spread() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

private:
    /** Width of the displayed interval: -100..100 % with ping-pong, -10..10 ms without. */
    float displayWidth() const;

    juce::AudioProcessorValueTreeState& tree;
};
}
