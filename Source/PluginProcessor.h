#pragma once

#include "../Components/ParamTypes.h"
#include "Delay.h"
#include "DelayParams.h"
#include "ParamIDs.h"
#include "TransportInfo.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The object a host creates for each instance of Quello: owner of the parameter tree,
    the A/B records, the preset bookkeeping, the delay engine and the flags through which
    the editor, the audio callback and the parameter listener signal each other. */
class VantrelDelayAudioProcessor : public juce::AudioProcessor, public juce::AudioProcessorValueTreeState::Listener
{
public:
    /** Meta-parameter wrapper for the plain integer and boolean parameters of this plug-in. */
    template <typename ParameterBase>
    using MetaParameter = CV::MetaParameter<ParameterBase>;

    /** Values of the 36 parameters that make up one A/B side, in their own units. */
    struct PresetParams
    {
        float tape = 0.0f, diffAmt = 0.0f, diffSize = 0.0f, duck = 0.0f, duckAttack = 0.5f, duckRelease = 0.5f;
        float feedback = 0.5f, modAmt = 0.0f, modRate = 0.0f, timeMs = 1.0f, dry = 1.0f, wet = 1.0f;
        float distortion = 0.0f, lowCut = 20.0f, highCut = 20000.0f, spread = 0.0f, echoOffset = 0.0f;
        float frequencyShift = 0.0f, lowCutQ = 0.0f, highCutQ = 0.0f, in = 0.0f, out = 0.0f, pan = 0.0f;
        int timeNrm = 0, timeTrip = 0, timeDot = 0, mode = 1, distFunction = 1, diffQuality = 8, pitchShift = 0;
        bool fdbFil = false, postDist = false;
        bool ms = true, nrm = false, trip = false, dot = false;
        bool pipo = false, mono = false, midSideMode = false;
    };

    VantrelDelayAudioProcessor();
    ~VantrelDelayAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    void reset() override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    /** Called by the parameter tree, on whatever thread changed "splitTestingSide" or "mode". */
    void parameterChanged (const juce::String& parameterID, float newValue) override;

    /** Sets a parameter from a value in its own units (clamped by its range), notifying the host,
        without a change gesture. An unknown ID is ignored. Builds no string, so that an A/B
        switch delivered on the audio thread allocates nothing. */
    void setParamValue (juce::StringRef parameterID, float value);

    /** The 38 parameters in the order the host sees them. */
    juce::AudioProcessorValueTreeState::ParameterLayout createParamLayout();

    /** Fills a record from the live parameter values. */
    void savePresetParams (PresetParams& record);

    /** Makes the live parameters equal to a record, one parameter at a time, notifying the host. */
    void setPresetParams (const PresetParams& record);

    /** Completes at once an A/B switch that was requested on another thread and still waits
        for the message thread. Message thread only. */
    void finishPendingSideSwitch();

    /** Gives most parameters random values drawn from `random`. Message thread only. */
    void randomizeParameters();

    //==============================================================================
    std::atomic<bool> prepared { false };
    std::atomic<bool> uiRefreshRequest { false };
    PresetParams presetParamsA, presetParamsB;
    std::atomic<bool> sideAActive { true };
    std::atomic<bool> resetRequest { false };
    juce::Random random;
    juce::AudioProcessorValueTreeState parameters;
    std::atomic<int> editorWidth { 880 };
    int presetIdA = 1, presetIdB = 1;
    juce::String presetNameA { "-init-" }, presetNameB { "-init-" };
    juce::String presetPathA, presetPathB;
    bool lockDryWet = false;

    std::atomic<float> meterLevelLeft { 0.0f }, meterLevelRight { 0.0f };
    float processorSampleRate = 44100.0f;
    bool ready = false;
    std::atomic<bool> loadingState { false };

    //== Audio path (ProcessorAudio.cpp) ==========================================
    TransportInfo transport;
    DelayParams delayParams;
    Delay delay;

private:
    /** The parameters' raw values, looked up once so that no block searches by ID. */
    static DelayParams::RawValues cacheRawParameterValues (juce::AudioProcessorValueTreeState& tree);
    const DelayParams::RawValues rawParameterValues = cacheRawParameterValues (parameters);

    /** Finishes A/B switches on the message thread: a switch whose request found recordLock
        busy on another thread, and, after any switch, the announcement of the record's
        parameters to the host, whose wrapper drops the notifications sent while it delivers
        its own parameter change. Polls atomic flags, so that a request from the audio thread
        neither blocks nor allocates. */
    class SideSwitchFinisher : private juce::Timer
    {
    public:
        explicit SideSwitchFinisher (VantrelDelayAudioProcessor& owner);
        ~SideSwitchFinisher() override;

        /** Any thread, lock-free. */
        void requestSwitch() { switchPending.store (true); }
        void requestAnnouncement() { announcementPending.store (true); }

        /** Message thread: does what is pending now. */
        void finishPending();

    private:
        void timerCallback() override { finishPending(); }

        VantrelDelayAudioProcessor& processor;
        std::atomic<bool> switchPending { false }, announcementPending { false };
    };

    void requestSideSwitch();
    void switchToSelectedSide();
    void announceRecordParametersToHost();
    void restoreState (const void* data, int sizeInBytes);

    // Keeps an A/B switch and a state call on different threads from interleaving on the
    // records, sideAActive and the bookkeeping the state stores. Waited for by the switch on
    // the message thread and by both state calls (host threads); any other thread, the audio
    // thread included, only tries it and hands the switch over when it is busy.
    juce::CriticalSection recordLock;
    int recordGeneration = 0;            // counts switches and restores, guarded by recordLock
    juce::CriticalSection stateCallLock; // one state call at a time
    SideSwitchFinisher sideSwitchFinisher { *this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VantrelDelayAudioProcessor)
};
