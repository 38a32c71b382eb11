// Registration through the ACF exports: the effect description a host reads, the component it
// builds processing contexts from, the library's other exports and its live-object count.

#include "AAXTestHost.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <regex>

using namespace aaxtest;

namespace
{
constexpr AAX_CPropertyValue code(const char (&text)[5])
{
    return (AAX_CPropertyValue)AAX_FourCC(text);
}
} // namespace

TEST(AAXRegistration, DescribesTheEffectNamesCategoryFactoriesAndComponentInOrder)
{
    Registration registration;
    ASSERT_EQ(registration.result, AAX_SUCCESS);
    ASSERT_EQ(registration.host.collection.effects.size(), 1u);
    const std::vector<std::string> expected = {
        "name Zelvane Reverb Lyxen Series",
        "name ZV-Reverb LX",
        "category 2",
        "proc 1",
        "proc 0",
        "component",
    };
    EXPECT_EQ(registration.effect().log, expected);
    EXPECT_EQ(registration.effect().components.size(), 1u);
}

TEST(AAXRegistration, AddsTheEffectThenManufacturerPackageNamesAndVersion)
{
    Registration registration;
    ASSERT_EQ(registration.result, AAX_SUCCESS);
    const auto& log = registration.host.collection.log;
    ASSERT_EQ(log.size(), 5u);
    // The effect identifier is a reverse-domain name of the maker's.
    EXPECT_TRUE(std::regex_match(log[0], std::regex("effect [a-z0-9-]+(\\.[a-z0-9-]+)+"))) << log[0];
    EXPECT_EQ(log[1], "manufacturer Zelvane");
    EXPECT_EQ(log[2], "package name Zelvane Reverb Lyxen Series");
    EXPECT_EQ(log[3], "package name ZV-Reverb LX");
    EXPECT_EQ(log[4], "package version 66816");
    EXPECT_EQ(66816, 0x10500);
}

TEST(AAXRegistration, HandsTheHostItsPluginDefinition)
{
    Registration registration;
    ASSERT_EQ(registration.result, AAX_SUCCESS);
    EXPECT_EQ(registration.definition, registration.host.collection.GetPluginDefinition());
}

TEST(AAXRegistration, ComponentHasFiveFieldsForTwoInTwoOut)
{
    Registration registration;
    const std::vector<Field> expected = {
        {0, "audio in"},
        {1, "audio out"},
        {2, "buffer length"},
        {3, "data in port", 4, AAX_eDataInPortType_Buffered},
        {4, "private data", 8, AAX_ePrivateDataOptions_DefaultOptions},
    };
    EXPECT_EQ(registration.component().fields, expected);
    EXPECT_NE(registration.component().processProc, nullptr);
    EXPECT_EQ(registration.component().processProcCount, 1);
}

TEST(AAXRegistration, ComponentPropertiesCarryCodesBypassStemsAndNativeIDInOrder)
{
    Registration registration;
    ASSERT_NE(registration.component().processProperties, nullptr);
    const std::vector<std::pair<AAX_EProperty, AAX_CPropertyValue>> expected = {
        {AAX_eProperty_ManufacturerID, code("ZV__")},
        {AAX_eProperty_ProductID, code("zL01")},
        {AAX_eProperty_CanBypass, 1},
        {AAX_eProperty_InputStemFormat, 0x00010002},
        {AAX_eProperty_OutputStemFormat, 0x00010002},
        {AAX_eProperty_PlugInID_Native, code("jcaa")},
    };
    const auto& properties = registration.component().processProperties->properties;
    EXPECT_EQ(properties, expected);
    ASSERT_EQ(properties.size(), 6u);
    EXPECT_EQ((int)properties[0].first, 11);
    EXPECT_EQ((int)properties[1].first, 12);
    EXPECT_EQ((int)properties[2].first, 60);
    EXPECT_EQ((int)properties[3].first, 51);
    EXPECT_EQ((int)properties[4].first, 52);
    EXPECT_EQ((int)properties[5].first, 13);
    EXPECT_EQ(fourCC((AAX_CTypeID)properties[0].second), "ZV__");
    EXPECT_EQ(fourCC((AAX_CTypeID)properties[1].second), "zL01");
    EXPECT_EQ(fourCC((AAX_CTypeID)properties[5].second), "jcaa");
}

TEST(AAXRegistration, FactoriesMakeEffectParametersAndGUIObjects)
{
    Registration registration;
    ASSERT_EQ(registration.effect().procs.size(), 2u);
    AAX_IEffectParameters* effect = registration.effect().createEffectParameters();
    ASSERT_NE(effect, nullptr);
    AAX_IEffectGUI* gui = registration.effect().createGUI();
    ASSERT_NE(gui, nullptr);
    delete gui;
    delete effect;
}

