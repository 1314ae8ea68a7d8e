#pragma once

#include "clap/clap.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

/** A CLAP host of our own for tests: it records what is logged, answers the
    thread checks as the test says, counts callback requests, and on request
    offers the gui, timer, file-descriptor and context-menu extensions,
    recording what the plug-in asks of them.
*/
class TestHost
{
public:
    struct LogEntry
    {
        clap_log_severity severity;
        std::string message;
    };

    TestHost()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "Ravelwick test host";
        host.vendor = "Ravelwick";
        host.url = "";
        host.version = "1";
        host.get_extension = getExtension;
        host.request_restart = [] (const clap_host* h) { self (h).restartRequests++; };
        host.request_process = [] (const clap_host*) {};
        host.request_callback = [] (const clap_host* h) { self (h).callbackRequests++; };

        logExtension.log = [] (const clap_host* h, clap_log_severity severity, const char* message) {
            self (h).log.push_back ({ severity, message });
        };
        threadCheckExtension.is_main_thread = [] (const clap_host* h) { return self (h).onMainThread; };
        threadCheckExtension.is_audio_thread = [] (const clap_host* h) { return self (h).onAudioThread; };
        trackInfoExtension.get = [] (const clap_host*, clap_track_info* info) {
            std::memset (info, 0, sizeof (*info));
            return true;
        };

        guiExtension.resize_hints_changed = [] (const clap_host*) {};
        guiExtension.request_resize = [] (const clap_host* h, std::uint32_t width, std::uint32_t height) {
            self (h).resizeRequests.emplace_back (width, height);
            return true;
        };
        guiExtension.request_show = [] (const clap_host*) { return false; };
        guiExtension.request_hide = [] (const clap_host*) { return false; };
        guiExtension.closed = [] (const clap_host*, bool) {};

        timerExtension.register_timer = [] (const clap_host* h, std::uint32_t periodMs, clap_id* id) {
            auto& test = self (h);
            *id = test.nextTimerId++;
            test.timers.emplace_back (*id, periodMs);
            return true;
        };
        timerExtension.unregister_timer = [] (const clap_host* h, clap_id id) {
            auto& timers = self (h).timers;
            const auto found = std::find_if (timers.begin(), timers.end(), [id] (const auto& t) { return t.first == id; });
            if (found == timers.end())
                return false;
            timers.erase (found);
            return true;
        };

        fdExtension.register_fd = [] (const clap_host* h, int fd, clap_posix_fd_flags_t) {
            auto& fds = self (h).fds;
            if (std::find (fds.begin(), fds.end(), fd) != fds.end())
                return false;
            fds.push_back (fd);
            return true;
        };
        fdExtension.modify_fd = [] (const clap_host* h, int fd, clap_posix_fd_flags_t) {
            const auto& fds = self (h).fds;
            return std::find (fds.begin(), fds.end(), fd) != fds.end();
        };
        fdExtension.unregister_fd = [] (const clap_host* h, int fd) {
            auto& fds = self (h).fds;
            const auto found = std::find (fds.begin(), fds.end(), fd);
            if (found == fds.end())
                return false;
            fds.erase (found);
            return true;
        };

        contextMenuExtension.populate = [] (const clap_host* h, const clap_context_menu_target* target, const clap_context_menu_builder* builder) {
            auto& test = self (h);
            test.menuTargets.push_back (*target);
            if (test.populateMenu)
                test.populateMenu (*builder);
            return true;
        };
        contextMenuExtension.perform = [] (const clap_host* h, const clap_context_menu_target*, clap_id action) {
            self (h).performedActions.push_back (action);
            return true;
        };
        contextMenuExtension.can_popup = [] (const clap_host* h) { return self (h).canPopup; };
        contextMenuExtension.popup = [] (const clap_host* h, const clap_context_menu_target* target, std::int32_t screen, std::int32_t x, std::int32_t y) {
            self (h).popups.push_back ({ *target, screen, x, y });
            return true;
        };
    }

    /** The messages logged so far, without their severities. */
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const auto& entry : log)
            texts.push_back (entry.message);
        return texts;
    }

    clap_host host {};
    clap_host_log logExtension {};
    clap_host_thread_check threadCheckExtension {};
    clap_host_track_info trackInfoExtension {};
    clap_host_gui guiExtension {};
    clap_host_timer_support timerExtension {};
    clap_host_posix_fd_support fdExtension {};
    clap_host_context_menu contextMenuExtension {};

    // What the host offers.
    bool offersLog = true;
    bool offersThreadCheck = true;
    bool offersTrackInfo = true;
    bool offersTrackInfoOnlyAsDraft = false;
    bool offersGui = false;
    bool offersTimers = false;
    bool offersFds = false;
    bool offersContextMenu = false;

    // What the thread check answers.
    bool onMainThread = true;
    bool onAudioThread = false;

    std::vector<LogEntry> log;
    std::vector<std::string> extensionRequests;
    int callbackRequests = 0;
    int restartRequests = 0;

    struct Popup
    {
        clap_context_menu_target target;
        std::int32_t screen, x, y;
    };

    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;
    std::vector<std::pair<clap_id, std::uint32_t>> timers; ///< id, period
    std::vector<int> fds;
    clap_id nextTimerId = 1;
    std::function<void (const clap_context_menu_builder&)> populateMenu;
    std::vector<clap_context_menu_target> menuTargets;
    std::vector<clap_id> performedActions;
    std::vector<Popup> popups;
    bool canPopup = true;

private:
    static TestHost& self (const clap_host* h) { return *static_cast<TestHost*> (h->host_data); }

    static const void* getExtension (const clap_host* h, const char* id)
    {
        auto& test = self (h);
        test.extensionRequests.push_back (id);

        if (test.offersLog && std::strcmp (id, CLAP_EXT_LOG) == 0)
            return &test.logExtension;
        if (test.offersThreadCheck && std::strcmp (id, CLAP_EXT_THREAD_CHECK) == 0)
            return &test.threadCheckExtension;
        if (test.offersTrackInfo && std::strcmp (id, test.offersTrackInfoOnlyAsDraft ? CLAP_EXT_TRACK_INFO_COMPAT : CLAP_EXT_TRACK_INFO) == 0)
            return &test.trackInfoExtension;
        if (test.offersGui && std::strcmp (id, CLAP_EXT_GUI) == 0)
            return &test.guiExtension;
        if (test.offersTimers && std::strcmp (id, CLAP_EXT_TIMER_SUPPORT) == 0)
            return &test.timerExtension;
        if (test.offersFds && std::strcmp (id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
            return &test.fdExtension;
        if (test.offersContextMenu && std::strcmp (id, CLAP_EXT_CONTEXT_MENU) == 0)
            return &test.contextMenuExtension;

        return nullptr;
    }
};
