#include "PluginProcessor.h"
#include "PresetParamsFields.h"

namespace
{
float rawValue (juce::AudioProcessorValueTreeState& parameters, const char* parameterID)
{
    return parameters.getRawParameterValue (parameterID)->load();
}

float asParameterValue (bool on) { return on ? 1.0f : 0.0f; }

// How often the message thread looks for a switch handed over by another thread: well within
// what a user notices, rare enough to cost nothing.
constexpr int pollIntervalMs = 50;
}

void VantrelDelayAudioProcessor::savePresetParams (PresetParams& record)
{
    using namespace PresetParamsFields;

    for (const auto& field : floats)
        record.*field.member = rawValue (parameters, field.id);

    for (const auto& field : ints)
        record.*field.member = (int) rawValue (parameters, field.id);

    for (const auto& field : switchesBeforeTimeMode)
        record.*field.member = rawValue (parameters, field.id) != 0.0f;

    for (const auto& field : switchesAfterTimeMode)
        record.*field.member = rawValue (parameters, field.id) != 0.0f;

    const auto timeMode = rawValue (parameters, ParamIDs::timeMode);

    for (size_t index = 0; index < timeModeFlags.size(); ++index)
        record.*timeModeFlags[index].member = timeMode == (float) index;
}

void VantrelDelayAudioProcessor::setPresetParams (const PresetParams& record)
{
    using namespace PresetParamsFields;

    for (const auto& field : floats)
        setParamValue (field.id, record.*field.member);

    for (const auto& field : ints)
        setParamValue (field.id, (float) (record.*field.member));

    for (const auto& field : switchesBeforeTimeMode)
        setParamValue (field.id, asParameterValue (record.*field.member));

    setParamValue (ParamIDs::timeMode, (float) timeModeOf (record));

    for (const auto& field : switchesAfterTimeMode)
        setParamValue (field.id, asParameterValue (record.*field.member));
}

void VantrelDelayAudioProcessor::requestSideSwitch()
{
    // The switch runs at once on the thread that changed the side, so that changes the host
    // sends after it land on the new side. Only the message thread waits for recordLock; any
    // other thread (a host may automate "splitTestingSide" on its audio thread) hands the switch
    // over to the message thread when a state call holds the lock.
    if (juce::MessageManager::existsAndIsCurrentThread())
    {
        const juce::ScopedLock lock (recordLock);
        switchToSelectedSide();
        return;
    }

    const juce::ScopedTryLock lock (recordLock);

    if (lock.isLocked())
        switchToSelectedSide();
    else
        sideSwitchFinisher.requestSwitch();
}

void VantrelDelayAudioProcessor::switchToSelectedSide()
{
    // A restore that began while this switch waited has already chosen the side.
    if (loadingState.load())
        return;

    // Comparing keeps a switch that was handed over, and overtaken by a second change back,
    // from overwriting a record with the other side's values.
    const bool sideASelected = rawValue (parameters, ParamIDs::splitTestingSide) == 0.0f;

    if (sideASelected == sideAActive.load())
        return;

    if (sideASelected)
    {
        savePresetParams (presetParamsB);
        setPresetParams (presetParamsA);
    }
    else
    {
        savePresetParams (presetParamsA);
        setPresetParams (presetParamsB);
    }

    uiRefreshRequest.store (true);
    sideAActive.store (sideASelected);
    ++recordGeneration;
    sideSwitchFinisher.requestAnnouncement();
}

void VantrelDelayAudioProcessor::announceRecordParametersToHost()
{
    for (const auto* parameterID : PresetParamsFields::parameterIDs())
        if (auto* parameter = parameters.getParameter (parameterID))
            parameter->sendValueChangedMessageToListeners (parameter->getValue());
}

void VantrelDelayAudioProcessor::finishPendingSideSwitch()
{
    sideSwitchFinisher.finishPending();
}

VantrelDelayAudioProcessor::SideSwitchFinisher::SideSwitchFinisher (VantrelDelayAudioProcessor& owner)
    : processor (owner)
{
    startTimer (pollIntervalMs);
}

VantrelDelayAudioProcessor::SideSwitchFinisher::~SideSwitchFinisher()
{
    stopTimer();
}

void VantrelDelayAudioProcessor::SideSwitchFinisher::finishPending()
{
    if (switchPending.exchange (false))
    {
        const juce::ScopedLock lock (processor.recordLock);
        processor.switchToSelectedSide();
    }

    if (announcementPending.exchange (false))
        processor.announceRecordParametersToHost();
}
