#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

// Xlib's macros clash with JUCE's names, so it comes last.
#include <X11/Xlib.h>

namespace
{
constexpr auto kPatience = std::chrono::seconds (10);

bool hasDisplay()
{
    const char* display = std::getenv ("DISPLAY");
    return display != nullptr && *display != '\0';
}

/** Asks the window to close as a window manager does, from another connection. */
void sendDeleteMessage (unsigned long window)
{
    Display* display = XOpenDisplay (nullptr);
    ASSERT_NE (display, nullptr);

    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom (display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long> (XInternAtom (display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent (display, window, False, NoEventMask, &event);
    XCloseDisplay (display);
}
} // namespace

TEST (X11HostWindow, CapturesItsAreaWhereverItIs)
{
    if (! hasDisplay())
        GTEST_SKIP() << "no X display (DISPLAY is empty); scripts/test.sh runs these tests under Xvfb";

    const struct
    {
        const char* where;
        int x, y;
    } places[] = {
        { "on the screen", 30, 40 },
        { "partly off the screen", -50, -20 },
    };

    for (const auto& place : places)
    {
        SCOPED_TRACE (place.where);
        X11HostWindow window (200, 100, place.x, place.y);
        ASSERT_TRUE (window.isOpen()) << window.error();
        EXPECT_NE (window.clapWindow().x11, 0ul);
        EXPECT_STREQ (window.clapWindow().api, CLAP_WINDOW_API_X11);

        auto picture = window.capture();
        ASSERT_TRUE (picture.isValid());
        EXPECT_EQ (picture.getBounds(), juce::Rectangle<int> (0, 0, 200, 100));
        EXPECT_EQ (picture.getPixelAt (199, 99), juce::Colours::black) << "the window's own background";

        ASSERT_TRUE (window.setSize (300, 150));
        EXPECT_FALSE (window.setSize (0, 150));
        picture = window.capture();
        EXPECT_EQ (picture.getBounds(), juce::Rectangle<int> (0, 0, 300, 150));
        EXPECT_EQ (picture.getPixelAt (299, 149), juce::Colours::black) << "the window did not grow";

        const auto file = juce::File::createTempFile (".png");
        ASSERT_TRUE (window.saveScreenshot (file));
        const auto saved = juce::ImageFileFormat::loadFrom (file);
        file.deleteFile();
        EXPECT_EQ (saved.getBounds(), picture.getBounds());

        EXPECT_EQ (window.errorCount(), 0);
    }
}

TEST (X11HostWindow, ClosesWhenTheWindowManagerAsks)
{
    if (! hasDisplay())
        GTEST_SKIP() << "no X display (DISPLAY is empty); scripts/test.sh runs these tests under Xvfb";

    X11HostWindow window (100, 100);
    ASSERT_TRUE (window.isOpen()) << window.error();
    window.processEvents();
    EXPECT_FALSE (window.isClosed());

    sendDeleteMessage (window.windowId());
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (! window.isClosed() && std::chrono::steady_clock::now() < deadline)
    {
        window.processEvents();
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }
    EXPECT_TRUE (window.isClosed());
}
