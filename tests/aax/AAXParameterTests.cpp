// The parameter set an AAX host sees, and every parameter call a host makes: the master bypass
// first, then the processor's eleven parameters under the IDs "0" to "10".

#include "AAXTestHost.h"

#include <processor/ZVPluginAudioProcessor.h>

#include <gtest/gtest.h>

#include <array>

using namespace aaxtest;

namespace
{
constexpr const char* bypassID = "MasterBypassID";

/// The names and the values of a new instance, as the processor itself answers them: what the
/// AAX layer must show.
struct ProcessorFacts
{
    std::array<std::string, 11> names;
    std::array<double, 11> values{};
};

const ProcessorFacts& newProcessor()
{
    static const ProcessorFacts facts = []
    {
        ProcessorFacts f;
        ZVPluginAudioProcessor p;
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        for (int n = 0; n < 11; ++n)
        {
            f.names[(size_t)n] = p.getParameterName(n).toStdString();
            f.values[(size_t)n] = p.getParameter(n);
        }
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
        return f;
    }();
    return facts;
}
const std::array<std::string, 11>& processorNames()
{
    return newProcessor().names;
}
const std::array<double, 11>& processorDefaults()
{
    return newProcessor().values;
}

std::string id(int n)
{
    return std::to_string(n);
}

struct AAXParameters : ::testing::Test
{
    Registration registration;
    Instance instance{registration};

    AAX_IParameter& parameter(const std::string& parameterID)
    {
        AAX_IParameter* p = nullptr;
        EXPECT_EQ(instance.effect().GetParameter(parameterID.c_str(), &p), AAX_SUCCESS);
        if (p == nullptr)
            throw std::runtime_error("no parameter " + parameterID);
        return *p;
    }

    std::array<double, 11> processorValues()
    {
        std::array<double, 11> values{};
        for (int n = 0; n < 11; ++n)
            values[(size_t)n] = instance.value(id(n).c_str());
        return values;
    }
};
} // namespace

//==============================================================================
// The parameter set

TEST_F(AAXParameters, MasterBypassComesFirstThenElevenProcessorParameters)
{
    int32_t count = 0;
    ASSERT_EQ(instance.effect().GetNumberOfParameters(&count), AAX_SUCCESS);
    EXPECT_EQ(count, 12);
    std::vector<std::string> ids;
    for (int32_t i = 0; i < count; ++i)
    {
        AAX_CString parameterID;
        EXPECT_EQ(instance.effect().GetParameterIDFromIndex(i, &parameterID), AAX_SUCCESS);
        ids.push_back(parameterID.str());
    }
    const std::vector<std::string> expected = {bypassID, "0", "1", "2", "3", "4",
                                               "5",      "6", "7", "8", "9", "10"};
    EXPECT_EQ(ids, expected);
    AAX_CString master;
    EXPECT_EQ(instance.effect().GetMasterBypassParameter(&master), AAX_SUCCESS);
    EXPECT_EQ(master.str(), bypassID);
    int32_t index = -1;
    EXPECT_EQ(instance.effect().GetParameterIndex("5", &index), AAX_SUCCESS);
    EXPECT_EQ(index, 6);
}

