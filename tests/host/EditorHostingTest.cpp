#include "ClapProcessorWrapper.h"
#include "../StubAudioProcessor.h"
#include "LooperAudioProcessor.h"
#include "MessageLoopDriver.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
/** An editor of a chosen size and constrainer, for the size rules. */
class ProbeEditor : public juce::AudioProcessorEditor
{
public:
    explicit ProbeEditor (juce::AudioProcessor& processor)
        : AudioProcessorEditor (processor)
    {
        setSize (400, 300);
    }

    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
};

class EditorProbeProcessor : public StubAudioProcessor
{
public:
    bool hasEditor() const override { return true; }
    juce::AudioProcessorEditor* createEditor() override { return makesEditor ? new ProbeEditor (*this) : nullptr; }

    bool makesEditor = true;
};

/** A plug-in instance with its own host, initialised, destroyed at the end. */
struct Hosted
{
    explicit Hosted (std::unique_ptr<juce::AudioProcessor> processor, const std::function<void (TestHost&)>& configure = {})
    {
        if (configure)
            configure (host);
        host.offersThreadCheck = false;
        wrapper = new ClapProcessorWrapper (&host.host, std::move (processor));
        plugin = wrapper->clapPlugin();
        plugin->init (plugin);
        gui = static_cast<const clap_plugin_gui*> (plugin->get_extension (plugin, CLAP_EXT_GUI));
    }

    ~Hosted() { destroy(); }

    void destroy()
    {
        if (plugin != nullptr)
            plugin->destroy (plugin);
        plugin = nullptr;
    }

    std::pair<std::uint32_t, std::uint32_t> size() const
    {
        std::uint32_t width = 0, height = 0;
        EXPECT_TRUE (gui->get_size (plugin, &width, &height));
        return { width, height };
    }

    std::pair<std::uint32_t, std::uint32_t> adjusted (std::uint32_t width, std::uint32_t height) const
    {
        EXPECT_TRUE (gui->adjust_size (plugin, &width, &height));
        return { width, height };
    }

    juce::AudioProcessorEditor* editor() const { return wrapper->getProcessor().getActiveEditor(); }

    TestHost host;
    ClapProcessorWrapper* wrapper = nullptr;
    const clap_plugin* plugin = nullptr;
    const clap_plugin_gui* gui = nullptr;
};

std::unique_ptr<juce::AudioProcessor> makeLooper()
{
    return std::make_unique<LooperAudioProcessor>();
}

using Size = std::pair<std::uint32_t, std::uint32_t>;
} // namespace

