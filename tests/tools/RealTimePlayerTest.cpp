#include "RealTimePlayer.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST (RealTimePlayer, DropsTheTimeItFellBehindRatherThanChasingIt)
{
    ClapPluginLibrary library (RAVELWICK_PROBE_PLUGIN);
    ClapHostedPlugin plugin (library);
    ASSERT_TRUE (plugin.isReady()) << plugin.error();

    constexpr std::uint32_t blockSize = 480; // 10 ms at 48 kHz
    juce::AudioBuffer<float> silence (1, static_cast<int> (blockSize));
    silence.clear();
    RealTimePlayer player (plugin, silence, 48000.0, blockSize);
    ASSERT_TRUE (player.start()) << player.error();

    // As when the host's loop was held up, or a machine too slow to keep up
    // took that long over the blocks: 30 of them are due at once.
    std::this_thread::sleep_for (300ms);
    ASSERT_TRUE (player.processDueBlocks()) << player.error();

    // At most 50 ms behind, the rest dropped: the block due then and five more.
    EXPECT_GE (player.framesPlayed, blockSize);
    EXPECT_LE (player.framesPlayed, 6 * blockSize);
}
