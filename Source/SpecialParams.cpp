#include "SpecialParams.h"
#include "ParamIDs.h"

namespace SpecialParams
{
using CV::TextRules::keepNumericCharacters;
using CV::TextRules::readNumber;
using CV::TextRules::roundHalfAway;

DelayTime::DelayTime (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue)
    : MetaParameter (parameterID, name, range, defaultValue)
    , displayRange (0.0f, maximumMs, 0.0f, centreSkew, false)
{
}

DelayTime::~DelayTime() = default;

juce::String DelayTime::getText (float normalisedValue, int) const
{
    return juce::String (roundHalfAway (displayRange.convertFrom0to1 (normalisedValue))) + " ms";
}

float DelayTime::getValueForText (const juce::String& text) const
{
    const auto ms = (float) juce::jlimit (0.0, (double) maximumMs, readNumber (keepNumericCharacters (text)));
    return displayRange.convertTo0to1 (ms);
}

//==============================================================================
namespace
{
constexpr float pingPongWidthPercent = 200.0f;
constexpr float haasWidthMs = 20.0f;
}

Spread::Spread (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, juce::AudioProcessorValueTreeState& parameterTree)
    : MetaParameter (parameterID, name, range, defaultValue)
    , tree (parameterTree)
{
}

Spread::~Spread() = default;

float Spread::displayWidth() const
{
    const auto* pingPong = tree.getParameter (ParamIDs::pipo);
    const bool pingPongOn = pingPong != nullptr && pingPong->getValue() != 0.0f;
    return pingPongOn ? pingPongWidthPercent : haasWidthMs;
}

juce::String Spread::getText (float normalisedValue, int) const
{
    const float width = displayWidth();
    const auto unit = width == pingPongWidthPercent ? "%" : " ms";
    return juce::String (roundHalfAway (normalisedValue * width - width / 2.0f)) + unit;
}

float Spread::getValueForText (const juce::String& text) const
{
    const float width = displayWidth();
    const auto typed = (float) readNumber (keepNumericCharacters (text));
    return (juce::jlimit (-width / 2.0f, width / 2.0f, typed) + width / 2.0f) / width;
}
}
