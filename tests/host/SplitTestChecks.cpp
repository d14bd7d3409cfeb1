#include "HostAudio.h"
#include "HostCheck.h"

#include <cmath>
#include <functional>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 256;

// Values pass through float and text conversions in the wrappers (LV2 exchanges units).
constexpr float valueTolerance = 1.0e-4f;

// Host-side values follow a switch only after the plug-in's message thread has announced them:
// a few turns of blocks and message loop, far fewer than this.
constexpr int maximumSettleRounds = 100;

const juce::String sideName ("Split Testing Side");
const juce::String bypassName ("Bypass All");

/** The parameters one A/B side holds: all but the side selector and the bypass. */
std::vector<juce::AudioProcessorParameter*> getSideParameters (juce::AudioPluginInstance& instance)
{
    std::vector<juce::AudioProcessorParameter*> result;

    for (auto* parameter : HostAudio::getPluginParameters (instance))
    {
        const auto name = parameter->getName (256);

        if (name != sideName && name != bypassName)
            result.push_back (parameter);
    }

    return result;
}

/** One normalised figure per side parameter, in the host's order. */
template <typename Figure>
std::vector<float> collectSideFigures (juce::AudioPluginInstance& instance, Figure figureOf)
{
    std::vector<float> figures;

    for (auto* parameter : getSideParameters (instance))
        figures.push_back (figureOf (*parameter));

    return figures;
}

std::vector<float> getSideValues (juce::AudioPluginInstance& instance)
{
    return collectSideFigures (instance, [] (const juce::AudioProcessorParameter& p)
        { return p.getValue(); });
}

/** Gives the side parameters values far from their defaults, at the ends of their ranges (the
    only values on every parameter's grid, so the plug-in holds exactly what the host set). The
    two patterns differ in every other parameter. */
void setSideValues (juce::AudioPluginInstance& instance, int pattern)
{
    int index = 0;

    for (auto* parameter : getSideParameters (instance))
    {
        const bool atTop = parameter->getDefaultValue() < 0.5f;
        const bool flipped = pattern == 2 && index++ % 2 == 0;
        parameter->setValue (atTop != flipped ? 1.0f : 0.0f);
    }
}

bool valuesMatch (const std::vector<float>& actual, const std::vector<float>& expected)
{
    if (actual.size() != expected.size())
        return false;

    for (size_t i = 0; i < actual.size(); ++i)
        if (std::abs (actual[i] - expected[i]) > valueTolerance)
            return false;

    return true;
}

// A host sends the values a plug-in announced back to it with its next block: the rounds after
// a change has shown let this echo pass before the next switch.
constexpr int echoRounds = 3;

/** Settles until the condition holds, then lets the host's echo pass; false when it never holds. */
bool settleUntil (juce::AudioPluginInstance& instance, const std::function<bool()>& condition)
{
    for (int round = 0; round < maximumSettleRounds; ++round)
    {
        HostAudio::settle (instance, blockSize);

        if (condition())
        {
            for (int echo = 0; echo < echoRounds; ++echo)
                HostAudio::settle (instance, blockSize);

            return condition();
        }
    }

    return false;
}

/** The first difference, for the failure message. */
juce::String describeDifference (juce::AudioPluginInstance& instance, const std::vector<float>& expected)
{
    const auto parameters = getSideParameters (instance);

    for (size_t i = 0; i < parameters.size() && i < expected.size(); ++i)
        if (std::abs (parameters[i]->getValue() - expected[i]) > valueTolerance)
            return "\"" + parameters[i]->getName (256) + "\" is " + juce::String (parameters[i]->getValue()) + ", expected " + juce::String (expected[i]);

    return "no difference";
}

bool selectSide (CheckContext& context, juce::AudioPluginInstance& instance, float normalisedSide)
{
    auto* side = HostAudio::findParameter (instance, sideName);

    if (!context.expect (side != nullptr, "a \"Split Testing Side\" parameter"))
        return false;

    side->setValue (normalisedSide);
    return true;
}

std::vector<float> getDefaults (juce::AudioPluginInstance& instance)
{
    return collectSideFigures (instance, [] (const juce::AudioProcessorParameter& p)
        { return p.getDefaultValue(); });
}

/** A switch made through the host's own parameter interface: afterwards the host shows the
    values of the side it switched to, and back again. */
void checkSideSwitchReachesTheHost (CheckContext& context)
{
    auto& instance = context.instance;
    HostAudio::prepare (instance, sampleRate, blockSize);
    setSideValues (instance, 1);
    HostAudio::settle (instance, blockSize);
    const auto sideA = getSideValues (instance);

    // Side B has never been live: it starts from the record defaults, the parameters' defaults.
    const auto defaults = getDefaults (instance);

    if (!selectSide (context, instance, 1.0f))
        return;

    context.expect (settleUntil (instance, [&]
                        { return valuesMatch (getSideValues (instance), defaults); }),
        "after switching to B the host shows B's values: " + describeDifference (instance, defaults));

    selectSide (context, instance, 0.0f);
    for (int r = 0; r < 4; ++r)
    {
        HostAudio::settle (instance, blockSize);
    }
    context.expect (settleUntil (instance, [&]
                        { return valuesMatch (getSideValues (instance), sideA); }),
        "after switching back to A the host shows A's values: " + describeDifference (instance, sideA));
    instance.releaseResources();
}

/** Both sides survive the host's state round trip through the format wrapper. */
void checkBothSidesSurviveTheState (CheckContext& context)
{
    auto& instance = context.instance;
    HostAudio::prepare (instance, sampleRate, blockSize);
    setSideValues (instance, 1);
    HostAudio::settle (instance, blockSize);
    const auto sideA = getSideValues (instance);

    if (!selectSide (context, instance, 1.0f))
        return;

    settleUntil (instance, [&]
        { return valuesMatch (getSideValues (instance), getDefaults (instance)); });
    setSideValues (instance, 2);
    HostAudio::settle (instance, blockSize);
    const auto sideB = getSideValues (instance);

    juce::MemoryBlock state;
    instance.getStateInformation (state);

    auto second = context.plugin.createInstance();

    if (!context.expect (second != nullptr, "a second instance"))
        return;

    HostAudio::prepare (*second, sampleRate, blockSize);
    second->setStateInformation (state.getData(), (int) state.getSize());
    context.expect (settleUntil (*second, [&]
                        { return valuesMatch (getSideValues (*second), sideB); }),
        "the restored instance shows side B live: " + describeDifference (*second, sideB));

    selectSide (context, *second, 0.0f);
    context.expect (settleUntil (*second, [&]
                        { return valuesMatch (getSideValues (*second), sideA); }),
        "switching the restored instance to A gives A's stored values: " + describeDifference (*second, sideA));

    second->releaseResources();
    instance.releaseResources();
}
}

const std::vector<NamedCheck>& getSplitTestChecks()
{
    static const std::vector<NamedCheck> checks {
        { "sideSwitchReachesTheHost", checkSideSwitchReachesTheHost },
        { "bothSidesSurviveTheState", checkBothSidesSurviveTheState },
    };

    return checks;
}