TEST_F(AAXParameters, MasterBypassIsADiscreteTwoStepBoolWithBinaryTaperAndDisplay)
{
    auto& bypass = parameter(bypassID);
    bool on = true;
    float asFloat = 0.0f;
    EXPECT_TRUE(bypass.GetValueAsBool(&on));
    EXPECT_FALSE(on); // initial value false
    EXPECT_FALSE(bypass.GetValueAsFloat(&asFloat));
    AAX_CString name;
    bypass.GetName(&name);
    EXPECT_EQ(name.str(), "Master Bypass");
    EXPECT_EQ(bypass.GetNumberOfShortenedNames(), 0);
    EXPECT_TRUE(bypass.Automatable());
    EXPECT_EQ(bypass.GetNumberOfSteps(), 2u);
    EXPECT_EQ(bypass.GetType(), AAX_eParameterType_Discrete);

    AAX_CString shown;
    bypass.GetValueString(0.0, 32, &shown);
    EXPECT_EQ(shown.str(), "bypass");
    bypass.GetValueString(1.0, 32, &shown);
    EXPECT_EQ(shown.str(), "on");

    // Binary taper: true is 1, false is 0, and normalised values from one half up read true.
    EXPECT_TRUE(bypass.SetValueWithBool(true));
    EXPECT_EQ(bypass.GetNormalizedValue(), 1.0);
    bypass.SetNormalizedValue(0.7);
    EXPECT_TRUE(bypass.GetValueAsBool(&on));
    EXPECT_TRUE(on);
    bypass.SetNormalizedValue(0.2);
    EXPECT_TRUE(bypass.GetValueAsBool(&on));
    EXPECT_FALSE(on);
    EXPECT_FALSE(bypass.SetValueWithFloat(1.0f));

    int32_t steps = 0;
    AAX_EParameterType type = AAX_eParameterType_Continuous;
    bool automatable = false;
    EXPECT_EQ(instance.effect().GetParameterNumberofSteps(bypassID, &steps), AAX_SUCCESS);
    EXPECT_EQ(instance.effect().GetParameterType(bypassID, &type), AAX_SUCCESS);
    EXPECT_EQ(instance.effect().GetParameterIsAutomatable(bypassID, &automatable), AAX_SUCCESS);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(type, AAX_eParameterType_Discrete);
    EXPECT_TRUE(automatable);
}

TEST_F(AAXParameters, ProcessorParametersAreContinuousFloatsWithLinearTaperAndThreeDecimals)
{
    for (int n = 0; n < 11; ++n)
    {
        SCOPED_TRACE(n);
        auto& p = parameter(id(n));
        float value = -1.0f;
        bool asBool = false;
        EXPECT_TRUE(p.GetValueAsFloat(&value));
        EXPECT_FALSE(p.GetValueAsBool(&asBool));
        // Initial value: the processor's value when the effect was initialised.
        EXPECT_EQ(p.GetNormalizedValue(), processorDefaults()[(size_t)n]);
        EXPECT_EQ(value, (float)processorDefaults()[(size_t)n]);

        AAX_CString name, shortName;
        p.GetName(&name);
        EXPECT_EQ(name.str(), processorNames()[(size_t)n]);
        EXPECT_EQ(p.GetNumberOfShortenedNames(), 1);
        p.GetShortenedName(4, &shortName);
        EXPECT_EQ(shortName.str(), processorNames()[(size_t)n].substr(0, 4));

        EXPECT_TRUE(p.Automatable());
        EXPECT_EQ(p.GetNumberOfSteps(), 2147483647u);
        EXPECT_EQ(p.GetType(), AAX_eParameterType_Continuous);
        int32_t steps = 0;
        EXPECT_EQ(instance.effect().GetParameterNumberofSteps(id(n).c_str(), &steps), AAX_SUCCESS);
        EXPECT_EQ(steps, 2147483647);

        AAX_CString shown;
        p.GetValueString(0.5, 32, &shown);
        EXPECT_EQ(shown.str(), "0.500");
        p.GetValueString(0.125, 32, &shown);
        EXPECT_EQ(shown.str(), "0.125");
    }

    // Linear from 0 to 1, real values kept as they are.
    auto& early = parameter("0");
    EXPECT_TRUE(early.SetValueWithFloat(0.2345f));
    EXPECT_EQ(early.GetNormalizedValue(), (double)0.2345f);
    EXPECT_TRUE(early.SetValueWithFloat(1.5f));
    EXPECT_EQ(early.GetNormalizedValue(), 1.0);
}

//==============================================================================
// Names

TEST_F(AAXParameters, MasterBypassNameShortensStepwiseWithLength)
{
    AAX_CString name;
    EXPECT_EQ(instance.effect().GetParameterName(bypassID, &name), AAX_SUCCESS);
    EXPECT_EQ(name.str(), "Master Bypass");
    EXPECT_EQ(instance.name(bypassID, 31), "Master Bypass");
    EXPECT_EQ(instance.name(bypassID, 13), "Master Bypass");
    EXPECT_EQ(instance.name(bypassID, 12), "Mast Byp");
    EXPECT_EQ(instance.name(bypassID, 8), "Mast Byp");
    EXPECT_EQ(instance.name(bypassID, 7), "MstByp");
    EXPECT_EQ(instance.name(bypassID, 6), "MstByp");
    EXPECT_EQ(instance.name(bypassID, 5), "MByp");
    EXPECT_EQ(instance.name(bypassID, 1), "MByp");
}

