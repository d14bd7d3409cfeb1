#include "ProcessorTestHelpers.h"

#include <iostream>

namespace
{
constexpr int blocksToTry = 10000;
constexpr juce::int64 mutationSeed = 5; // a fixed seed makes a failure reproducible
constexpr int headerBytes = 8;          // magic number and length in front of the text
constexpr int maximumBitFlips = 8;
constexpr int extraAttributes = 46;

enum class Mutation
{
    bitFlips,
    truncation,
    splice,
    count
};

/** The valid blocks the mutations start from: a fresh instance, a busy one with side B live,
    an older boolean-child block and one with a lower-case root. */
std::vector<juce::MemoryBlock> validBlocks()
{
    std::vector<juce::MemoryBlock> blocks;
    juce::MemoryBlock block;

    VantrelDelayAudioProcessor fresh;
    fresh.getStateInformation (block);
    blocks.push_back (block);

    VantrelDelayAudioProcessor busy;
    busy.random.setSeed (mutationSeed);
    busy.randomizeParameters();
    busy.setParamValue (ParamIDs::splitTestingSide, 1.0f);
    busy.randomizeParameters();
    busy.presetNameA = "Wide <Wash> & \"Echo\"";
    busy.presetPathB = "/presets/User/Ünïcode.cvpreset";
    busy.lockDryWet = true;
    busy.getStateInformation (block);
    blocks.push_back (block);

    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML ("<Params preset_feedback=\"0.7\"><PARAM id=\"ms\" value=\"0\"/>"
                                                            "<PARAM id=\"dot\" value=\"1\"/><PARAM id=\"b\" value=\"1\"/>"
                                                            "<PARAM id=\"feedback\" value=\"0.25\"/></Params>"),
        block);
    blocks.push_back (block);

    juce::AudioProcessor::copyXmlToBinary (*juce::parseXML ("<params presetIdA=\"3\"><PARAM id=\"mode\" value=\"4\"/></params>"), block);
    blocks.push_back (block);

    return blocks;
}

juce::MemoryBlock mutated (const std::vector<juce::MemoryBlock>& blocks, Mutation mutation, juce::Random& random)
{
    const auto& original = blocks[(size_t) random.nextInt ((int) blocks.size())];
    auto block = original;
    const auto size = (int) block.getSize();

    switch (mutation)
    {
        case Mutation::bitFlips:
            for (int flip = random.nextInt (maximumBitFlips) + 1; flip > 0; --flip)
            {
                // Most flips land in the text, some in the header.
                const auto bit = random.nextInt (size * 8);
                block[(size_t) (bit / 8)] ^= (char) (1 << (bit % 8));
            }
            break;

        case Mutation::truncation:
            block.setSize ((size_t) random.nextInt (size));
            break;

        case Mutation::splice:
        {
            const auto& other = blocks[(size_t) random.nextInt ((int) blocks.size())];
            block.setSize ((size_t) random.nextInt (size));
            const auto from = random.nextInt ((int) other.getSize());
            block.append (static_cast<const char*> (other.getData()) + from, other.getSize() - (size_t) from);
            break;
        }

        case Mutation::count:
            break;
    }

    return block;
}

/** Whether the framework's container holds text that parses into a root of our tag. */
bool isAcceptable (const juce::MemoryBlock& block)
{
    if (block.getSize() <= (size_t) headerBytes)
        return false;

    auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    return xml != nullptr && xml->getTagName().equalsIgnoreCase ("Params");
}

/** A block as this processor writes it: our root, every parameter once with a finite value,
    and the extra attributes with finite numbers. */
::testing::AssertionResult isValidSavedBlock (const juce::MemoryBlock& block)
{
    auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());

    if (xml == nullptr || xml->getTagName() != "Params")
        return ::testing::AssertionFailure() << "unreadable block or wrong root";

    if (xml->getNumAttributes() != extraAttributes)
        return ::testing::AssertionFailure() << xml->getNumAttributes() << " root attributes";

    for (int index = 0; index < xml->getNumAttributes(); ++index)
        if (xml->getAttributeName (index).startsWith ("preset_") && !std::isfinite (xml->getAttributeValue (index).getDoubleValue()))
            return ::testing::AssertionFailure() << xml->getAttributeName (index) << " not finite";

    for (const auto* parameterID : ParamIDs::all)
    {
        const auto* child = xml->getChildByAttribute ("id", parameterID);

        if (child == nullptr || !std::isfinite (child->getDoubleAttribute ("value")))
            return ::testing::AssertionFailure() << parameterID << " missing or not finite";
    }

    return ::testing::AssertionSuccess();
}
}

TEST (StateRobustness, MutatedBlocksNeverCrashAndRejectedOnesChangeNothing)
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const auto blocks = validBlocks();
    VantrelDelayAudioProcessor processor;
    juce::Random random (mutationSeed);
    int accepted = 0, rejected = 0, rejectedButChanged = 0;

    for (int attempt = 0; attempt < blocksToTry; ++attempt)
    {
        const auto mutation = (Mutation) (attempt % (int) Mutation::count);
        const auto block = mutated (blocks, mutation, random);
        const auto before = describeEverything (processor);

        processor.setStateInformation (block.getData(), (int) block.getSize());
        ASSERT_FALSE (processor.loadingState.load()) << "block " << attempt;

        if (isAcceptable (block))
        {
            ++accepted;
        }
        else
        {
            ++rejected;

            if (describeEverything (processor) != before)
                ++rejectedButChanged;
        }

        juce::MemoryBlock saved;
        processor.getStateInformation (saved);
        ASSERT_TRUE (isValidSavedBlock (saved)) << "block " << attempt;

        processor.setStateInformation (saved.getData(), (int) saved.getSize());
        juce::MemoryBlock savedAgain;
        processor.getStateInformation (savedAgain);
        ASSERT_TRUE (isValidSavedBlock (savedAgain)) << "block " << attempt;

        for (const auto* parameterID : ParamIDs::all)
            ASSERT_TRUE (std::isfinite (processor.parameters.getRawParameterValue (parameterID)->load())) << parameterID;
    }

    EXPECT_EQ (rejectedButChanged, 0);
    EXPECT_GT (accepted, 0);
    EXPECT_GT (rejected, 0);
    std::cout << "State blocks tried: " << blocksToTry << ", accepted: " << accepted << ", rejected: " << rejected
              << ", rejected but changed something: " << rejectedButChanged << std::endl;
}
