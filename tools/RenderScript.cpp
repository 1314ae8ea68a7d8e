#include "RenderScript.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace
{
std::string lowerCase (std::string text)
{
    std::transform (text.begin(), text.end(), text.begin(), [] (unsigned char c) { return static_cast<char> (std::tolower (c)); });
    return text;
}

clap_id hashOf (const std::string& text)
{
    std::uint32_t hash = 0;
    for (const unsigned char c : text)
        hash = 31u * hash + c;
    return hash;
}
} // namespace

RenderScript::RenderScript (const std::string& text)
{
    std::istringstream lines (text);
    std::string line;

    for (int number = 1; std::getline (lines, line); ++number)
    {
        line = line.substr (0, line.find ('#'));
        std::istringstream words (line);
        std::string frame, kind;

        if (! (words >> frame))
            continue;

        Action action;
        try
        {
            std::size_t used = 0;
            action.frame = std::stoull (frame, &used);
            if (used != frame.size())
                throw std::invalid_argument (frame);
        }
        catch (const std::exception&)
        {
            problem = "line " + std::to_string (number) + ": '" + frame + "' is not a frame number";
            return;
        }

        words >> kind;
        bool read = false;

        if (kind == "param")
        {
            action.kind = Action::Kind::parameter;
            read = static_cast<bool> (words >> action.parameter >> action.value);
        }
        else if (kind == "note-on" || kind == "note-off")
        {
            action.kind = kind == "note-on" ? Action::Kind::noteOn : Action::Kind::noteOff;
            action.value = 1.0;
            read = static_cast<bool> (words >> action.key) && action.key >= 0 && action.key <= 127;
            if (read && action.kind == Action::Kind::noteOn && ! (words >> action.value))
                action.value = 1.0;
        }

        if (! read)
        {
            problem = "line " + std::to_string (number) + ": expected '<frame> param <id or name> <value>', '<frame> note-on <key> [<velocity>]' or '<frame> note-off <key>'";
            return;
        }

        actions.push_back (action);
    }

    std::stable_sort (actions.begin(), actions.end(), [] (const Action& a, const Action& b) { return a.frame < b.frame; });
}

bool RenderScript::findParameter (ClapHostedPlugin& plugin, const std::string& name, clap_id& id)
{
    const auto* params = plugin.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
    if (params == nullptr)
        return false;

    const bool numeric = ! name.empty() && std::all_of (name.begin(), name.end(), [] (unsigned char c) { return std::isdigit (c); });
    const auto wanted = lowerCase (name);

    for (std::uint32_t i = 0; i < params->count (plugin.plugin); ++i)
    {
        clap_param_info info {};
        if (! params->get_info (plugin.plugin, i, &info))
            continue;

        if ((numeric && std::to_string (info.id) == name) || lowerCase (info.name) == wanted || info.id == hashOf (name))
        {
            id = info.id;
            return true;
        }
    }

    return false;
}

bool RenderScript::eventsForBlock (ClapHostedPlugin& plugin, std::uint64_t blockStart, std::uint32_t frames,
                                   std::vector<ClapHostedPlugin::Event>& events, std::string& errorMessage) const
{
    events.clear();

    for (const auto& action : actions)
    {
        if (action.frame < blockStart || action.frame >= blockStart + frames)
            continue;

        ClapHostedPlugin::Event event {};
        event.header.time = static_cast<std::uint32_t> (action.frame - blockStart);
        event.header.space_id = CLAP_CORE_EVENT_SPACE_ID;

        if (action.kind == Action::Kind::parameter)
        {
            clap_id id = 0;
            if (! findParameter (plugin, action.parameter, id))
            {
                errorMessage = "the plug-in has no parameter '" + action.parameter + "'";
                return false;
            }

            event.header.size = sizeof (clap_event_param_value);
            event.header.type = CLAP_EVENT_PARAM_VALUE;
            event.paramValue.param_id = id;
            event.paramValue.cookie = nullptr;
            event.paramValue.note_id = -1;
            event.paramValue.port_index = -1;
            event.paramValue.channel = -1;
            event.paramValue.key = -1;
            event.paramValue.value = action.value;
        }
        else
        {
            event.header.size = sizeof (clap_event_note);
            event.header.type = action.kind == Action::Kind::noteOn ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF;
            event.note.note_id = -1;
            event.note.port_index = 0;
            event.note.channel = 0;
            event.note.key = static_cast<std::int16_t> (action.key);
            event.note.velocity = action.value;
        }

        events.push_back (event);
    }

    return true;
}