TEST_F(AAXParameters, ProcessorNamesAreCutToTheLengthAsked)
{
    for (int n = 0; n < 11; ++n)
    {
        AAX_CString name;
        EXPECT_EQ(instance.effect().GetParameterName(id(n).c_str(), &name), AAX_SUCCESS);
        EXPECT_EQ(name.str(), processorNames()[(size_t)n]);
    }
    EXPECT_EQ(instance.name("1", 4), "Late");
    EXPECT_EQ(instance.name("10", 31), "Stereo On-Off");
    EXPECT_EQ(instance.name("10", 8), "Stereo O");
    EXPECT_EQ(instance.name("8", 5), "Left ");
    EXPECT_EQ(instance.name("2", 0), "");
}

//==============================================================================
// Value texts

TEST_F(AAXParameters, MasterBypassTextIsOffBypassedOrByp)
{
    for (int length : {1, 3, 7, 8, 32})
        EXPECT_EQ(instance.text(bypassID, 0.0, length), "Off") << length;
    EXPECT_EQ(instance.text(bypassID, 1.0, 8), "Bypassed");
    EXPECT_EQ(instance.text(bypassID, 1.0, 32), "Bypassed");
    EXPECT_EQ(instance.text(bypassID, 1.0, 7), "Byp");
    EXPECT_EQ(instance.text(bypassID, 0.3, 3), "Byp");
}

TEST_F(AAXParameters, ProcessorTextShowsTheCurrentValueWhateverValueIsAsked)
{
    EXPECT_EQ(instance.text("5", 0.9, 32), "0.50");
    EXPECT_EQ(instance.text("7", 0.0, 32), "1.00");
    EXPECT_EQ(instance.text("8", 1.0, 32), "0.00");
    EXPECT_EQ(instance.text("5", 0.5, 3), "0.5");
    ASSERT_EQ(instance.effect().SetParameterNormalizedValue("5", 0.125), AAX_SUCCESS);
    EXPECT_EQ(instance.text("5", 0.0, 32), "0.13");
}

//==============================================================================
// Values

TEST_F(AAXParameters, DefaultValueOfMasterBypassSucceedsWithoutWritingAndIsZeroForTheOthers)
{
    double value = 42.0;
    EXPECT_EQ(instance.effect().GetParameterDefaultNormalizedValue(bypassID, &value), AAX_SUCCESS);
    EXPECT_EQ(value, 42.0);
    for (int n = 0; n < 11; ++n)
    {
        value = 42.0;
        EXPECT_EQ(instance.effect().GetParameterDefaultNormalizedValue(id(n).c_str(), &value), AAX_SUCCESS);
        EXPECT_EQ(value, 0.0) << n;
    }
}

TEST_F(AAXParameters, NormalisedValuesComeFromTheProcessorAndTheBypassFromItsParameter)
{
    EXPECT_EQ(processorValues(), processorDefaults());
    EXPECT_EQ(instance.value(bypassID), 0.0);
    // A value the AAX parameter could not hold (the processor stores values unclamped) is
    // still reported as the processor has it.
    ASSERT_EQ(instance.effect().SetParameterNormalizedRelative("6", 0.25), AAX_SUCCESS);
    EXPECT_EQ(instance.value("6"), 0.75);
    EXPECT_EQ(parameter("6").GetNormalizedValue(), 0.5);
}

TEST_F(AAXParameters, SettingMasterBypassChangesNothingAndSucceeds)
{
    const auto packetsBefore = instance.controller().packets.size();
    EXPECT_EQ(instance.effect().SetParameterNormalizedValue(bypassID, 1.0), AAX_SUCCESS);
    EXPECT_EQ(instance.value(bypassID), 0.0);
    EXPECT_EQ(instance.controller().packets.size(), packetsBefore);
    EXPECT_EQ(processorValues(), processorDefaults());
    EXPECT_EQ(instance.effect().SetParameterNormalizedRelative(bypassID, 1.0), AAX_SUCCESS);
    EXPECT_EQ(instance.value(bypassID), 0.0);
    EXPECT_EQ(processorValues(), processorDefaults());
}

