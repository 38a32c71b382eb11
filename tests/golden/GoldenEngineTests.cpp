// The engine driven directly reproduces its golden digests bit for bit, one pair at a time and a
// block at a time.

#include "GoldenCases.h"
#include "GoldenReferences.h"

#include <gtest/gtest.h>

using namespace golden;

namespace
{
void expectReference(const EngineCase& c)
{
    for (const EnginePath path : {EnginePath::PerSample, EnginePath::Blocks})
    {
        const std::string difference =
            differenceFromReference(engineReferences, c.name, renderEngine(c, path));
        EXPECT_TRUE(difference.empty())
            << c.name << (path == EnginePath::Blocks ? " in blocks" : " per sample") << ":\n"
            << difference;
    }
}
} // namespace

class GoldenEngine : public ::testing::TestWithParam<EngineCase>
{
};

TEST_P(GoldenEngine, ReproducesItsReference)
{
    expectReference(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenEngine, ::testing::ValuesIn(engineCases()),
                         [](const auto& info) { return info.param.name; });

// Longer than a delay line holds, so every write position wraps past the end of its buffer.
TEST(GoldenEngineLong, ReproducesItsReferenceAfterEveryDelayLineWraps)
{
    expectReference(longEngineCase());
}
