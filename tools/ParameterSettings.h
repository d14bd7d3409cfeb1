#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

/** One "ID=VALUE" request of the command line. */
struct ParameterAssignment
{
    juce::String parameterId;
    juce::String valueText;

    /** Splits "ID=VALUE" at the first "="; fails when either side is empty. */
    static juce::Result parse (const juce::String& argument, ParameterAssignment& assignment);
};

/** Reading and applying parameter values through the processor's host interface only,
    so the rules hold for whatever parameters the processor publishes.

    A VALUE is read in one of two ways:
    - a bare number ("0.75", "-3", "350", "1e3") is the value in the parameter's own units,
      the unit the parameter stores (for most controls 0 .. 1, for frequencies Hz, for options
      the option number); it must lie inside the parameter's range;
    - anything else is text, read by the parameter's own text rule, exactly as a host reads a
      typed value ("350 ms", "75%", "1.2k", "+7 Semi", "Rev Chaos", "On"). Since those rules
      read nonsense as 0, a text is refused when it cannot mean anything: for an on/off
      parameter it must be one of on, off, yes, no, true, false; for an option parameter it
      must be one of the options (case and spaces ignored); for any other parameter it must
      contain a digit or be one of the parameter's own texts. */
namespace ParameterSettings
{
/** True when the whole text is a finite decimal number ("0.75", "-3", "1e3") and nothing else:
    no unit, no stray characters. */
bool readBareNumber (const juce::String& text, double& number);

/** The parameter with this ID, or nullptr. */
juce::RangedAudioParameter* findParameter (juce::AudioProcessor& processor, const juce::String& parameterId);

/** The candidate nearest to a misspelt name (edit distance, ignoring case); empty when there are none. */
juce::String closestMatch (const juce::String& name, const juce::StringArray& candidates);

/** Every parameter ID of the processor, in the host's order. */
juce::StringArray parameterIds (juce::AudioProcessor& processor);

/** Reads a VALUE for a parameter as a normalised value, or fails with a one-line reason. */
juce::Result readValue (const juce::RangedAudioParameter& parameter, const juce::String& valueText, float& normalisedValue);

/** Sets every assignment through the parameter (notifying the host), in order; fails on the
    first unknown ID (suggesting the closest one) or unreadable value, before changing anything.
    A text whose reading depends on another parameter ("spread" reads milliseconds or percent
    depending on "pipo") is read again once all are set and applied again if its value changed. */
juce::Result apply (juce::AudioProcessor& processor, const std::vector<ParameterAssignment>& assignments);

/** One line per parameter: ID, name, range in own units, default and current value with their texts,
    followed by the option texts of option parameters. */
juce::String describe (juce::AudioProcessor& processor);
}
