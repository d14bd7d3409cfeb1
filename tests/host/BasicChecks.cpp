#include "HostAudio.h"
#include "HostCheck.h"
#include "ParameterExpectations.h"

#include <algorithm>
#include <cmath>

namespace
{
// Texts can be asked for at any length; this is longer than any of ours.
constexpr int maximumTextLength = 1024;

// LV2 hosts exchange values in units as text numbers; this tolerates their printing.
constexpr float lv2RelativeTolerance = 1.0e-4f;

// Normalised values pass through float and double conversions in the wrappers.
constexpr float normalisedTolerance = 1.0e-6f;

bool unitsMatch (float actual, float expected)
{
    return std::abs (actual - expected) <= lv2RelativeTolerance * std::max (1.0f, std::abs (expected));
}

juce::String describe (juce::AudioProcessorParameter& parameter)
{
    return "\"" + parameter.getName (maximumTextLength) + "\"";
}

/** A hosted LV2 knows the plug-in's texts only for switches (as labels); for the other
    parameters it prints the value in units. */
bool showsTextsAsNumbers (const CheckContext& context, const juce::AudioProcessorParameter& parameter)
{
    return context.plugin.isLv2() && !parameter.isBoolean();
}

bool textMatches (const CheckContext& context, const juce::AudioProcessorParameter& parameter, const juce::String& text, const char* expectedText, float expectedValue)
{
    if (showsTextsAsNumbers (context, parameter))
        return unitsMatch (text.getFloatValue(), expectedValue);

    return text == expectedText;
}

/** Sets a parameter the way a user types into a host's field: the plug-in's own text for VST3
    and LV2 switches, the value in units for the other LV2 parameters. */
juce::String typeValue (const CheckContext& context, juce::AudioProcessorParameter& parameter, const ParameterExpectation& expected)
{
    juce::String typed = expected.typedText;

    if (context.plugin.isLv2())
        typed = showsTextsAsNumbers (context, parameter) ? juce::String (expected.typedValue) : juce::String (expected.typedResultText);

    parameter.setValue (parameter.getValueForText (typed));
    return typed;
}

const ParameterExpectation& findExpectation (const char* name)
{
    return *std::find_if (parameterExpectations.begin(), parameterExpectations.end(), [name] (const auto& row)
        { return juce::String (row.name) == name; });
}

void checkIdentity (CheckContext& context)
{
    const auto& description = context.plugin.getDescription();
    context.expect (description.name == "Quello", "name \"Quello\", got \"" + description.name + "\"");
    context.expect (context.instance.getName() == "Quello", "instance name \"Quello\", got \"" + context.instance.getName() + "\"");
    context.expect (description.manufacturerName == "Corvalen", "manufacturer \"Corvalen\", got \"" + description.manufacturerName + "\"");

    const auto version = context.plugin.getAdvertisedVersion();
    context.expect (version == "1.3.1", "version \"1.3.1\", got \"" + version + "\"");
    context.expect (description.numInputChannels == HostAudio::numChannels && description.numOutputChannels == HostAudio::numChannels,
        "stereo in and out, got " + juce::String (description.numInputChannels) + " in, " + juce::String (description.numOutputChannels) + " out");
    context.expect (!context.instance.acceptsMidi() && !context.instance.producesMidi(), "no MIDI in or out");
}

void checkParameterNames (CheckContext& context)
{
    const auto parameters = HostAudio::getPluginParameters (context.instance);

    if (!context.expect (parameters.size() == parameterExpectations.size(),
            "38 parameters besides the host's bypass, got " + juce::String ((int) parameters.size())))
        return;

    // LV2 describes parameters as an unordered set (JUCE's LV2 hosting lists them by URI), so
    // there each name must appear exactly once; VST3 keeps the plug-in's order.
    if (context.plugin.isLv2())
    {
        for (const auto& expected : parameterExpectations)
        {
            const auto count = std::count_if (parameters.begin(), parameters.end(), [&] (auto* parameter)
                { return parameter->getName (maximumTextLength) == expected.name; });
            context.expect (count == 1, juce::String ("one parameter named \"") + expected.name + "\", got " + juce::String ((int) count));
        }

        return;
    }

    for (size_t i = 0; i < parameters.size(); ++i)
    {
        const auto name = parameters[i]->getName (maximumTextLength);
        context.expect (name == parameterExpectations[i].name,
            "parameter " + juce::String ((int) i) + " named \"" + parameterExpectations[i].name + "\", got \"" + name + "\"");
    }
}

void checkDefaultTexts (CheckContext& context)
{
    for (const auto& expected : parameterExpectations)
    {
        auto* parameter = HostAudio::findParameter (context.instance, expected.name);

        if (!context.expect (parameter != nullptr, juce::String ("a parameter named \"") + expected.name + "\""))
            continue;

        const auto defaultText = parameter->getText (parameter->getDefaultValue(), maximumTextLength);
        context.expect (textMatches (context, *parameter, defaultText, expected.defaultText, expected.defaultValue),
            describe (*parameter) + " default text " + expected.defaultText + ", got \"" + defaultText + "\"");

        context.expect (std::abs (parameter->getValue() - parameter->getDefaultValue()) <= normalisedTolerance,
            describe (*parameter) + " starts at its default");
    }
}

void checkTypedValues (CheckContext& context)
{
    for (const auto& expected : parameterExpectations)
    {
        auto* parameter = HostAudio::findParameter (context.instance, expected.name);

        if (!context.expect (parameter != nullptr, juce::String ("a parameter named \"") + expected.name + "\""))
            continue;

        const auto typed = typeValue (context, *parameter, expected);
        const auto shown = parameter->getText (parameter->getValue(), maximumTextLength);
        context.expect (textMatches (context, *parameter, shown, expected.typedResultText, expected.typedValue),
            describe (*parameter) + " typed \"" + typed + "\" shows " + expected.typedResultText + ", got \"" + shown + "\"");
    }
}

void checkProcessing (CheckContext& context)
{
    static constexpr double sampleRates[] { 44100.0, 48000.0, 96000.0 };
    static constexpr int blockSizes[] { 1, 64, 480, 512 };
    static constexpr int maximumBlockSize = 512;
    static constexpr int blocksPerSize = 50;
    static constexpr float inputPeak = 0.5f;

    juce::Random random (1);
    HostAudio::BlockProcessor processor (context.instance);

    for (const auto sampleRate : sampleRates)
    {
        HostAudio::prepare (context.instance, sampleRate, maximumBlockSize);
        auto outputEnergy = 0.0;
        auto largestPeak = 0.0f;

        for (const auto blockSize : blockSizes)
        {
            juce::AudioBuffer<float> buffer (HostAudio::numChannels, blockSize);

            for (int block = 0; block < blocksPerSize; ++block)
            {
                HostAudio::fillWithTestSignal (buffer, random, inputPeak);
                processor.process (buffer);
                largestPeak = std::max (largestPeak, HostAudio::getPeak (buffer));

                for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
                    outputEnergy += buffer.getRMSLevel (channel, 0, blockSize);
            }
        }

        const auto rate = juce::String (sampleRate, 0) + " Hz";
        context.expect (largestPeak <= 1.0f, rate + ": output finite and within [-1, 1], peak " + juce::String (largestPeak));
        context.expect (outputEnergy > 0.0, rate + ": the dry signal comes out");
        context.instance.releaseResources();
    }
}

juce::AudioProcessor::BusesLayout makeLayout (const juce::AudioChannelSet& input, const juce::AudioChannelSet& output)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (input);
    layout.outputBuses.add (output);
    return layout;
}