TEST (EditorHosting, SupportsEmbeddedWindowsOfTheThreeApisOnly)
{
    Hosted hosted (makeLooper());
    ASSERT_NE (hosted.gui, nullptr);

    const struct
    {
        const char* api;
        bool floating, supported;
    } cases[] = {
        { "x11", false, true }, { "cocoa", false, true }, { "win32", false, true }, { "x11", true, false },
        { "wayland", false, false }, { "X11", false, false }, { "", false, false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (hosted.gui->is_api_supported (hosted.plugin, c.api, c.floating), c.supported) << c.api << ' ' << c.floating;

    EXPECT_FALSE (hosted.gui->create (hosted.plugin, nullptr, true)) << "floating windows are never made";
}

TEST (EditorHosting, TheWindowFollowsTheScaleAndTheEditorsOwnSize)
{
    Hosted hosted (makeLooper(), [] (TestHost& host) {
        host.offersGui = true;
        host.offersTimers = true;
    });
    auto& requests = hosted.host.resizeRequests;

    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_EQ (hosted.size(), Size (480, 480));
    EXPECT_TRUE (requests.empty());
    EXPECT_TRUE (hosted.gui->can_resize (hosted.plugin));
    EXPECT_FALSE (hosted.gui->show (hosted.plugin)) << "no parent yet";

    EXPECT_TRUE (hosted.gui->set_scale (hosted.plugin, 2.0));
    EXPECT_EQ (hosted.size(), Size (960, 960));
    EXPECT_EQ (requests, (std::vector<Size> { { 960, 960 } }));
    EXPECT_EQ (hosted.editor()->getWidth(), 480) << "the editor keeps its logical size";

    EXPECT_TRUE (hosted.gui->set_scale (hosted.plugin, 150.0)) << "above 50 is a percentage";
    EXPECT_EQ (hosted.size(), Size (720, 720));
    EXPECT_EQ (hosted.adjusted (900, 600), Size (600, 600));
    EXPECT_EQ (hosted.adjusted (10, 10), Size (180, 180)) << "the smallest size, scaled";

    for (const double broken : { 0.0, -1.0, std::nan (""), std::numeric_limits<double>::infinity() })
        EXPECT_FALSE (hosted.gui->set_scale (hosted.plugin, broken)) << broken;
    EXPECT_EQ (hosted.size(), Size (720, 720));

    EXPECT_TRUE (hosted.gui->set_scale (hosted.plugin, 1.0));
    EXPECT_EQ (hosted.adjusted (900, 600), Size (600, 600));
    requests.clear();

    // The host's own resize reaches the editor and asks nothing back.
    EXPECT_TRUE (hosted.gui->set_size (hosted.plugin, 600, 600));
    EXPECT_EQ (hosted.editor()->getWidth(), 600);
    EXPECT_TRUE (requests.empty());

    // The editor's own resize asks the host once and is not undone.
    hosted.editor()->setSize (500, 500);
    EXPECT_EQ (requests, (std::vector<Size> { { 500, 500 } }));
    EXPECT_EQ (hosted.editor()->getWidth(), 500);
    EXPECT_EQ (hosted.size(), Size (500, 500));

    // A new editor opens at the size the last one stored, and is not shown
    // until it has a parent again.
    hosted.gui->destroy (hosted.plugin);
    EXPECT_EQ (hosted.editor(), nullptr);
    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_EQ (hosted.size(), Size (500, 500));
    EXPECT_FALSE (hosted.gui->show (hosted.plugin));
    EXPECT_TRUE (hosted.host.log.empty()) << hosted.host.log.front().message;
}

TEST (EditorHosting, WithoutAHostGuiTheEditorStillScales)
{
    Hosted hosted (makeLooper());
    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_TRUE (hosted.gui->set_scale (hosted.plugin, 2.0));
    EXPECT_EQ (hosted.size(), Size (960, 960));

    Hosted partial (makeLooper(), [] (TestHost& host) {
        host.offersGui = true;
        host.guiExtension.request_resize = nullptr;
    });
    ASSERT_TRUE (partial.gui->create (partial.plugin, CLAP_WINDOW_API_X11, false));
    partial.host.log.clear();
    EXPECT_TRUE (partial.gui->set_scale (partial.plugin, 2.0));
    EXPECT_EQ (partial.size(), Size (960, 960));
    EXPECT_EQ (partial.host.messages(), (std::vector<std::string> { "clap_host_gui is partially implemented" }));
}

TEST (EditorHosting, AdjustedSizesFollowTheEditorsConstrainer)
{
    const struct
    {
        const char* name;
        bool constrained;
        double aspect, scale;
        Size requested, answered;
    } cases[] = {
        { "limits", true, 0.0, 1.0, { 100, 900 }, { 200, 800 } },
        { "inside the limits", true, 0.0, 1.0, { 640, 480 }, { 640, 480 } },
        { "aspect ratio from the height", true, 1.5, 1.0, { 500, 300 }, { 450, 300 } },
        { "limits scaled", true, 0.0, 2.0, { 100, 1700 }, { 400, 1600 } },
        { "no constrainer", false, 0.0, 1.0, { 7, 99999 }, { 7, 99999 } },
    };

    for (const auto& c : cases)
    {
        Hosted hosted (std::make_unique<EditorProbeProcessor>());
        ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
        auto* editor = hosted.editor();
        editor->setResizable (true, false);
        editor->setResizeLimits (200, 100, 1000, 800);
        if (! c.constrained)
            editor->setConstrainer (nullptr);
        else if (c.aspect > 0.0)
            editor->getConstrainer()->setFixedAspectRatio (c.aspect);
        hosted.gui->set_scale (hosted.plugin, c.scale);

        EXPECT_EQ (hosted.adjusted (c.requested.first, c.requested.second), c.answered) << c.name;
    }

    Hosted fixed (std::make_unique<EditorProbeProcessor>());
    ASSERT_TRUE (fixed.gui->create (fixed.plugin, CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 10, height = 20;
    EXPECT_FALSE (fixed.gui->adjust_size (fixed.plugin, &width, &height)) << "a fixed-size editor adjusts nothing";
    EXPECT_EQ (Size (width, height), Size (10, 20));
    EXPECT_FALSE (fixed.gui->can_resize (fixed.plugin));
}

TEST (EditorHosting, AFailedCreateIsReportedAndTheNextOneWorks)
{
    auto owned = std::make_unique<EditorProbeProcessor>();
    auto* processor = owned.get();
    processor->makesEditor = false;
    Hosted hosted (std::move (owned));

    EXPECT_FALSE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
    processor->makesEditor = true;
    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_EQ (hosted.size(), Size (400, 300));
}

//==============================================================================
TEST (MessageLoopDriver, WarnsAtCreateWhenNoHostServicesTheLoop)
{
    const auto warnings = [] (Hosted& hosted) {
        hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false);
        int count = 0;
        for (const auto& entry : hosted.host.log)
            count += entry.severity == CLAP_LOG_WARNING && entry.message.find ("clap.timer-support") != std::string::npos;
        return count;
    };

    Hosted bare (makeLooper());
    EXPECT_EQ (warnings (bare), 1);
    bare.destroy();

    Hosted serviced (makeLooper(), [] (TestHost& host) { host.offersTimers = true; });
    EXPECT_EQ (warnings (serviced), 0);
}

TEST (MessageLoopDriver, OneHostServicesTheLoopAndHandsItOnWhenItsInstanceGoes)
{
    const auto servicing = [] (TestHost& host) {
        host.offersTimers = true;
        host.offersFds = true;
    };

    Hosted first (makeLooper(), servicing);
    Hosted second (makeLooper(), servicing);

    ASSERT_EQ (first.host.timers.size(), 1u);
    EXPECT_EQ (first.host.timers[0].second, MessageLoopDriver::timerPeriodMs);
    EXPECT_FALSE (first.host.fds.empty()) << "JUCE's message queue has a descriptor from the start";
    EXPECT_TRUE (second.host.timers.empty());
    EXPECT_TRUE (second.host.fds.empty());

    int delivered = 0;
    const auto post = [&delivered] { juce::MessageManager::callAsync ([&delivered] { ++delivered; }); };
    const auto* firstTimers = static_cast<const clap_plugin_timer_support*> (first.plugin->get_extension (first.plugin, CLAP_EXT_TIMER_SUPPORT));
    const auto* firstFds = static_cast<const clap_plugin_posix_fd_support*> (first.plugin->get_extension (first.plugin, CLAP_EXT_POSIX_FD_SUPPORT));
    const auto* secondTimers = static_cast<const clap_plugin_timer_support*> (second.plugin->get_extension (second.plugin, CLAP_EXT_TIMER_SUPPORT));

    post();
    secondTimers->on_timer (second.plugin, 1);
    EXPECT_EQ (delivered, 0) << "only the servicing host's timer dispatches";
    firstTimers->on_timer (first.plugin, first.host.timers[0].first);
    EXPECT_EQ (delivered, 1);

    post();
    for (const int fd : first.host.fds)
        firstFds->on_fd (first.plugin, fd, CLAP_POSIX_FD_READ);
    EXPECT_EQ (delivered, 2) << "the ready queue descriptor dispatches";

    first.destroy();
    EXPECT_TRUE (first.host.timers.empty()) << "everything is unregistered";
    EXPECT_TRUE (first.host.fds.empty());
    ASSERT_EQ (second.host.timers.size(), 1u);
    EXPECT_FALSE (second.host.fds.empty());

    post();
    secondTimers->on_timer (second.plugin, second.host.timers[0].first);
    EXPECT_EQ (delivered, 3);

    second.destroy();
    EXPECT_TRUE (second.host.timers.empty());
    EXPECT_TRUE (second.host.fds.empty());
}

TEST (MessageLoopDriver, PartialHostExtensionsAreReportedAndLeftAlone)
{
    Hosted hosted (makeLooper(), [] (TestHost& host) {
        host.offersTimers = true;
        host.timerExtension.unregister_timer = nullptr;
        host.offersFds = true;
        host.fdExtension.modify_fd = nullptr;
    });

    EXPECT_TRUE (hosted.host.timers.empty());
    EXPECT_TRUE (hosted.host.fds.empty());
    const auto messages = hosted.host.messages();
    EXPECT_NE (std::find (messages.begin(), messages.end(), "clap_host_timer_support is partially implemented"), messages.end());
    EXPECT_NE (std::find (messages.begin(), messages.end(), "clap_host_posix_fd_support is partially implemented"), messages.end());
}

//==============================================================================
namespace
{
/** Describes a menu line by line: "id label" for entries, with "(off)" and
    "(ticked)", "---" for separators, "# title" for headers, and submenus as
    "[label]" with their items indented.
*/
void describe (const juce::PopupMenu& menu, std::vector<std::string>& lines, const std::string& indent = {})
{
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        std::string line = indent;
        if (item.isSeparator)
            line += "---";
        else if (item.isSectionHeader)
            line += "# " + item.text.toStdString();
        else if (item.subMenu != nullptr)
            line += "[" + item.text.toStdString() + "]";
        else
            line += std::to_string (item.itemID) + " " + item.text.toStdString();

        if (! item.isEnabled && ! item.isSectionHeader && ! item.isSeparator)
            line += " (off)";
        if (item.isTicked)
            line += " (ticked)";
        lines.push_back (line);

        if (item.subMenu != nullptr)
            describe (*item.subMenu, lines, indent + "  ");
    }
}

std::vector<std::string> describe (const juce::PopupMenu& menu)
{
    std::vector<std::string> lines;
    describe (menu, lines);
    return lines;
}

const juce::PopupMenu::Item* findItem (const juce::PopupMenu& menu, int id)
{
    for (juce::PopupMenu::MenuItemIterator it (menu, true); it.next();)
        if (it.getItem().itemID == id)
            return &it.getItem();
    return nullptr;
}

void addHostMenu (const clap_context_menu_builder& builder)
{
    const auto add = [&builder] (clap_context_menu_item_kind_t kind, const void* data = nullptr) { builder.add_item (&builder, kind, data); };
    const clap_context_menu_entry automate { "Automate", true, 10 };
    const clap_context_menu_submenu learn { "MIDI learn", true };
    const clap_context_menu_entry learnNow { "Learn", true, 11 };
    const clap_context_menu_entry forget { "Forget", false, 12 };
    const clap_context_menu_check_entry lock { "Lock", true, true, 13 };
    const clap_context_menu_item_title title { "Track", true };
    const clap_context_menu_submenu outer { "Outer", true };
    const clap_context_menu_submenu inner { "Inner", false };
    const clap_context_menu_entry deep { "Deep", true, 14 };

    add (CLAP_CONTEXT_MENU_ITEM_END_SUBMENU);
    add (CLAP_CONTEXT_MENU_ITEM_ENTRY, &automate);
    add (CLAP_CONTEXT_MENU_ITEM_SEPARATOR);
    add (CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU, &learn);
    add (CLAP_CONTEXT_MENU_ITEM_ENTRY, &learnNow);
    add (CLAP_CONTEXT_MENU_ITEM_ENTRY, &forget);
    add (CLAP_CONTEXT_MENU_ITEM_END_SUBMENU);
    add (CLAP_CONTEXT_MENU_ITEM_CHECK_ENTRY, &lock);
    add (CLAP_CONTEXT_MENU_ITEM_TITLE, &title);
    add (CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU, &outer);
    add (CLAP_CONTEXT_MENU_ITEM_BEGIN_SUBMENU, &inner);
    add (CLAP_CONTEXT_MENU_ITEM_ENTRY, &deep);
    add (CLAP_CONTEXT_MENU_ITEM_END_SUBMENU);
    add (CLAP_CONTEXT_MENU_ITEM_END_SUBMENU);
    add (99);
    EXPECT_TRUE (builder.supports (&builder, CLAP_CONTEXT_MENU_ITEM_TITLE));
}

std::unique_ptr<juce::HostProvidedContextMenu> menuFor (Hosted& hosted, const char* parameterId)
{
    auto& processor = hosted.wrapper->getProcessor();
    const auto* context = hosted.editor()->getHostContext();
    EXPECT_NE (context, nullptr);
    auto* parameter = parameterId != nullptr ? dynamic_cast<LooperAudioProcessor&> (processor).apvts.getParameter (parameterId) : nullptr;
    return context->getContextMenuForParameter (parameter);
}
} // namespace

TEST (EditorContextMenu, TurnsTheHostsItemsIntoAPopupMenu)
{
    Hosted hosted (makeLooper(), [] (TestHost& host) {
        host.offersContextMenu = true;
        host.populateMenu = addHostMenu;
    });
    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));

    const auto menu = menuFor (hosted, "record");
    ASSERT_NE (menu, nullptr);
    const auto popup = menu->getEquivalentPopupMenu();
    const std::vector<std::string> expected {
        "1 Automate", "---", "[MIDI learn]", "  2 Learn", "  3 Forget (off)", "4 Lock (ticked)", "# Track",
        "[Outer]", "  [Inner] (off)", "    5 Deep",
    };
    EXPECT_EQ (describe (popup), expected);
    EXPECT_EQ (describe (menu->getEquivalentPopupMenu()), expected) << "asking again repeats nothing";

    ASSERT_EQ (hosted.host.menuTargets.size(), 2u);
    EXPECT_EQ (hosted.host.menuTargets[0].kind, static_cast<std::uint32_t> (CLAP_CONTEXT_MENU_TARGET_KIND_PARAM));
    EXPECT_EQ (hosted.host.menuTargets[0].id, ClapProcessorWrapper::parameterIdFor ("record"));

    const auto* lock = findItem (popup, 4);
    ASSERT_NE (lock, nullptr);
    lock->action();
    EXPECT_EQ (hosted.host.performedActions, (std::vector<clap_id> { 13 }));
}