TEST_F(AAXParameters, SettingAProcessorParameterSetsTheAAXParameterAndTheProcessor)
{
    EXPECT_EQ(instance.effect().SetParameterNormalizedValue("3", 0.3), AAX_SUCCESS);
    EXPECT_EQ(instance.value("3"), (double)0.3f);
    EXPECT_EQ(parameter("3").GetNormalizedValue(), 0.3);
    auto expected = processorDefaults();
    expected[3] = (double)0.3f;
    EXPECT_EQ(processorValues(), expected);
}

TEST_F(AAXParameters, RelativeChangeAddsToTheProcessorValueWithinZeroToOne)
{
    ASSERT_EQ(instance.effect().SetParameterNormalizedValue("0", 0.5), AAX_SUCCESS);
    EXPECT_EQ(instance.effect().SetParameterNormalizedRelative("0", 0.75), AAX_SUCCESS);
    EXPECT_EQ(instance.value("0"), 1.0);
    EXPECT_EQ(instance.effect().SetParameterNormalizedRelative("0", -0.25), AAX_SUCCESS);
    EXPECT_EQ(instance.value("0"), 0.75);
    EXPECT_EQ(instance.effect().SetParameterNormalizedRelative("0", -2.0), AAX_SUCCESS);
    EXPECT_EQ(instance.value("0"), 0.0);
}

TEST_F(AAXParameters, UpdatingMasterBypassStoresItAndSendsItToDataPortThree)
{
    // Initialisation already gave the port its first value.
    ASSERT_FALSE(instance.controller().packets.empty());
    EXPECT_EQ(instance.controller().packets.front().first, 3);
    EXPECT_EQ(instance.controller().packets.front().second.size(), 4u);
    EXPECT_EQ(instance.controller().portValue(3), 0);

    EXPECT_EQ(instance.effect().UpdateParameterNormalizedValue(bypassID, 1.0), AAX_SUCCESS);
    EXPECT_EQ(instance.value(bypassID), 1.0);
    EXPECT_EQ(instance.controller().packets.back().first, 3);
    EXPECT_EQ(instance.controller().portValue(3), 1);
    EXPECT_EQ(processorValues(), processorDefaults());

    EXPECT_EQ(instance.effect().UpdateParameterNormalizedValue(bypassID, 0.0), AAX_SUCCESS);
    EXPECT_EQ(instance.value(bypassID), 0.0);
    EXPECT_EQ(instance.controller().portValue(3), 0);
}

TEST_F(AAXParameters, UpdatingAProcessorParameterReachesTheProcessor)
{
    const auto packetsBefore = instance.controller().packets.size();
    EXPECT_EQ(instance.effect().UpdateParameterNormalizedValue("4", 0.8), AAX_SUCCESS);
    EXPECT_EQ(instance.value("4"), (double)0.8f);
    EXPECT_EQ(parameter("4").GetNormalizedValue(), 0.8);
    // Only the bypass travels to the audio callback as packets.
    EXPECT_EQ(instance.controller().packets.size(), packetsBefore);
}

TEST_F(AAXParameters, IdentifiersTheEffectDoesNotHaveAreRefusedAndChangeNothing)
{
    // Read as plain decimal text, "abc" and "" would both name parameter 0.
    for (const char* unknown : {"11", "abc", "", "-1", "05"})
    {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(instance.effect().SetParameterNormalizedValue(unknown, 0.1),
                  AAX_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(instance.effect().UpdateParameterNormalizedValue(unknown, 0.1),
                  AAX_ERROR_INVALID_PARAMETER_ID);
        EXPECT_EQ(instance.effect().SetParameterNormalizedRelative(unknown, 0.1),
                  AAX_ERROR_INVALID_PARAMETER_ID);
        double value = 0.0;
        EXPECT_EQ(instance.effect().GetParameterNormalizedValue(unknown, &value),
                  AAX_ERROR_INVALID_PARAMETER_ID);
        AAX_CString text;
        EXPECT_EQ(instance.effect().GetParameterName(unknown, &text), AAX_ERROR_INVALID_PARAMETER_ID);
    }
    EXPECT_EQ(instance.effect().SetParameterNormalizedValue(nullptr, 0.1), AAX_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(processorValues(), processorDefaults());
}

TEST_F(AAXParameters, InitialisationReportsTheProcessorLatency)
{
    EXPECT_EQ(instance.controller().latency, 0);
}
