#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

namespace
{
/** JUCE's message manager, which the parameter tree's timer needs, for the
    whole test run; the test thread is its message thread.
*/
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override { initialiser.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment (new JuceEnvironment);
} // namespace
