#include "ClapHostedPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace
{
template <typename Extension>
const Extension& hostExtension (const ClapHostedPlugin& hosted, const char* id)
{
    static const Extension none {};
    const auto* extension = static_cast<const Extension*> (hosted.host.get_extension (&hosted.host, id));
    return extension != nullptr ? *extension : none;
}

/** A host whose plug-in could not be loaded still answers the plug-in's calls. */
struct Unloaded
{
    ClapPluginLibrary library { "/nonexistent/Plugin.clap" };
    ClapHostedPlugin hosted { library };
};
} // namespace

TEST (ClapHostedPlugin, KeepsTheTimersAPluginRegisters)
{
    Unloaded unloaded;
    auto& hosted = unloaded.hosted;
    const auto& timers = hostExtension<clap_host_timer_support> (hosted, CLAP_EXT_TIMER_SUPPORT);
    ASSERT_NE (timers.register_timer, nullptr);

    clap_id first = CLAP_INVALID_ID, second = CLAP_INVALID_ID, third = CLAP_INVALID_ID;
    ASSERT_TRUE (timers.register_timer (&hosted.host, 16, &first));
    ASSERT_TRUE (timers.register_timer (&hosted.host, 100, &second));
    EXPECT_NE (first, second);
    EXPECT_EQ (hosted.timers(), (std::vector<ClapHostedPlugin::Timer> { { first, 16 }, { second, 100 } }));

    EXPECT_FALSE (timers.unregister_timer (&hosted.host, std::max (first, second) + 1));
    EXPECT_TRUE (timers.unregister_timer (&hosted.host, first));
    EXPECT_FALSE (timers.unregister_timer (&hosted.host, first)) << "unregistered twice";

    ASSERT_TRUE (timers.register_timer (&hosted.host, 16, &third));
    EXPECT_NE (third, first) << "an id was given out again";
    EXPECT_EQ (hosted.timers(), (std::vector<ClapHostedPlugin::Timer> { { second, 100 }, { third, 16 } }));

    EXPECT_FALSE (hosted.fireTimer (second)) << "there is no plug-in to call";
    EXPECT_FALSE (timers.register_timer (&hosted.host, 16, nullptr));
}

TEST (ClapHostedPlugin, KeepsTheFileDescriptorsAPluginRegisters)
{
    Unloaded unloaded;
    auto& hosted = unloaded.hosted;
    const auto& fds = hostExtension<clap_host_posix_fd_support> (hosted, CLAP_EXT_POSIX_FD_SUPPORT);
    ASSERT_NE (fds.register_fd, nullptr);

    enum Call
    {
        registering,
        modifying,
        unregistering
    };
    const struct
    {
        Call call;
        int fd;
        clap_posix_fd_flags_t flags;
        bool accepted;
    } steps[] = {
        { registering, 7, CLAP_POSIX_FD_READ, true },
        { registering, 7, CLAP_POSIX_FD_WRITE, false },
        { registering, -1, CLAP_POSIX_FD_READ, false },
        { modifying, 8, CLAP_POSIX_FD_READ, false },
        { modifying, 7, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_WRITE, true },
        { registering, 9, CLAP_POSIX_FD_READ, true },
        { unregistering, 8, 0, false },
        { unregistering, 7, 0, true },
        { unregistering, 7, 0, false },
    };

    for (const auto& step : steps)
    {
        const bool accepted = step.call == registering ? fds.register_fd (&hosted.host, step.fd, step.flags)
                              : step.call == modifying ? fds.modify_fd (&hosted.host, step.fd, step.flags)
                                                       : fds.unregister_fd (&hosted.host, step.fd);
        EXPECT_EQ (accepted, step.accepted) << "call " << step.call << " for fd " << step.fd;

        if (step.call == modifying && step.accepted)
        {
            ASSERT_EQ (hosted.fileDescriptors().size(), 1u);
            EXPECT_EQ (hosted.fileDescriptors()[0].flags, step.flags);
        }
    }

    ASSERT_EQ (hosted.fileDescriptors().size(), 1u);
    EXPECT_EQ (hosted.fileDescriptors()[0].fd, 9);
}