void checkBusLayouts (CheckContext& context)
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    auto& instance = context.instance;

    context.expect (instance.checkBusesLayoutSupported (makeLayout (stereo, stereo)), "stereo in, stereo out accepted");
    context.expect (!instance.checkBusesLayoutSupported (makeLayout (mono, stereo)), "mono in, stereo out refused");
    context.expect (!instance.checkBusesLayoutSupported (makeLayout (stereo, mono)), "stereo in, mono out refused");

    // An LV2 plug-in has a fixed set of ports, and JUCE publishes the stereo one.
    if (context.plugin.isLv2())
        return;

    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 256;
    static constexpr int blocks = 100;
    static constexpr float inputPeak = 0.5f;

    if (!context.expect (instance.setBusesLayout (makeLayout (mono, mono)), "mono in, mono out accepted"))
        return;

    instance.prepareToPlay (sampleRate, blockSize);
    HostAudio::BlockProcessor processor (instance);
    juce::AudioBuffer<float> buffer (1, blockSize);
    juce::Random random (2);
    auto largestPeak = 0.0f;
    auto outputEnergy = 0.0;

    for (int block = 0; block < blocks; ++block)
    {
        HostAudio::fillWithTestSignal (buffer, random, inputPeak);
        processor.process (buffer);
        largestPeak = std::max (largestPeak, HostAudio::getPeak (buffer));
        outputEnergy += buffer.getRMSLevel (0, 0, blockSize);
    }

    context.expect (largestPeak <= 1.0f, "mono output finite and within [-1, 1], peak " + juce::String (largestPeak));
    context.expect (outputEnergy > 0.0, "mono: the dry signal comes out");
}

