#include "PluginProcessor.h"
#include <gtest/gtest.h>
TEST (Placeholder2, Builds)
{
    VantrelDelayAudioProcessor p;
    EXPECT_EQ (p.getParameters().size(), 38);
}
