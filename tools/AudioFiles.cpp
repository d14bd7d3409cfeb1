#include "AudioFiles.h"

namespace
{
juce::String quoted (const juce::File& file)
{
    return "\"" + file.getFullPathName() + "\"";
}
}

juce::Result openAudioFile (const juce::File& file, RenderInput& input)
{
    if (file.isDirectory())
        return juce::Result::fail ("input " + quoted (file) + " is a folder, not an audio file");

    if (!file.existsAsFile())
        return juce::Result::fail ("input file " + quoted (file) + " not found");

    auto stream = std::make_unique<juce::FileInputStream> (file);

    if (stream->failedToOpen())
        return juce::Result::fail ("cannot read " + quoted (file) + ": " + stream->getStatus().getErrorMessage());

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (std::move (stream)));

    if (reader == nullptr)
        return juce::Result::fail ("cannot read " + quoted (file) + ": not a WAV, AIFF or FLAC file this program can decode");

    input.sampleRate = reader->sampleRate;
    input.numChannels = (int) reader->numChannels;
    input.lengthInSamples = reader->lengthInSamples;
    input.source = std::make_unique<juce::AudioFormatReaderSource> (reader.release(), true);
    return juce::Result::ok();
}

bool WavFileOutput::isSupportedBitDepth (int bitsPerSample)
{
    return bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
}

juce::Result WavFileOutput::open (const juce::File& targetFile, double sampleRate, int numChannels, int bitsPerSample)
{
    target = targetFile;

    if (!target.hasFileExtension ("wav"))
        return juce::Result::fail ("output " + quoted (target) + " must be a .wav file");

    if (target.isDirectory())
        return juce::Result::fail ("output " + quoted (target) + " is a folder");

    if (!target.getParentDirectory().isDirectory())
        return juce::Result::fail ("cannot write " + quoted (target) + ": its folder does not exist");

    if (!isSupportedBitDepth (bitsPerSample))
        return juce::Result::fail ("cannot write " + juce::String (bitsPerSample) + "-bit WAV files");

    temporary = std::make_unique<juce::TemporaryFile> (target, juce::TemporaryFile::useHiddenFile);
    auto stream = std::make_unique<juce::FileOutputStream> (temporary->getFile());

    if (stream->failedToOpen())
        return juce::Result::fail ("cannot write into the folder of " + quoted (target) + ": " + stream->getStatus().getErrorMessage());

    juce::WavAudioFormat wav;
    writer.reset (wav.createWriterFor (stream.get(), sampleRate, (unsigned int) numChannels, bitsPerSample, {}, 0));

    if (writer == nullptr)
        return juce::Result::fail ("cannot write a WAV file with " + juce::String (numChannels) + " channels at " + juce::String (sampleRate) + " Hz");

    stream.release(); // now owned by the writer
    return juce::Result::ok();
}

bool WavFileOutput::write (const juce::AudioBuffer<float>& block)
{
    return writer != nullptr && writer->writeFromAudioSampleBuffer (block, 0, block.getNumSamples());
}

juce::File WavFileOutput::getTemporaryFile() const
{
    return temporary != nullptr ? temporary->getFile() : juce::File();
}

juce::Result WavFileOutput::commit()
{
    if (writer == nullptr)
        return juce::Result::fail ("no output was written");

    // Deleting the writer completes the header and closes the file.
    writer.reset();

    if (!temporary->overwriteTargetFileWithTemporary())
        return juce::Result::fail ("cannot replace " + quoted (target));

    return juce::Result::ok();
}
