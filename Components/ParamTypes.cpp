#include "ParamTypes.h"

#include <cmath>
#include <sstream>

namespace CV
{

juce::NormalisableRange<float> LogNormRange (float min, float max)
{
    // Double precision, so that the ends of the range map exactly onto min and max.
    const double logMin = std::log ((double) min);
    const double logRange = std::log ((double) max) - logMin;

    return { min, max,
        [logMin, logRange] (float start, float end, float normalised)
        {
            const double x = juce::jlimit (0.0f, 1.0f, normalised);
            return juce::jlimit (start, end, (float) std::exp (x * logRange + logMin));
        },
        [logMin, logRange] (float start, float end, float value)
        {
            return (float) ((std::log ((double) juce::jlimit (start, end, value)) - logMin) / logRange);
        },
        [] (float start, float end, float value)
        { return juce::jlimit (start, end, value); } };
}

namespace TextRules
{
juce::String keepNumericCharacters (const juce::String& text)
{
    return text.retainCharacters ("+-0123456789.");
}

double readNumber (const juce::String& text)
{
    return text.getDoubleValue();
}

int readLeadingInteger (const juce::String& text)
{
    auto p = text.getCharPointer();

    while (*p == ' ')
        ++p;

    bool negative = false;

    if (*p == '-' || *p == '+')
    {
        negative = (*p == '-');
        ++p;
    }

    // Wide enough that an absurdly long digit string saturates instead of overflowing.
    long long magnitude = 0;
    constexpr long long saturation = std::numeric_limits<int>::max();

    while (*p >= '0' && *p <= '9')
    {
        magnitude = std::min (saturation, magnitude * 10 + (long long) (*p - '0'));
        ++p;
    }

    return (int) (negative ? -magnitude : magnitude);
}

juce::String formatGeneral (double value)
{
    std::ostringstream stream;
    stream.imbue (std::locale::classic());
    stream << value;
    return stream.str();
}

int roundHalfAway (double value)
{
    constexpr double limit = (double) std::numeric_limits<int>::max();
    return (int) std::lround (juce::jlimit (-limit, limit, value));
}
}

namespace ParamTypes
{
const juce::NormalisableRange<float> fullFrequencyRange = LogNormRange (20.0f, 20000.0f);

//==============================================================================
Precentage::Precentage (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue)
    : MetaParameter (parameterID, name, range, defaultValue)
{
}

Precentage::~Precentage() = default;

juce::String Precentage::getText (float normalisedValue, int) const
{
    return juce::String ((int) (normalisedValue * 100.0f + 0.5f)) + "%";
}

float Precentage::getValueForText (const juce::String& text) const
{
    const double percent = TextRules::readNumber (text.removeCharacters ("%").trim());
    return (float) (juce::jlimit (0.0, 100.0, percent) / 100.0);
}

//==============================================================================
GenericRange::GenericRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, const Options& optionsToUse)
    : MetaParameter (parameterID, name, range, defaultValue)
    , options (optionsToUse)
{
}

GenericRange::~GenericRange() = default;

juce::String GenericRange::getText (float normalisedValue, int) const
{
    return formatValueToString (convertFrom0to1 (normalisedValue), normalisedValue);
}

std::optional<float> GenericRange::matchEndTexts (const juce::String& text) const
{
    const auto typed = text.toLowerCase().trim();

    if (typed == options.minText)
        return 0.0f;

    if (typed == options.maxText)
        return 1.0f;

    return {};
}

float GenericRange::getValueForText (const juce::String& text) const
{
    if (const auto endValue = matchEndTexts (text))
        return *endValue;

    const auto number = (float) TextRules::readNumber (TextRules::keepNumericCharacters (text));
    return convertTo0to1 (number);
}

juce::String GenericRange::formatValueToString (float value, float normalisedValue) const
{
    if (options.minText.isNotEmpty() && juce::approximatelyEqual (normalisedValue, 0.0f))
        return options.minText;

    if (options.maxText.isNotEmpty() && juce::approximatelyEqual (normalisedValue, 1.0f))
        return options.maxText;

    const auto scale = (float) (int) std::pow (10.0, options.decimals);
    const float rounded = std::round (value * scale) / scale;

    auto text = TextRules::formatGeneral ((double) rounded);

    if (options.decimals > 0 && !text.containsChar ('.'))
        text << "." << juce::String::repeatedString ("0", options.decimals);

    if (options.showPlusSign && !text.startsWithChar ('-'))
        text = "+" + text;

    if (options.appendUnit)
        text << options.unit;

    return text;
}

//==============================================================================
LinearRange::LinearRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue, const Options& optionsToUse, float minToShow, float maxToShow)
    : GenericRange (parameterID, name, range, defaultValue, optionsToUse)
    , min (minToShow)
    , max (maxToShow)
{
}

