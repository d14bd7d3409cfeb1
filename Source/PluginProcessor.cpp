#include "PluginProcessor.h"

VantrelDelayAudioProcessor::VantrelDelayAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , parameters (*this, nullptr, "Params", createParamLayout())
{
    random.setSeedRandomly();
    parameters.addParameterListener (ParamIDs::splitTestingSide, this);
    parameters.addParameterListener (ParamIDs::mode, this);
}

VantrelDelayAudioProcessor::~VantrelDelayAudioProcessor()
{
    parameters.removeParameterListener (ParamIDs::mode, this);
    parameters.removeParameterListener (ParamIDs::splitTestingSide, this);
}

const juce::String VantrelDelayAudioProcessor::getName() const { return "Quello"; }

double VantrelDelayAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool VantrelDelayAudioProcessor::acceptsMidi() const { return false; }
bool VantrelDelayAudioProcessor::producesMidi() const { return false; }
bool VantrelDelayAudioProcessor::isMidiEffect() const { return false; }

juce::AudioProcessorEditor* VantrelDelayAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

bool VantrelDelayAudioProcessor::hasEditor() const { return true; }

int VantrelDelayAudioProcessor::getNumPrograms() { return 1; }
int VantrelDelayAudioProcessor::getCurrentProgram() { return 0; }
void VantrelDelayAudioProcessor::setCurrentProgram (int) {}
const juce::String VantrelDelayAudioProcessor::getProgramName (int) { return {}; }
void VantrelDelayAudioProcessor::changeProgramName (int, const juce::String&) {}

bool VantrelDelayAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

void VantrelDelayAudioProcessor::parameterChanged (const juce::String& parameterID, float)
{
    if (loadingState.load())
        return;

    if (parameterID == ParamIDs::splitTestingSide)
        requestSideSwitch();
    else if (parameterID == ParamIDs::mode)
        uiRefreshRequest.store (true);
}

void VantrelDelayAudioProcessor::setParamValue (juce::StringRef parameterID, float value)
{
    if (auto* parameter = parameters.getParameter (parameterID))
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VantrelDelayAudioProcessor();
}