TEST(AAXRegistration, WithoutADescriptorAnswersNullObjectAndAddsNothing)
{
    Host host;
    host.collection.supplyDescriptors = false;
    AAX_IPluginDefinition* definition = reinterpret_cast<AAX_IPluginDefinition*>(&host);
    EXPECT_EQ(Module::get().registerPlugin(&host, &definition), -20004);
    EXPECT_EQ(definition, nullptr);
    EXPECT_TRUE(host.collection.log.empty());
    EXPECT_TRUE(host.collection.effects.empty());
}

TEST(AAXRegistration, WithoutAHostOrADefinitionPointerAnswersNullObject)
{
    Host host;
    AAX_IPluginDefinition* definition = nullptr;
    EXPECT_EQ(Module::get().registerPlugin(nullptr, &definition), -20004);
    EXPECT_EQ(Module::get().registerPlugin(&host, nullptr), -20004);
    EXPECT_TRUE(host.collection.log.empty());
}

TEST(AAXRegistration, RegisteringLeavesNoLiveObject)
{
    Registration registration;
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 0);
}

//==============================================================================
TEST(ACFExports, LiveInTheSameModuleAsTheVSTEntryPoint)
{
    EXPECT_NE(dlsym(Module::get().handle, "VSTPluginMain"), nullptr);
    EXPECT_NE(dlsym(Module::get().handle, "ACFRegisterPlugin"), nullptr);
}

TEST(ACFExports, RegisterComponentSetsNullAndSucceeds)
{
    void* component = &component;
    EXPECT_EQ(Module::get().registerComponent(nullptr, 0, &component), 0);
    EXPECT_EQ(component, nullptr);
}

TEST(ACFExports, GetClassFactorySetsNullAndAnswersNoFactories)
{
    void* factory = &factory;
    EXPECT_EQ(Module::get().getClassFactory(nullptr, nullptr, nullptr, &factory), -20009);
    EXPECT_EQ(factory, nullptr);
}

TEST(ACFExports, SDKVersionIs0x0200WithRevision6361692)
{
    uint64_t version = 0;
    EXPECT_EQ(Module::get().getSDKVersion(&version), 0);
    EXPECT_EQ(version >> 32, 0x0200u);
    EXPECT_EQ(version & 0xffffffffu, 6361692u);
    EXPECT_EQ(version, 0x000002000061125Cull);
}

TEST(ACFExports, StartupWrapsTheHostOnceAndShutdownReleasesIt)
{
    Host host;
    EXPECT_EQ(Module::get().startup(&host), 0);
    EXPECT_EQ(host.references, 1);
    // Later calls find the wrapper in place.
    Host other;
    EXPECT_EQ(Module::get().startup(&host), 0);
    EXPECT_EQ(Module::get().startup(&other), 0);
    EXPECT_EQ(host.references, 1);
    EXPECT_EQ(other.references, 0);
    EXPECT_EQ(Module::get().shutdown(&host), 0);
    EXPECT_EQ(host.references, 0);
}

TEST(ACFExports, StartupWithoutAHostCreatesNothing)
{
    EXPECT_EQ(Module::get().startup(nullptr), 0);
    Host host;
    EXPECT_EQ(Module::get().startup(&host), 0);
    EXPECT_EQ(host.references, 1);
    EXPECT_EQ(Module::get().shutdown(&host), 0);
    EXPECT_EQ(Module::get().shutdown(&host), 0);
    EXPECT_EQ(host.references, 0);
}

TEST(ACFExports, CanUnloadNowCountsLiveObjectsAndIsZeroWhenAllAreGone)
{
    Host host;
    ASSERT_EQ(Module::get().startup(&host), 0);
    Registration registration;
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 0);
    {
        Instance first(registration);
        EXPECT_EQ(Module::get().canUnloadNow(nullptr), 1);
        AAX_IEffectGUI* gui = registration.effect().createGUI();
        EXPECT_EQ(Module::get().canUnloadNow(nullptr), 2);
        {
            Instance second(registration);
            EXPECT_EQ(Module::get().canUnloadNow(nullptr), 3);
        }
        EXPECT_EQ(Module::get().canUnloadNow(nullptr), 2);
        delete gui;
        EXPECT_EQ(Module::get().canUnloadNow(nullptr), 1);
    }
    EXPECT_EQ(Module::get().canUnloadNow(nullptr), 0);
    EXPECT_EQ(Module::get().shutdown(&host), 0);
    EXPECT_EQ(host.references, 0);
}
