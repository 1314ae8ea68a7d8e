#pragma once

#include "ClapHostedPlugin.h"

#include <cstdint>
#include <string>
#include <vector>

/** Timed actions for an offline render, read from text. One action a line,
    at a frame counted from the start of the render; '#' starts a comment:

        <frame> param <id or name> <value>         plain parameter value
        <frame> note-on <key> [<velocity 0..1>]    on MIDI channel 1
        <frame> note-off <key>

    A parameter is named by its numeric CLAP id, by its name (any case), or by
    the id string whose 31-times hash is its CLAP id.
*/
class RenderScript
{
public:
    struct Action
    {
        std::uint64_t frame = 0;
        enum class Kind
        {
            parameter,
            noteOn,
            noteOff
        } kind
            = Kind::parameter;
        std::string parameter;
        double value = 0.0;
        int key = 0;
    };

    /** Reads the text; on a line it cannot read, error() says which. */
    explicit RenderScript (const std::string& text);

    bool isValid() const noexcept { return problem.empty(); }
    const std::string& error() const noexcept { return problem; }

    /** The actions, in frame order (lines with the same frame keep their order). */
    std::vector<Action> actions;

    /** Turns the actions of frames [blockStart, blockStart + frames) into the
        plug-in's events; a parameter it does not have is an error.
    */
    bool eventsForBlock (ClapHostedPlugin& plugin, std::uint64_t blockStart, std::uint32_t frames,
                         std::vector<ClapHostedPlugin::Event>& events, std::string& errorMessage) const;

    /** The CLAP id of a parameter named as the script allows, if the plug-in has it. */
    static bool findParameter (ClapHostedPlugin& plugin, const std::string& name, clap_id& id);

private:
    std::string problem;
};
