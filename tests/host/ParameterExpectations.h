#pragma once

#include <array>

/** What a host must see of each of the 38 parameters, in host order.

    Value columns are in the parameter's own units, the numbers an LV2 host exchanges; the texts
    are the plug-in's own, which VST3 hosts show and parse. Of the texts an LV2 host knows only
    those of the switches, published as the labels "Off" and "On". */
struct ParameterExpectation
{
    const char* name;
    const char* defaultText;
    float defaultValue;
    const char* typedText;
    const char* typedResultText;
    float typedValue;
};

inline constexpr std::array<ParameterExpectation, 38> parameterExpectations { {
    { "Tape", "0%", 0.0f, "42 %", "42%", 0.42f },
    { "Diffusion Amount", "0%", 0.0f, "150%", "100%", 1.0f },
    { "Diffusion Size", "0%", 0.0f, "25", "25%", 0.25f },
    { "Duck", "0%", 0.0f, "-5", "0%", 0.0f },
    { "Duck Attack", "100 ms", 0.5f, "150 ms", "150 ms", 0.75f },
    { "Duck Release", "100 ms", 0.5f, "300", "200 ms", 1.0f },
    { "Feedback", "50%", 0.5f, "75%", "75%", 0.75f },
    { "Modulation Amount", "0%", 0.0f, "10", "10%", 0.1f },
    { "Modulation Rate", "0.0 Hz", 0.0f, "2.5 Hz", "2.5 Hz", 0.25f },
    { "Time Ms", "1000 ms", 1.0f, "200", "200 ms", 0.5f },
    { "Dry", "100%", 1.0f, "50", "50%", 0.5f },
    { "Wet", "100%", 1.0f, "0%", "0%", 0.0f },
    { "Distortion", "0%", 0.0f, "33%", "33%", 0.33f },
    { "Low Cut", "20 Hz", 20.0f, "1k", "1 kHz", 1000.0f },
    { "High Cut", "20 kHz", 20000.0f, "12.5 kHz", "12.5 kHz", 12500.0f },
    { "Spread", "0 ms", 0.0f, "5 ms", "5 ms", 0.5f },
    { "Echo Offset", "0%", 0.0f, "60%", "60%", 0.6f },
    { "Frequency Shift", "+0 Hz", 0.0f, "-120 Hz", "-120 Hz", -0.24f },
    { "Low Cut Resonance", "0.7", 0.0f, "10", "10.0", 0.481677f },
    { "High Cut Resonance", "0.7", 0.0f, "0.707", "0.7", 0.0f },
    { "In", "+0.0 dB", 0.0f, "-6 dB", "-6.0 dB", -0.25f },
    { "Out", "+0.0 dB", 0.0f, "+3.5", "+3.5 dB", 0.145833f },
    { "Pan", "+0%", 0.0f, "-25%", "-25%", -0.25f },
    { "Time Sync Normal", "1/1", 0.0f, "1/4", "1/4", 2.0f },
    { "Time Sync Triplet", "1/1t", 0.0f, "1/8t", "1/8t", 3.0f },
    { "Time Sync Dotted", "1/1.", 0.0f, "1/16.", "1/16.", 4.0f },
    { "Mode", "Normal", 1.0f, "rev chaos", "Rev Chaos", 5.0f },
    { "Distortion Function", "Saturation", 1.0f, "Samurai", "Samurai", 13.0f },
    { "Diffusion Quality", "8", 8.0f, "3", "3", 3.0f },
    { "Pitch Shift", "0 Semi", 0.0f, "+7 Semi", "7 Semi", 7.0f },
    { "Feedback Filter", "Off", 0.0f, "on", "On", 1.0f },
    { "Post Distortion", "Off", 0.0f, "yes", "On", 1.0f },
    { "Time Mode", "ms", 0.0f, "dot", "dot", 3.0f },
    { "PiPo", "Off", 0.0f, "true", "On", 1.0f },
    { "Mono", "Off", 0.0f, "1", "On", 1.0f },
    { "Split Testing Side", "A", 0.0f, "B", "B", 1.0f },
    { "Mid/Side Mode", "Off", 0.0f, "On", "On", 1.0f },
    { "Bypass All", "Off", 0.0f, "on", "On", 1.0f },
} };
