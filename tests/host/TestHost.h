#pragma once

#include "clap/clap.h"

#include <cstring>
#include <string>
#include <vector>

/** A CLAP host of our own for tests: it records what is logged, answers the
    thread checks as the test says, and counts callback requests.
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

    // What the host offers.
    bool offersLog = true;
    bool offersThreadCheck = true;
    bool offersTrackInfo = true;
    bool offersTrackInfoOnlyAsDraft = false;

    // What the thread check answers.
    bool onMainThread = true;
    bool onAudioThread = false;

    std::vector<LogEntry> log;
    std::vector<std::string> extensionRequests;
    int callbackRequests = 0;
    int restartRequests = 0;

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

        return nullptr;
    }
};
