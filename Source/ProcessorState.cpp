#include "PluginProcessor.h"

void VantrelDelayAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (auto xml = parameters.copyState().createXml())
        copyXmlToBinary (*xml, destData);
}

void VantrelDelayAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    loadingState.store (true);

    if (auto xml = getXmlFromBinary (data, sizeInBytes))
        if (xml->getTagName().equalsIgnoreCase ("Params"))
            parameters.replaceState (juce::ValueTree::fromXml (*xml));

    loadingState.store (false);
}
