#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <optional>

namespace CV
{

/** A framework parameter that reports itself as a meta-parameter, so hosts do not treat it
    as a plain automation target of the signal path. */
template <typename ParameterBase>
class MetaParameter : public ParameterBase
{
public:
    using ParameterBase::ParameterBase;

    bool isMetaParameter() const override { return true; }
};

/** Logarithmic 0..1 mapping between min and max (normalised = ln (v / min) / ln (max / min)). */
juce::NormalisableRange<float> LogNormRange (float min, float max);

/** Text helpers shared by the parameter classes and the command-line tools. */
namespace TextRules
{
/** Removes every character that is not one of "+-0123456789.". */
juce::String keepNumericCharacters (const juce::String& text);

/** The framework's decimal reading of a text: 0 when nothing parses. */
double readNumber (const juce::String& text);

/** Leading spaces, optional sign, digits; 0 when there are none. */
int readLeadingInteger (const juce::String& text);

/** A number in the general format with 6 significant digits, as a default C++ stream writes a double. */
juce::String formatGeneral (double value);

/** Nearest integer, halves away from zero. */
int roundHalfAway (double value);
}

namespace ParamTypes
{
/** The full audible range 20 Hz .. 20 kHz on a logarithmic scale. */
extern const juce::NormalisableRange<float> fullFrequencyRange;

/** A unit-range parameter shown as a whole percentage. */
class Precentage : public MetaParameter<juce::AudioParameterFloat>
{
public:
    Precentage (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue);
    ~Precentage() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;
};

/** A float parameter formatted with a fixed number of decimals, an optional sign and unit,
    and optional words in place of the numbers at the ends of the range. */
class GenericRange : public MetaParameter<juce::AudioParameterFloat>
{
public:
    struct Options
    {
        int decimals = 0;
        bool appendUnit = false;
        bool showPlusSign = false;
        juce::String unit;
        juce::String minText;
        juce::String maxText;
    };

    GenericRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, const Options& options);
    ~GenericRange() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

    juce::String formatValueToString (float value, float normalisedValue) const;

protected:
    /** 0 or 1 when the text is one of the end words, otherwise nothing. */
    std::optional<float> matchEndTexts (const juce::String& text) const;

    Options options;
};

/** A GenericRange whose displayed number runs linearly from min to max whatever the value range. */
class LinearRange : public GenericRange
{
public:
    LinearRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, const Options& options, float min, float max);
    ~LinearRange() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

    float min, max;
};

/** A frequency in Hz: "632 Hz" below 1 kHz, "1.5 kHz" above; reads "1k", "1 kHz", "1000hz". */
class LegacyNonNormalizedFrequencyRange : public MetaParameter<juce::AudioParameterFloat>
{
public:
    LegacyNonNormalizedFrequencyRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue);
    ~LegacyNonNormalizedFrequencyRange() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;
};

/** An integer parameter shown as one entry of a list of texts. */
class OptionInt : public MetaParameter<juce::AudioParameterInt>
{
public:
    OptionInt (const juce::ParameterID& parameterID, const juce::String& name, int min, int max, int defaultValue, const juce::StringArray& options);
    ~OptionInt() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

    juce::StringArray options;
};

/** An integer parameter shown as the number followed by a unit. */
class UnitInt : public MetaParameter<juce::AudioParameterInt>
{
public:
    UnitInt (const juce::ParameterID& parameterID, const juce::String& name, int min, int max, int defaultValue, const juce::String& unit);
    ~UnitInt() override;

    juce::String getText (float normalisedValue, int maximumStringLength) const override;
    float getValueForText (const juce::String& text) const override;

    juce::String unit;
};
}

}
