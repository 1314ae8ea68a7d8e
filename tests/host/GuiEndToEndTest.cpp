// The built RavelwickLooper.clap's editor, embedded in windows of the
// command-line host's own under X and used as a person would: real pointer
// events through XTest, and screenshots of what the X server shows.

#include "ClapHostedPlugin.h"
#include "ClapPluginLibrary.h"
#include "HostEventLoop.h"
#include "RealTimePlayer.h"
#include "RenderScript.h"
#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr int kEditorSide = 480; // the editor's size at scale 1
constexpr double kSampleRate = 48000.0;
constexpr std::uint32_t kBlockSize = 256;
constexpr auto kPatience = 10s;   // how long to wait for something that should happen at once
constexpr auto kHoldTime = 200ms; // how long a person holds the mouse button down
constexpr double kPi = 3.14159265358979323846;

// Where the editor draws, in its own unscaled coordinates: the background
// colour (Palette::gray2) in the margins, and two rows of four action buttons,
// REC first, with the status lights.
const juce::Colour kBackground (0xff101010);
const juce::Point<int> kMargins[] = { { 6, 6 }, { 240, 30 }, { 474, 6 }, { 6, 474 }, { 474, 474 }, { 240, 460 } };
const juce::Point<int> kRecCentre { 75, 120 };
constexpr int kButtonPitch = 110;
const juce::Rectangle<int> kButtonArea { 20, 65, 440, 220 };

/** The bundle, loaded once for the whole program as a host loads it. */
const ClapPluginLibrary& bundle()
{
    static const ClapPluginLibrary library (RAVELWICK_BUNDLE);
    return library;
}

juce::Point<int> scaled (juce::Point<int> point, double scale)
{
    return { static_cast<int> (std::lround (point.x * scale)), static_cast<int> (std::lround (point.y * scale)) };
}

bool isBackground (juce::Colour colour)
{
    return std::abs (colour.getRed() - kBackground.getRed()) <= 2 && std::abs (colour.getGreen() - kBackground.getGreen()) <= 2
           && std::abs (colour.getBlue() - kBackground.getBlue()) <= 2;
}

/** True when the picture shows the editor at this scale: the background in
    every margin and each of the eight buttons' faces on it.
*/
bool showsEditor (const juce::Image& picture, double scale)
{
    if (! picture.isValid() || picture.getWidth() < kEditorSide * scale || picture.getHeight() < kEditorSide * scale)
        return false;

    for (const auto margin : kMargins)
    {
        const auto point = scaled (margin, scale);
        if (! isBackground (picture.getPixelAt (point.x, point.y)))
            return false;
    }

    for (int row = 0; row < 2; ++row)
    {
        for (int column = 0; column < 4; ++column)
        {
            // Inside the face and its light ring, clear of the label.
            const auto face = scaled (kRecCentre + juce::Point<int> (column * kButtonPitch - 35, row * kButtonPitch - 30), scale);
            if (isBackground (picture.getPixelAt (face.x, face.y)))
                return false;
        }
    }
    return true;
}

int differingPixels (const juce::Image& a, const juce::Image& b, juce::Rectangle<int> area)
{
    int count = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            count += a.getPixelAt (x, y) != b.getPixelAt (x, y) ? 1 : 0;
    return count;
}

juce::AudioBuffer<float> tone()
{
    juce::AudioBuffer<float> buffer (2, static_cast<int> (kSampleRate));
    for (int i = 0; i < buffer.getNumSamples(); ++i)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, i, 0.5f * static_cast<float> (std::sin (2.0 * kPi * 440.0 * i / kSampleRate)));
    return buffer;
}

// Record a loop of half a second with two presses of REC, then let it play.
// The looper takes a press only after it has seen the button up.
const char* const kRecordALoop = "512 param record 1\n"
                                 "1024 param record 0\n"
                                 "24512 param record 1\n"
                                 "25024 param record 0\n";
constexpr std::uint64_t kLoopPlaysFrom = 25600;

/** One instance of the bundle's plug-in, serviced by a loop, whose editor is
    embedded in a window of its own at a given place on the screen.
*/
class HostedEditor
{
public:
    explicit HostedEditor (HostEventLoop& eventLoop, int windowLeft = 0)
        : loop (eventLoop), left (windowLeft)
    {
        loop.add (plugin);
        plugin.onResizeRequest = [this] (ClapHostedPlugin::Size size) {
            return ! window || window->setSize (static_cast<int> (size.width), static_cast<int> (size.height));
        };
    }