LinearRange::~LinearRange() = default;

juce::String LinearRange::getText (float normalisedValue, int) const
{
    return formatValueToString ((max - min) * normalisedValue + min, normalisedValue);
}

float LinearRange::getValueForText (const juce::String& text) const
{
    if (const auto endValue = matchEndTexts (text))
        return *endValue;

    const auto number = (float) TextRules::readNumber (TextRules::keepNumericCharacters (text));
    return (juce::jlimit (min, max, number) - min) / (max - min);
}

//==============================================================================
LegacyNonNormalizedFrequencyRange::LegacyNonNormalizedFrequencyRange (const juce::ParameterID& parameterID, const juce::String& name, juce::NormalisableRange<float> range, float defaultValue)
    : MetaParameter (parameterID, name, range, defaultValue)
{
}

LegacyNonNormalizedFrequencyRange::~LegacyNonNormalizedFrequencyRange() = default;

juce::String LegacyNonNormalizedFrequencyRange::getText (float normalisedValue, int) const
{
    constexpr int hertzPerKilohertz = 1000;
    const int hertz = TextRules::roundHalfAway (convertFrom0to1 (normalisedValue));

    if (hertz < hertzPerKilohertz)
        return juce::String (hertz) + " Hz";

    // One decimal of kHz, halves rounded up.
    const double kilohertz = (double) (int) ((double) hertz / hertzPerKilohertz * 10.0 + 0.5) / 10.0;
    return TextRules::formatGeneral (kilohertz) + " kHz";
}

float LegacyNonNormalizedFrequencyRange::getValueForText (const juce::String& text) const
{
    const auto typed = text.toLowerCase().trim();
    double hertz = 0.0;

    if (typed.endsWith ("khz"))
        hertz = TextRules::readNumber (typed.dropLastCharacters (3)) * 1000.0;
    else if (typed.endsWith ("hz"))
        hertz = TextRules::readNumber (typed.dropLastCharacters (2));
    else if (typed.endsWith ("k"))
        hertz = TextRules::readNumber (typed.dropLastCharacters (1)) * 1000.0;
    else
        hertz = TextRules::readNumber (typed);

    const auto& range = getNormalisableRange();
    return convertTo0to1 ((float) juce::jlimit ((double) range.start, (double) range.end, hertz));
}

//==============================================================================
OptionInt::OptionInt (const juce::ParameterID& parameterID, const juce::String& name, int min, int max, int defaultValue, const juce::StringArray& optionTexts)
    : MetaParameter (parameterID, name, min, max, defaultValue)
    , options (optionTexts)
{
    jassert (options.size() == max - min + 1);
}

OptionInt::~OptionInt() = default;

juce::String OptionInt::getText (float normalisedValue, int) const
{
    const int value = (int) std::floor (convertFrom0to1 (normalisedValue) + 0.5f);
    return options[value - getRange().getStart()];
}

float OptionInt::getValueForText (const juce::String& text) const
{
    const auto squashed = [] (const juce::String& s)
    { return s.toLowerCase().removeCharacters (" "); };
    const auto typed = squashed (text);

    for (int i = 0; i < options.size(); ++i)
        if (squashed (options[i]) == typed)
            return (float) i / (float) (options.size() - 1);

    return 0.0f;
}

//==============================================================================
UnitInt::UnitInt (const juce::ParameterID& parameterID, const juce::String& name, int min, int max, int defaultValue, const juce::String& unitText)
    : MetaParameter (parameterID, name, min, max, defaultValue)
    , unit (unitText)
{
}

UnitInt::~UnitInt() = default;

juce::String UnitInt::getText (float normalisedValue, int) const
{
    return juce::String ((int) std::floor (convertFrom0to1 (normalisedValue) + 0.5f)) + unit;
}

float UnitInt::getValueForText (const juce::String& text) const
{
    const int typed = TextRules::readLeadingInteger (TextRules::keepNumericCharacters (text));
    const auto range = getRange();
    return convertTo0to1 ((float) juce::jlimit (range.getStart(), range.getEnd(), typed));
}
}

}
