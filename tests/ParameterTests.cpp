#include "PluginProcessor.h"
#include <gtest/gtest.h>
TEST (Placeholder, Builds)
{
    VantrelDelayAudioProcessor p;
    EXPECT_EQ (p.getParameters().size(), 38);
}