    ~HostedEditor()
    {
        close();
        loop.remove (plugin);
    }

    /** Creates the editor, at a scale other than 1 if asked. */
    bool create (double scale = 1.0)
    {
        created = gui != nullptr && gui->create (plugin.plugin, CLAP_WINDOW_API_X11, false);
        return created && (scale == 1.0 || gui->set_scale (plugin.plugin, scale));
    }

    /** Opens a window of the editor's size and makes it the editor's parent. */
    bool attach()
    {
        std::uint32_t width = 0, height = 0;
        if (! gui->get_size (plugin.plugin, &width, &height))
            return false;

        window.emplace (static_cast<int> (width), static_cast<int> (height), left, 0);
        if (! window->isOpen())
            return false;

        loop.add (*window);
        const auto parent = window->clapWindow();
        return gui->set_parent (plugin.plugin, &parent);
    }

    bool open (double scale = 1.0) { return create (scale) && attach() && gui->show (plugin.plugin); }

    /** Hides and destroys the editor, then its window. */
    void close()
    {
        if (created)
        {
            gui->hide (plugin.plugin);
            gui->destroy (plugin.plugin);
            created = false;
        }
        if (window)
        {
            loop.remove (*window);
            window.reset();
        }
    }

    /** Runs the loop until the window shows the editor; returns its last picture. */
    juce::Image waitForEditor (double scale = 1.0)
    {
        juce::Image picture;
        loop.runUntil ([&] { return showsEditor (picture = window->capture(), scale); }, kPatience);
        return picture;
    }

    /** The window's pictures, one every interval while the loop runs. */
    std::vector<juce::Image> picturesEvery (std::chrono::milliseconds interval, int count)
    {
        std::vector<juce::Image> pictures;
        for (int i = 0; i < count; ++i)
        {
            loop.runFor (interval);
            pictures.push_back (window->capture());
        }
        return pictures;
    }

    HostEventLoop& loop;
    const int left;
    ClapHostedPlugin plugin { bundle() };
    const clap_plugin_gui* const gui = plugin.extension<clap_plugin_gui> (CLAP_EXT_GUI);
    std::optional<X11HostWindow> window;
    bool created = false;
};

/** How many neighbouring pictures differ in the buttons and their lights. */
int changesAmong (const std::vector<juce::Image>& pictures)
{
    int changes = 0;
    for (std::size_t i = 1; i < pictures.size(); ++i)
        changes += differingPixels (pictures[i - 1], pictures[i], kButtonArea) > 0 ? 1 : 0;
    return changes;
}

/** The values the plug-in moved its "record" parameter to, each change
    once, starting from released (0).
*/
std::vector<double> recordChanges (const std::vector<ClapHostedPlugin::Event>& events, clap_id record)
{
    std::vector<double> changes;
    double value = 0.0;
    for (const auto& event : events)
    {
        if (event.header.space_id != CLAP_CORE_EVENT_SPACE_ID || event.header.type != CLAP_EVENT_PARAM_VALUE || event.paramValue.param_id != record)
            continue;
        if (event.paramValue.value != value)
            changes.push_back (event.paramValue.value);
        value = event.paramValue.value;
    }
    return changes;
}

class GuiEndToEnd : public testing::Test
{
protected:
    void SetUp() override
    {
        const char* display = std::getenv ("DISPLAY");
        if (display == nullptr || *display == '\0')
            GTEST_SKIP() << "no X display (DISPLAY is empty); scripts/test.sh runs these tests under Xvfb";
        ASSERT_TRUE (bundle().isLoaded()) << bundle().error();
    }

    HostEventLoop loop;
};
} // namespace

