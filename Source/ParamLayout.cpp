#include "PluginProcessor.h"
#include "SpecialParams.h"

namespace
{
constexpr float fineInterval = 0.000001f; // smooth automation on the 0..1 and -1..1 ranges
constexpr float spreadInterval = 0.01f;

juce::ParameterID idOf (const char* id) { return { id, 0 }; }
}

juce::AudioProcessorValueTreeState::ParameterLayout VantrelDelayAudioProcessor::createParamLayout()
{
    using namespace CV::ParamTypes;
    using Options = GenericRange::Options;

    const juce::NormalisableRange<float> unitRange (0.0f, 1.0f, fineInterval);
    const juce::NormalisableRange<float> bipolarRange (-1.0f, 1.0f, fineInterval);
    const juce::NormalisableRange<float> spreadRange (-1.0f, 1.0f, spreadInterval);
    const auto frequencyRange = fullFrequencyRange;

    const Options duckTimeOptions { 0, true, false, " ms", {}, {} };
    const Options modRateOptions { 1, true, false, " Hz", {}, {} };
    const Options frequencyShiftOptions { 0, true, true, " Hz", {}, {} };
    const Options resonanceOptions { 1, false, false, {}, {}, {} };
    const Options gainOptions { 1, true, true, " dB", {}, {} };
    const Options panOptions { 0, true, true, "%", {}, {} };

    constexpr float maximumDuckTimeMs = 200.0f;
    constexpr float maximumModRateHz = 10.0f;
    constexpr float maximumShiftHz = 500.0f;
    constexpr float butterworthQ = 0.707f;
    constexpr float maximumQ = 20.0f;
    constexpr float maximumGainDb = 24.0f;
    constexpr float maximumPanPercent = 100.0f;

    const juce::StringArray normalNotes { "1/1", "1/2", "1/4", "1/8", "1/16" };
    const juce::StringArray tripletNotes { "1/1t", "1/2t", "1/4t", "1/8t", "1/16t" };
    const juce::StringArray dottedNotes { "1/1.", "1/2.", "1/4.", "1/8.", "1/16." };
    const juce::StringArray modes { "Normal", "Rev Forw", "Pure Rev", "Chaos", "Rev Chaos", "Frequency", "Pitch" };
    const juce::StringArray distortionFunctions { "Saturation", "Asym", "Clip", "Tube", "Rectify", "Crackly", "Lightning", "Amp",
        "Bumpy", "Razor", "Pixelated", "Comb", "Samurai", "Stressed", "Fresh" };
    const juce::StringArray timeModes { "ms", "nrm", "trip", "dot" };
    const juce::StringArray sides { "A", "B" };

    using Bool = MetaParameter<juce::AudioParameterBool>;
    using Int = MetaParameter<juce::AudioParameterInt>;

    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (std::make_unique<Precentage> (idOf (ParamIDs::tape), "Tape", unitRange, 0.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::diffAmt), "Diffusion Amount", unitRange, 0.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::diffSize), "Diffusion Size", unitRange, 0.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::duck), "Duck", unitRange, 0.0f),
        std::make_unique<LinearRange> (idOf (ParamIDs::duckAttack), "Duck Attack", unitRange, 0.5f, duckTimeOptions, 0.0f, maximumDuckTimeMs),
        std::make_unique<LinearRange> (idOf (ParamIDs::duckRelease), "Duck Release", unitRange, 0.5f, duckTimeOptions, 0.0f, maximumDuckTimeMs),
        std::make_unique<Precentage> (idOf (ParamIDs::feedback), "Feedback", unitRange, 0.5f),
        std::make_unique<Precentage> (idOf (ParamIDs::modAmt), "Modulation Amount", unitRange, 0.0f),
        std::make_unique<LinearRange> (idOf (ParamIDs::modRate), "Modulation Rate", unitRange, 0.0f, modRateOptions, 0.0f, maximumModRateHz),
        std::make_unique<SpecialParams::DelayTime> (idOf (ParamIDs::timeMs), "Time Ms", unitRange, 1.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::dry), "Dry", unitRange, 1.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::wet), "Wet", unitRange, 1.0f),
        std::make_unique<Precentage> (idOf (ParamIDs::distortion), "Distortion", unitRange, 0.0f),
        std::make_unique<LegacyNonNormalizedFrequencyRange> (idOf (ParamIDs::lowCut), "Low Cut", frequencyRange, 20.0f),
        std::make_unique<LegacyNonNormalizedFrequencyRange> (idOf (ParamIDs::highCut), "High Cut", frequencyRange, 20000.0f),
        std::make_unique<SpecialParams::Spread> (idOf (ParamIDs::spread), "Spread", spreadRange, 0.0f, parameters),
        std::make_unique<Precentage> (idOf (ParamIDs::echoOffset), "Echo Offset", unitRange, 0.0f),
        std::make_unique<LinearRange> (idOf (ParamIDs::frequencyShift), "Frequency Shift", bipolarRange, 0.0f, frequencyShiftOptions, -maximumShiftHz, maximumShiftHz),
        std::make_unique<LinearRange> (idOf (ParamIDs::lowCutQ), "Low Cut Resonance", unitRange, 0.0f, resonanceOptions, butterworthQ, maximumQ),
        std::make_unique<LinearRange> (idOf (ParamIDs::highCutQ), "High Cut Resonance", unitRange, 0.0f, resonanceOptions, butterworthQ, maximumQ),
        std::make_unique<LinearRange> (idOf (ParamIDs::in), "In", bipolarRange, 0.0f, gainOptions, -maximumGainDb, maximumGainDb),
        std::make_unique<LinearRange> (idOf (ParamIDs::out), "Out", bipolarRange, 0.0f, gainOptions, -maximumGainDb, maximumGainDb),
        std::make_unique<LinearRange> (idOf (ParamIDs::pan), "Pan", bipolarRange, 0.0f, panOptions, -maximumPanPercent, maximumPanPercent),
        std::make_unique<OptionInt> (idOf (ParamIDs::timeNrm), "Time Sync Normal", 0, 4, 0, normalNotes),
        std::make_unique<OptionInt> (idOf (ParamIDs::timeTrip), "Time Sync Triplet", 0, 4, 0, tripletNotes),
        std::make_unique<OptionInt> (idOf (ParamIDs::timeDot), "Time Sync Dotted", 0, 4, 0, dottedNotes),
        std::make_unique<OptionInt> (idOf (ParamIDs::mode), "Mode", 1, 7, 1, modes),
        std::make_unique<OptionInt> (idOf (ParamIDs::distFunction), "Distortion Function", 1, 15, 1, distortionFunctions),
        std::make_unique<Int> (idOf (ParamIDs::diffQuality), "Diffusion Quality", 1, 8, 8),
        std::make_unique<UnitInt> (idOf (ParamIDs::pitchShift), "Pitch Shift", -12, 12, 0, " Semi"),
        std::make_unique<Bool> (idOf (ParamIDs::fdbFil), "Feedback Filter", false),
        std::make_unique<Bool> (idOf (ParamIDs::postDist), "Post Distortion", false),
        std::make_unique<OptionInt> (idOf (ParamIDs::timeMode), "Time Mode", 0, 3, 0, timeModes),
        std::make_unique<Bool> (idOf (ParamIDs::pipo), "PiPo", false),
        std::make_unique<Bool> (idOf (ParamIDs::mono), "Mono", false),
        std::make_unique<OptionInt> (idOf (ParamIDs::splitTestingSide), "Split Testing Side", 0, 1, 0, sides),
        std::make_unique<Bool> (idOf (ParamIDs::midSideMode), "Mid/Side Mode", false),
        std::make_unique<CV::MetaParameter<juce::AudioParameterBool>> (idOf (ParamIDs::bypassAll), "Bypass All", false));
    return layout;
}
