#include "HostEventLoop.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <thread>

namespace
{
using namespace std::chrono_literals;

constexpr auto kPatience = 10s; // how long to wait for something that should happen at once

/** An instance of the probe plug-in (see ProbePlugin.cpp), commanded
    through its pipe and watched through its log.
*/
class Probe
{
public:
    Probe()
    {
        for (const auto& line : plugin.log)
            if (line.rfind ("1: pipe ", 0) == 0)
                pipe = std::stoi (line.substr (8));
    }

    void send (const std::string& commands) const { ASSERT_EQ (write (pipe, commands.data(), commands.size()), static_cast<ssize_t> (commands.size())); }

    int count (const std::string& message) const { return static_cast<int> (std::count (plugin.log.begin(), plugin.log.end(), "1: " + message)); }

    /** The pipe bytes it was told about, in order, as "<byte> <flags>". */
    std::vector<std::string> descriptorReports() const
    {
        std::vector<std::string> reports;
        for (const auto& line : plugin.log)
            if (line.rfind ("1: fd ", 0) == 0)
                reports.push_back (line.substr (6));
        return reports;
    }

    ClapPluginLibrary library { RAVELWICK_PROBE_PLUGIN };
    ClapHostedPlugin plugin { library };
    int pipe = -1;
};

const std::string kReadable = std::to_string (CLAP_POSIX_FD_READ);
} // namespace

TEST (HostEventLoop, FiresTimersUntilTheyAreUnregistered)
{
    Probe probe;
    ASSERT_TRUE (probe.plugin.isReady()) << probe.plugin.error();
    ASSERT_EQ (probe.plugin.timers().size(), 1u);
    EXPECT_EQ (probe.plugin.timers()[0].periodMilliseconds, 10u);

    HostEventLoop loop;
    loop.add (probe.plugin);
    EXPECT_TRUE (loop.runUntil ([&] { return probe.count ("timer") >= 3; }, kPatience));

    probe.send ("t");
    ASSERT_TRUE (loop.runUntil ([&] { return probe.count ("fd t " + kReadable) == 1; }, kPatience));
    EXPECT_TRUE (probe.plugin.timers().empty());

    const int fired = probe.count ("timer");
    loop.runFor (100ms);
    EXPECT_EQ (probe.count ("timer"), fired) << "a timer fired after it was unregistered";
}

TEST (HostEventLoop, ReportsADescriptorWhileItIsReadable)
{
    Probe probe;
    ASSERT_TRUE (probe.plugin.isReady()) << probe.plugin.error();
    HostEventLoop loop;
    loop.add (probe.plugin);

    // One byte is read per report: the pipe stays readable until both are taken.
    probe.send ("ab");
    EXPECT_TRUE (loop.runUntil ([&] { return probe.descriptorReports().size() >= 2; }, kPatience));
    loop.runFor (50ms);
    EXPECT_EQ (probe.descriptorReports(), (std::vector<std::string> { "a " + kReadable, "b " + kReadable }));

    // Unregistered inside its own callback: what is left in the pipe is no longer reported.
    probe.send ("ux");
    EXPECT_TRUE (loop.runUntil ([&] { return probe.descriptorReports().size() >= 3; }, kPatience));
    loop.runFor (50ms);
    EXPECT_EQ (probe.descriptorReports().size(), 3u);
    EXPECT_TRUE (probe.plugin.fileDescriptors().empty());
}

TEST (HostEventLoop, RunsCallbacksRequestedFromAnyThread)
{
    Probe probe;
    ASSERT_TRUE (probe.plugin.isReady()) << probe.plugin.error();
    HostEventLoop loop;
    loop.add (probe.plugin);

    probe.send ("c");
    EXPECT_TRUE (loop.runUntil ([&] { return probe.count ("main thread") == 1; }, kPatience));

    std::thread ([&probe] { probe.plugin.host.request_callback (&probe.plugin.host); }).join();
    EXPECT_TRUE (loop.runUntil ([&] { return probe.count ("main thread") == 2; }, kPatience));
}

TEST (HostEventLoop, LeavesRemovedPluginsAlone)
{
    Probe kept, removed;
    ASSERT_TRUE (kept.plugin.isReady()) << kept.plugin.error();
    ASSERT_TRUE (removed.plugin.isReady()) << removed.plugin.error();
    HostEventLoop loop;
    loop.add (kept.plugin);
    loop.add (removed.plugin);
    loop.remove (removed.plugin);

    kept.send ("a");
    removed.send ("a");
    EXPECT_TRUE (loop.runUntil ([&] { return kept.count ("timer") >= 3 && kept.descriptorReports().size() == 1; }, kPatience));
    EXPECT_EQ (removed.count ("timer"), 0);
    EXPECT_TRUE (removed.descriptorReports().empty());
}