TEST (EditorContextMenu, ShowsTheHostsOwnMenuOnlyWhenItCan)
{
    Hosted hosted (makeLooper(), [] (TestHost& host) { host.offersContextMenu = true; });
    ASSERT_TRUE (hosted.gui->create (hosted.plugin, CLAP_WINDOW_API_X11, false));

    const auto global = menuFor (hosted, nullptr);
    ASSERT_NE (global, nullptr);
    global->showNativeMenu ({ 30, 40 });
    ASSERT_EQ (hosted.host.popups.size(), 1u);
    EXPECT_EQ (hosted.host.popups[0].target.kind, static_cast<std::uint32_t> (CLAP_CONTEXT_MENU_TARGET_KIND_GLOBAL));
    EXPECT_EQ (hosted.host.popups[0].target.id, 0u);
    EXPECT_EQ (hosted.host.popups[0].screen, 0);
    EXPECT_EQ (hosted.host.popups[0].x, 30);
    EXPECT_EQ (hosted.host.popups[0].y, 40);

    hosted.host.canPopup = false;
    global->showNativeMenu ({ 1, 2 });
    EXPECT_EQ (hosted.host.popups.size(), 1u);
}

TEST (EditorContextMenu, NeedsACompleteHostExtension)
{
    Hosted none (makeLooper());
    ASSERT_TRUE (none.gui->create (none.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_EQ (menuFor (none, "record"), nullptr);

    Hosted partial (makeLooper(), [] (TestHost& host) {
        host.offersContextMenu = true;
        host.contextMenuExtension.can_popup = nullptr;
    });
    ASSERT_TRUE (partial.gui->create (partial.plugin, CLAP_WINDOW_API_X11, false));
    partial.host.log.clear();
    EXPECT_EQ (menuFor (partial, "record"), nullptr);
    EXPECT_EQ (partial.host.messages(), (std::vector<std::string> { "clap_host_context_menu is partially implemented" }));
}