TEST (ClapHostedPlugin, RefusesMainThreadRegistrationsFromOtherThreads)
{
    Unloaded unloaded;
    auto& hosted = unloaded.hosted;
    const auto& timers = hostExtension<clap_host_timer_support> (hosted, CLAP_EXT_TIMER_SUPPORT);
    const auto& fds = hostExtension<clap_host_posix_fd_support> (hosted, CLAP_EXT_POSIX_FD_SUPPORT);

    clap_id id = CLAP_INVALID_ID;
    ASSERT_TRUE (timers.register_timer (&hosted.host, 16, &id));
    ASSERT_TRUE (fds.register_fd (&hosted.host, 7, CLAP_POSIX_FD_READ));

    std::thread ([&] {
        clap_id other = CLAP_INVALID_ID;
        EXPECT_FALSE (timers.register_timer (&hosted.host, 16, &other));
        EXPECT_FALSE (timers.unregister_timer (&hosted.host, id));
        EXPECT_FALSE (fds.register_fd (&hosted.host, 8, CLAP_POSIX_FD_READ));
        EXPECT_FALSE (fds.modify_fd (&hosted.host, 7, CLAP_POSIX_FD_WRITE));
        EXPECT_FALSE (fds.unregister_fd (&hosted.host, 7));
    }).join();

    EXPECT_EQ (hosted.timers().size(), 1u);
    ASSERT_EQ (hosted.fileDescriptors().size(), 1u);
    EXPECT_EQ (hosted.fileDescriptors()[0].flags, static_cast<clap_posix_fd_flags_t> (CLAP_POSIX_FD_READ));
}

TEST (ClapHostedPlugin, FollowsResizeRequestsOnTheMainThread)
{
    using Size = ClapHostedPlugin::Size;
    Unloaded unloaded;
    auto& hosted = unloaded.hosted;
    const auto& gui = hostExtension<clap_host_gui> (hosted, CLAP_EXT_GUI);
    ASSERT_NE (gui.request_resize, nullptr);

    const auto mainThread = std::this_thread::get_id();
    std::vector<Size> followed;
    hosted.onResizeRequest = [&] (Size size) {
        EXPECT_EQ (std::this_thread::get_id(), mainThread);
        followed.push_back (size);
        return size.width <= 1000;
    };

    EXPECT_TRUE (gui.request_resize (&hosted.host, 960, 960));
    EXPECT_FALSE (gui.request_resize (&hosted.host, 2000, 960)) << "the window's answer is the plug-in's";

    bool acknowledged = false;
    std::thread ([&] { acknowledged = gui.request_resize (&hosted.host, 500, 500); }).join();
    EXPECT_TRUE (acknowledged);
    EXPECT_EQ (followed.size(), 2u) << "the window followed off the main thread";

    hosted.runRequestedCallback();
    EXPECT_EQ (followed, (std::vector<Size> { { 960, 960 }, { 2000, 960 }, { 500, 500 } }));
    EXPECT_EQ (hosted.requestedSizes(), followed);

    EXPECT_FALSE (gui.request_show (&hosted.host));
    EXPECT_FALSE (gui.request_hide (&hosted.host));
    EXPECT_FALSE (hosted.guiClosed);
    gui.closed (&hosted.host, true);
    EXPECT_TRUE (hosted.guiClosed);
}

TEST (ClapHostedPlugin, CallsBackOnlyWhatThePluginRegistered)
{
    ClapPluginLibrary library (RAVELWICK_PROBE_PLUGIN);
    ClapHostedPlugin hosted (library);
    ASSERT_TRUE (hosted.isReady()) << hosted.error();
    ASSERT_EQ (hosted.timers().size(), 1u);
    ASSERT_EQ (hosted.fileDescriptors().size(), 1u);

    const auto timer = hosted.timers()[0].id;
    const auto fd = hosted.fileDescriptors()[0].fd;
    EXPECT_TRUE (hosted.fireTimer (timer));
    EXPECT_FALSE (hosted.fireTimer (timer + 1));
    EXPECT_TRUE (hosted.reportFileDescriptor (fd, CLAP_POSIX_FD_READ));
    EXPECT_FALSE (hosted.reportFileDescriptor (fd + 100, CLAP_POSIX_FD_READ));

    // The probe reads a byte for each report; there was none to read.
    EXPECT_EQ (hosted.log, (std::vector<std::string> { hosted.log.front(), "1: timer", "1: fd ? " + std::to_string (CLAP_POSIX_FD_READ) }));
}
