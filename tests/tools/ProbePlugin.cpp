// A plug-in for testing hosts' main-thread services. At init it registers a
// 10 ms timer and the read end of a pipe, and logs "pipe <write end>". It logs
// each callback it gets ("timer", "main thread", "fd <byte> <flags>"), taking
// one byte from the pipe per on_fd, so that bytes written to the pipe act as
// commands: 't' unregisters the timer, 'u' the pipe, and 'c' asks for a
// main-thread callback.

#include "clap/clap.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace
{
constexpr std::uint32_t kTimerPeriodMs = 10;

struct Probe
{
    clap_plugin plugin {};
    const clap_host* host = nullptr;
    const clap_host_log* log = nullptr;
    const clap_host_timer_support* timers = nullptr;
    const clap_host_posix_fd_support* fds = nullptr;
    clap_id timer = CLAP_INVALID_ID;
    int pipeEnds[2] = { -1, -1 };
};

Probe& probeOf (const clap_plugin* plugin)
{
    return *static_cast<Probe*> (plugin->plugin_data);
}

void say (const Probe& probe, const std::string& message)
{
    if (probe.log != nullptr)
        probe.log->log (probe.host, CLAP_LOG_INFO, message.c_str());
}

template <typename Extension>
const Extension* hostExtension (const clap_host* host, const char* id)
{
    return static_cast<const Extension*> (host->get_extension (host, id));
}

const clap_plugin_timer_support timerSupport { [] (const clap_plugin* plugin, clap_id) { say (probeOf (plugin), "timer"); } };

const clap_plugin_posix_fd_support fdSupport { [] (const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags) {
    auto& probe = probeOf (plugin);
    char command = 0;
    if (read (fd, &command, 1) != 1)
        command = '?';
    say (probe, std::string ("fd ") + command + " " + std::to_string (flags));

    if (command == 't' && probe.timers->unregister_timer (probe.host, probe.timer))
        probe.timer = CLAP_INVALID_ID;
    else if (command == 'u')
        probe.fds->unregister_fd (probe.host, fd);
    else if (command == 'c')
        probe.host->request_callback (probe.host);
} };

const char* const kFeatures[] = { CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, nullptr };
const clap_plugin_descriptor kDescriptor { CLAP_VERSION_INIT, "com.ravelwick.probe", "Probe", "Ravelwick", "", "", "", "1", "", kFeatures };

const clap_plugin* createProbe (const clap_host* host)
{
    auto* probe = new Probe();
    probe->host = host;
    auto& plugin = probe->plugin;
    plugin.desc = &kDescriptor;
    plugin.plugin_data = probe;

    plugin.init = [] (const clap_plugin* p) {
        auto& self = probeOf (p);
        self.log = hostExtension<clap_host_log> (self.host, CLAP_EXT_LOG);
        self.timers = hostExtension<clap_host_timer_support> (self.host, CLAP_EXT_TIMER_SUPPORT);
        self.fds = hostExtension<clap_host_posix_fd_support> (self.host, CLAP_EXT_POSIX_FD_SUPPORT);
        if (self.timers == nullptr || self.fds == nullptr || pipe2 (self.pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0)
            return false;

        say (self, "pipe " + std::to_string (self.pipeEnds[1]));
        return self.timers->register_timer (self.host, kTimerPeriodMs, &self.timer)
               && self.fds->register_fd (self.host, self.pipeEnds[0], CLAP_POSIX_FD_READ);
    };
    plugin.destroy = [] (const clap_plugin* p) {
        auto* self = &probeOf (p);
        if (self->timer != CLAP_INVALID_ID)
            self->timers->unregister_timer (self->host, self->timer);
        if (self->pipeEnds[0] >= 0)
        {
            self->fds->unregister_fd (self->host, self->pipeEnds[0]);
            close (self->pipeEnds[0]);
            close (self->pipeEnds[1]);
        }
        delete self;
    };
    plugin.activate = [] (const clap_plugin*, double, std::uint32_t, std::uint32_t) { return true; };
    plugin.deactivate = [] (const clap_plugin*) {};
    plugin.start_processing = [] (const clap_plugin*) { return true; };
    plugin.stop_processing = [] (const clap_plugin*) {};
    plugin.reset = [] (const clap_plugin*) {};
    plugin.process = [] (const clap_plugin*, const clap_process*) -> clap_process_status { return CLAP_PROCESS_CONTINUE; };
    plugin.get_extension = [] (const clap_plugin*, const char* id) -> const void* {
        if (std::string (id) == CLAP_EXT_TIMER_SUPPORT)
            return &timerSupport;
        if (std::string (id) == CLAP_EXT_POSIX_FD_SUPPORT)
            return &fdSupport;
        return nullptr;
    };
    plugin.on_main_thread = [] (const clap_plugin* p) { say (probeOf (p), "main thread"); };
    return &plugin;
}

const clap_plugin_factory kFactory {
    [] (const clap_plugin_factory*) { return 1u; },
    [] (const clap_plugin_factory*, std::uint32_t index) { return index == 0 ? &kDescriptor : nullptr; },
    [] (const clap_plugin_factory*, const clap_host* host, const char* id) {
        return id != nullptr && std::string (id) == kDescriptor.id ? createProbe (host) : nullptr;
    },
};
} // namespace

CLAP_EXPORT extern const clap_plugin_entry clap_entry;
const clap_plugin_entry clap_entry {
    CLAP_VERSION_INIT,
    [] (const char*) { return true; },
    [] {},
    [] (const char* id) -> const void* { return std::string (id) == CLAP_PLUGIN_FACTORY_ID ? &kFactory : nullptr; },
};