TEST_F (GuiEndToEnd, OffersAnEmbeddedEditorOnly)
{
    HostedEditor editor (loop);
    ASSERT_TRUE (editor.plugin.isReady()) << editor.plugin.error();
    ASSERT_NE (editor.gui, nullptr);

    const struct
    {
        const char* api;
        bool floating;
        bool supported;
    } cases[] = {
        { CLAP_WINDOW_API_X11, false, true },
        { CLAP_WINDOW_API_X11, true, false },
        { CLAP_WINDOW_API_WAYLAND, false, false },
        { "X11", false, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (editor.gui->is_api_supported (editor.plugin.plugin, c.api, c.floating), c.supported) << c.api << (c.floating ? " floating" : " embedded");
}

TEST_F (GuiEndToEnd, SizeFollowsTheScaleAndStaysSquare)
{
    {
        SCOPED_TRACE ("scale 1");
        HostedEditor editor (loop);
        ASSERT_TRUE (editor.create());
        EXPECT_TRUE (editor.gui->can_resize (editor.plugin.plugin));

        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE (editor.gui->get_size (editor.plugin.plugin, &width, &height));
        EXPECT_EQ (width, static_cast<std::uint32_t> (kEditorSide));
        EXPECT_EQ (height, static_cast<std::uint32_t> (kEditorSide));

        width = 900;
        height = 600;
        ASSERT_TRUE (editor.gui->adjust_size (editor.plugin.plugin, &width, &height));
        EXPECT_EQ (width, 600u);
        EXPECT_EQ (height, 600u);
    }
    {
        SCOPED_TRACE ("scale 2");
        HostedEditor editor (loop);
        ASSERT_TRUE (editor.create (2.0));

        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE (editor.gui->get_size (editor.plugin.plugin, &width, &height));
        EXPECT_EQ (width, 2u * kEditorSide);
        EXPECT_EQ (height, 2u * kEditorSide);
        const auto requested = editor.plugin.requestedSizes();
        ASSERT_FALSE (requested.empty());
        EXPECT_TRUE (requested.back() == (ClapHostedPlugin::Size { 2u * kEditorSide, 2u * kEditorSide }));

        // The whole editor is drawn twice as large into the window that size.
        ASSERT_TRUE (editor.attach());
        ASSERT_TRUE (editor.gui->show (editor.plugin.plugin));
        EXPECT_TRUE (showsEditor (editor.waitForEditor (2.0), 2.0)) << "the window never showed the editor at scale 2";
        EXPECT_EQ (editor.window->getWidth(), 2 * kEditorSide);
    }
}

TEST_F (GuiEndToEnd, ShowsOnlyWithAParentAgainAfterBeingRecreated)
{
    HostedEditor editor (loop);
    ASSERT_TRUE (editor.plugin.isReady()) << editor.plugin.error();

    for (int round = 1; round <= 2; ++round)
    {
        SCOPED_TRACE ("editor number " + std::to_string (round));
        ASSERT_TRUE (editor.create());
        EXPECT_FALSE (editor.gui->show (editor.plugin.plugin)) << "shown before it had a parent";

        ASSERT_TRUE (editor.attach());
        EXPECT_TRUE (editor.gui->show (editor.plugin.plugin));

        const auto picture = editor.waitForEditor();
        EXPECT_TRUE (showsEditor (picture, 1.0)) << "the window never showed the editor";
        EXPECT_EQ (editor.window->errorCount(), 0);

        // The editor is drawn, not a blank: its buttons differ from each other's
        // surroundings, and the label of REC is lighter than its face.
        const auto label = picture.getPixelAt (kRecCentre.x, kRecCentre.y);
        const auto face = picture.getPixelAt (kRecCentre.x - 35, kRecCentre.y - 30);
        EXPECT_NE (label, face);

        editor.close();
    }
}

TEST_F (GuiEndToEnd, AClickOnRecSendsOneRecordPress)
{
    const struct
    {
        const char* what;
        bool held;    ///< held while the editor repaints, as a person clicks; else released at once
        bool playing; ///< the events come with process, else with flush
    } cases[] = {
        { "a held click, by flush", true, false },
        { "a held click, by process", true, true },
        { "a quick click, by flush", false, false },
        { "a quick click, by process", false, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        HostedEditor editor (loop);
        ASSERT_TRUE (editor.open());
        ASSERT_TRUE (showsEditor (editor.waitForEditor(), 1.0));

        clap_id record = CLAP_INVALID_ID;
        ASSERT_TRUE (RenderScript::findParameter (editor.plugin, "record", record));

        RealTimePlayer player (editor.plugin, tone(), kSampleRate, kBlockSize);
        if (c.playing)
        {
            ASSERT_TRUE (player.start()) << player.error();
            loop.add (player);
        }

        std::vector<ClapHostedPlugin::Event> flushed;
        const auto changes = [&] {
            if (! c.playing)
            {
                EXPECT_TRUE (editor.plugin.flush());
                flushed.insert (flushed.end(), editor.plugin.outputEvents.begin(), editor.plugin.outputEvents.end());
            }
            return recordChanges (c.playing ? player.outputEvents : flushed, record);
        };

        ASSERT_TRUE (editor.window->press (kRecCentre.x, kRecCentre.y));
        if (c.held)
            loop.runFor (kHoldTime);
        ASSERT_TRUE (editor.window->release());

        loop.runUntil ([&] { return changes().size() >= 2; }, kPatience);
        // Anything more, such as a second press, would follow at once.
        loop.runUntil ([&] { return changes().size() > 2; }, kHoldTime);

        EXPECT_EQ (changes(), (std::vector<double> { 1.0, 0.0 }));
        EXPECT_TRUE (player.error().empty()) << player.error();
        loop.remove (player);
    }
}

TEST_F (GuiEndToEnd, LightsMoveWhileALoopPlays)
{
    HostedEditor editor (loop);
    ASSERT_TRUE (editor.open());
    ASSERT_TRUE (showsEditor (editor.waitForEditor(), 1.0));

    RealTimePlayer player (editor.plugin, tone(), kSampleRate, kBlockSize, RenderScript (kRecordALoop));

    const auto idle = editor.picturesEvery (100ms, 5);
    EXPECT_EQ (changesAmong (idle), 0) << "the editor changes with nothing playing";

    ASSERT_TRUE (player.start()) << player.error();
    loop.add (player);
    ASSERT_TRUE (loop.runUntil ([&] { return player.framesPlayed > kLoopPlaysFrom; }, kPatience));

    const auto playing = editor.picturesEvery (100ms, 12);
    EXPECT_GE (changesAmong (playing), 2) << "the lights stood still while the loop played";
    EXPECT_TRUE (player.error().empty()) << player.error();
    loop.remove (player);
}

TEST_F (GuiEndToEnd, TwoEditorsAtOnceAreBothServiced)
{
    auto first = std::make_unique<HostedEditor> (loop, 0);
    HostedEditor second (loop, kEditorSide + 40);
    ASSERT_TRUE (first->open());
    ASSERT_TRUE (second.open());
    ASSERT_TRUE (showsEditor (first->waitForEditor(), 1.0)) << "the first window never showed its editor";
    ASSERT_TRUE (showsEditor (second.waitForEditor(), 1.0)) << "the second window never showed its editor";

    auto firstPlayer = std::make_unique<RealTimePlayer> (first->plugin, tone(), kSampleRate, kBlockSize, RenderScript (kRecordALoop));
    RealTimePlayer secondPlayer (second.plugin, tone(), kSampleRate, kBlockSize, RenderScript (kRecordALoop));
    for (auto* player : { firstPlayer.get(), &secondPlayer })
    {
        ASSERT_TRUE (player->start()) << player->error();
        loop.add (*player);
    }
    ASSERT_TRUE (loop.runUntil ([&] { return secondPlayer.framesPlayed > kLoopPlaysFrom; }, kPatience));

    std::vector<juce::Image> firstPictures, secondPictures;
    for (int i = 0; i < 12; ++i)
    {
        loop.runFor (100ms);
        firstPictures.push_back (first->window->capture());
        secondPictures.push_back (second.window->capture());
    }
    EXPECT_GE (changesAmong (firstPictures), 2) << "the first editor's lights stood still";
    EXPECT_GE (changesAmong (secondPictures), 2) << "the second editor's lights stood still";

    // The plug-in's message loop is serviced through one instance's host;
    // with that one gone, the other's takes over.
    loop.remove (*firstPlayer);
    firstPlayer.reset();
    first.reset();

    EXPECT_FALSE (second.plugin.timers().empty()) << "nothing services the remaining editor";
    EXPECT_TRUE (showsEditor (second.window->capture(), 1.0));
    EXPECT_GE (changesAmong (second.picturesEvery (100ms, 12)), 2) << "the remaining editor's lights stood still";
    loop.remove (secondPlayer);
}