/** A text that depends on another parameter: "Spread" reads in milliseconds, or in percent once
    "PiPo" is on. Only VST3 hosts ask the plug-in for its texts. */
void checkSpreadTextFollowsPiPo (CheckContext& context)
{
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 256;
    static constexpr float quarter = 0.25f;

    auto* spread = HostAudio::findParameter (context.instance, "Spread");
    auto* pipo = HostAudio::findParameter (context.instance, "PiPo");

    if (context.plugin.isLv2())
    {
        context.note ("not checked: LV2 hosts show numbers, not the plug-in's texts");
        return;
    }

    if (!context.expect (spread != nullptr && pipo != nullptr, "\"Spread\" and \"PiPo\" parameters"))
        return;

    HostAudio::prepare (context.instance, sampleRate, blockSize);
    const auto before = spread->getText (quarter, maximumTextLength);
    pipo->setValue (1.0f);
    HostAudio::settle (context.instance, blockSize);
    const auto after = spread->getText (quarter, maximumTextLength);

    context.expect (before == "-5 ms", "\"Spread\" at a quarter shows -5 ms with PiPo off, got \"" + before + "\"");
    context.expect (after == "-50%", "\"Spread\" at a quarter shows -50% with PiPo on, got \"" + after + "\"");
}

/** Every parameter's host-visible value, in host order. */
std::vector<float> getValues (juce::AudioPluginInstance& instance)
{
    std::vector<float> values;

    for (auto* parameter : HostAudio::getPluginParameters (instance))
        values.push_back (parameter->getValue());

    return values;
}

void checkStateRoundTrip (CheckContext& context)
{
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 256;

    HostAudio::prepare (context.instance, sampleRate, blockSize);

    // Instance 2 gets its values only from the state: if the plug-in behind instance 1 had missed
    // a typed value, the state would carry the old one and differ from instance 1's host values.
    // The side switch first: once it has happened, the other values are set on the live side.
    auto* side = HostAudio::findParameter (context.instance, "Split Testing Side");

    if (!context.expect (side != nullptr, "a \"Split Testing Side\" parameter"))
        return;

    typeValue (context, *side, findExpectation ("Split Testing Side"));
    HostAudio::settle (context.instance, blockSize);

    for (const auto& expected : parameterExpectations)
        if (auto* parameter = HostAudio::findParameter (context.instance, expected.name); parameter != nullptr && parameter != side)
            typeValue (context, *parameter, expected);

    HostAudio::settle (context.instance, blockSize);
    const auto storedValues = getValues (context.instance);
    juce::MemoryBlock state;
    context.instance.getStateInformation (state);
    context.expect (state.getSize() > 0, "a non-empty state");

    auto second = context.plugin.createInstance();

    if (!context.expect (second != nullptr, "a second instance"))
        return;

    HostAudio::prepare (*second, sampleRate, blockSize);
    second->setStateInformation (state.getData(), (int) state.getSize());
    HostAudio::settle (*second, blockSize);
    const auto restoredValues = getValues (*second);
    const auto parameters = HostAudio::getPluginParameters (*second);

    if (!context.expect (restoredValues.size() == storedValues.size(), "the same parameters in the second instance"))
        return;

    for (size_t i = 0; i < storedValues.size(); ++i)
        context.expect (std::abs (restoredValues[i] - storedValues[i]) <= normalisedTolerance,
            describe (*parameters[i]) + " restored to " + juce::String (storedValues[i]) + ", got " + juce::String (restoredValues[i]));
}
}

const std::vector<NamedCheck>& getBasicChecks()
{
    static const std::vector<NamedCheck> checks {
        { "identity", checkIdentity },
        { "parameterNames", checkParameterNames },
        { "defaultTexts", checkDefaultTexts },
        { "typedValues", checkTypedValues },
        { "processing", checkProcessing },
        { "busLayouts", checkBusLayouts },
        { "spreadTextFollowsPiPo", checkSpreadTextFollowsPiPo },
        { "stateRoundTrip", checkStateRoundTrip },
    };

    return checks;
}
