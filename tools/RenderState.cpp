#include "RenderState.h"

#include "PluginProcessor.h"

juce::Result RenderState::load (VantrelDelayAudioProcessor& processor, const juce::File& file)
{
    juce::MemoryBlock block;

    if (!file.existsAsFile() || !file.loadFileAsData (block))
        return juce::Result::fail ("cannot read the state file " + file.getFullPathName());

    // The processor ignores a block it cannot read; the command line says so instead.
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());

    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase ("Params"))
        return juce::Result::fail ("no Quello state in " + file.getFullPathName());

    processor.setStateInformation (block.getData(), (int) block.getSize());
    return juce::Result::ok();
}

juce::Result RenderState::save (VantrelDelayAudioProcessor& processor, const juce::File& file)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);

    juce::TemporaryFile temporary (file, juce::TemporaryFile::useHiddenFile);

    if (!temporary.getFile().replaceWithData (block.getData(), block.getSize()) || !temporary.overwriteTargetFileWithTemporary())
        return juce::Result::fail ("cannot write the state file " + file.getFullPathName());

    return juce::Result::ok();
}
