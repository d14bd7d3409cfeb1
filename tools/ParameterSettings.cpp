#include "ParameterSettings.h"

#include "ParamTypes.h"

#include <cmath>
#include <cstdlib>
#include <limits>

juce::Result ParameterAssignment::parse (const juce::String& argument, ParameterAssignment& assignment)
{
    const auto equals = argument.indexOfChar ('=');

    if (equals <= 0 || equals == argument.length() - 1)
        return juce::Result::fail ("--set needs ID=VALUE, not \"" + argument + "\"");

    assignment.parameterId = argument.substring (0, equals).trim();
    assignment.valueText = argument.substring (equals + 1).trim();

    if (assignment.parameterId.isEmpty() || assignment.valueText.isEmpty())
        return juce::Result::fail ("--set needs ID=VALUE, not \"" + argument + "\"");

    return juce::Result::ok();
}

bool ParameterSettings::readBareNumber (const juce::String& text, double& number)
{
    if (!text.containsOnly ("0123456789+-.eE") || !text.containsAnyOf ("0123456789"))
        return false;

    const auto utf8 = text.toStdString();
    char* end = nullptr;
    number = std::strtod (utf8.c_str(), &end);
    return end == utf8.c_str() + utf8.size() && std::isfinite (number);
}

namespace
{
/** Levenshtein distance of two short texts. */
int editDistance (const juce::String& a, const juce::String& b)
{
    std::vector<int> previous ((size_t) b.length() + 1), current (previous.size());

    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = (int) j;

    for (int i = 1; i <= a.length(); ++i)
    {
        current[0] = i;

        for (int j = 1; j <= b.length(); ++j)
        {
            const auto substitution = previous[(size_t) j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[(size_t) j] = juce::jmin (substitution, previous[(size_t) j] + 1, current[(size_t) j - 1] + 1);
        }

        std::swap (previous, current);
    }

    return previous.back();
}

juce::String squashed (const juce::String& text)
{
    return text.toLowerCase().removeCharacters (" ");
}

bool isOnOffParameter (const juce::RangedAudioParameter& parameter)
{
    return dynamic_cast<const juce::AudioParameterBool*> (&parameter) != nullptr;
}

bool isOptionParameter (const juce::RangedAudioParameter& parameter)
{
    return dynamic_cast<const CV::ParamTypes::OptionInt*> (&parameter) != nullptr
        || dynamic_cast<const juce::AudioParameterChoice*> (&parameter) != nullptr;
}

/** Every text of a stepped parameter, lowest value first. The framework lists them only for
    parameters that declare themselves discrete, which its integer parameter does not. */
juce::StringArray stepTexts (const juce::RangedAudioParameter& parameter)
{
    juce::StringArray texts;
    const auto lastStep = parameter.getNumSteps() - 1;

    for (int step = 0; step <= lastStep; ++step)
        texts.add (parameter.getText ((float) step / (float) lastStep, 0));

    return texts;
}

bool isOnOffWord (const juce::String& text)
{
    // The words the framework's boolean parameter understands.
    return juce::StringArray { "on", "off", "yes", "no", "true", "false" }.contains (text.toLowerCase());
}

bool isOneOfTexts (const juce::String& text, const juce::StringArray& texts)
{
    for (const auto& candidate : texts)
        if (squashed (candidate) == squashed (text))
            return true;

    return false;
}

bool readsAsOwnText (const juce::RangedAudioParameter& parameter, const juce::String& text)
{
    return squashed (parameter.getText (parameter.getValueForText (text), 0)) == squashed (text);
}

juce::String formatNumber (double value)
{
    return CV::TextRules::formatGeneral (value);
}

juce::String describeRange (const juce::RangedAudioParameter& parameter)
{
    const auto& range = parameter.getNormalisableRange();
    return formatNumber (range.start) + " .. " + formatNumber (range.end);
}

juce::String describeValue (const juce::RangedAudioParameter& parameter, float normalisedValue)
{
    return formatNumber (parameter.convertFrom0to1 (normalisedValue)) + " (" + parameter.getText (normalisedValue, 0) + ")";
}

juce::String textHint (const juce::RangedAudioParameter& parameter)
{
    if (isOnOffParameter (parameter))
        return "On or Off";

    if (isOptionParameter (parameter))
        return "one of " + stepTexts (parameter).joinIntoString (", ");

    return "a text such as \"" + parameter.getText (parameter.getDefaultValue(), 0) + "\"";
}

juce::Result readText (const juce::RangedAudioParameter& parameter, const juce::String& text, float& normalisedValue)
{
    const auto readable = isOnOffParameter (parameter) ? isOnOffWord (text)
        : isOptionParameter (parameter)                ? isOneOfTexts (text, stepTexts (parameter))
                                                       : text.containsAnyOf ("0123456789") || readsAsOwnText (parameter, text);

    if (!readable)
        return juce::Result::fail ("cannot read \"" + text + "\" as a value of " + parameter.getParameterID() + ": write " + textHint (parameter));

    normalisedValue = parameter.getValueForText (text);
    return juce::Result::ok();
}

juce::Result readOwnUnits (const juce::RangedAudioParameter& parameter, double value, const juce::String& text, float& normalisedValue)
{
    const auto& range = parameter.getNormalisableRange();

    if (value < range.start || value > range.end)
        return juce::Result::fail (parameter.getParameterID() + "=" + text + " is outside its range " + describeRange (parameter)
            + " (a bare number is in the parameter's own units; for a displayed value write "
            + textHint (parameter) + ")");

    normalisedValue = range.convertTo0to1 ((float) value);
    return juce::Result::ok();
}

struct ResolvedAssignment
{
    juce::RangedAudioParameter* parameter;
    float normalisedValue;
    juce::String valueText;
};

bool isBareNumber (const juce::String& text)
{
    double unused = 0.0;
    return ParameterSettings::readBareNumber (text, unused);
}
}

juce::RangedAudioParameter* ParameterSettings::findParameter (juce::AudioProcessor& processor, const juce::String& parameterId)
{
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            if (ranged->getParameterID() == parameterId)
                return ranged;

    return nullptr;
}

juce::String ParameterSettings::closestMatch (const juce::String& name, const juce::StringArray& candidates)
{
    juce::String best;
    auto bestDistance = std::numeric_limits<int>::max();

    for (const auto& candidate : candidates)
        if (const auto distance = editDistance (name.toLowerCase(), candidate.toLowerCase()); distance < bestDistance)
        {
            best = candidate;
            bestDistance = distance;
        }

    return best;
}

juce::StringArray ParameterSettings::parameterIds (juce::AudioProcessor& processor)
{
    juce::StringArray ids;

    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
            ids.add (ranged->getParameterID());

    return ids;
}

juce::Result ParameterSettings::readValue (const juce::RangedAudioParameter& parameter, const juce::String& valueText, float& normalisedValue)
{
    double number = 0.0;

    if (readBareNumber (valueText, number))
        return readOwnUnits (parameter, number, valueText, normalisedValue);

    return readText (parameter, valueText, normalisedValue);
}

juce::Result ParameterSettings::apply (juce::AudioProcessor& processor, const std::vector<ParameterAssignment>& assignments)
{
    std::vector<ResolvedAssignment> resolved;

    for (const auto& assignment : assignments)
    {
        auto* parameter = findParameter (processor, assignment.parameterId);

        if (parameter == nullptr)
            return juce::Result::fail ("unknown parameter \"" + assignment.parameterId + "\"; did you mean \""
                + closestMatch (assignment.parameterId, parameterIds (processor)) + "\"? (--list-params shows them all)");

        float normalisedValue = 0.0f;

        if (const auto read = readValue (*parameter, assignment.valueText, normalisedValue); read.failed())
            return read;

        resolved.push_back ({ parameter, normalisedValue, assignment.valueText });
    }

    for (const auto& entry : resolved)
        entry.parameter->setValueNotifyingHost (entry.normalisedValue);

    // Only a text whose reading another assignment changed is set again, so that every other
    // value lands exactly once, in order (a switch of A/B side in between stays meaningful).
    for (const auto& entry : resolved)
        if (!isBareNumber (entry.valueText))
            if (const auto reread = entry.parameter->getValueForText (entry.valueText); reread != entry.normalisedValue)
                entry.parameter->setValueNotifyingHost (reread);

    return juce::Result::ok();
}

juce::String ParameterSettings::describe (juce::AudioProcessor& processor)
{
    static constexpr int idWidth = 18, nameWidth = 22, rangeWidth = 16, valueWidth = 22;

    const auto column = [] (const juce::String& text, int width)
    { return text.paddedRight (' ', width) + " "; };

    juce::String table = column ("ID", idWidth) + column ("Name", nameWidth) + column ("Range", rangeWidth)
        + column ("Default", valueWidth) + "Current\n";
    juce::String options;

    for (auto* parameter : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);

        if (ranged == nullptr)
            continue;

        table << column (ranged->getParameterID(), idWidth) << column (ranged->getName (nameWidth), nameWidth)
              << column (describeRange (*ranged), rangeWidth) << column (describeValue (*ranged, ranged->getDefaultValue()), valueWidth)
              << describeValue (*ranged, ranged->getValue()) << "\n";

        if (isOptionParameter (*ranged))
            options << "  " << ranged->getParameterID() << ": " << stepTexts (*ranged).joinIntoString (", ") << "\n";
    }

    return table + "\nOption texts:\n" + options;
}
