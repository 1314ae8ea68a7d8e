#pragma once

#include "clap/clap.h"

#include <juce_graphics/juce_graphics.h>

#include <string>

struct _XDisplay;

/** A top-level X11 window that a plug-in's editor is embedded in, on its own
    connection to the X server named by DISPLAY. It can also look at the
    screen and act as a person would: a screenshot of its area (the plug-in's
    child windows included) and mouse clicks sent as real pointer events
    through the XTest extension. [main thread]
*/
class X11HostWindow
{
public:
    /** Connects, installs an error handler that records rather than exits,
        and maps a window of this size (physical pixels) at this position
        on the screen, waiting until it is mapped.
    */
    X11HostWindow (int width, int height, int x = 0, int y = 0, const std::string& title = "Ravelwick CLAP host");
    ~X11HostWindow();

    X11HostWindow (const X11HostWindow&) = delete;
    X11HostWindow& operator= (const X11HostWindow&) = delete;

    /** True when the window was created and mapped. */
    bool isOpen() const noexcept { return window != 0; }

    /** Why the window could not be opened; empty when it could. */
    const std::string& error() const noexcept { return failure; }

    /** The window as a CLAP plug-in's set_parent takes it. */
    clap_window clapWindow() const noexcept;

    /** The X window id. */
    unsigned long windowId() const noexcept { return window; }

    /** The connection's file descriptor, for an event loop to poll. */
    int connectionFileDescriptor() const noexcept;

    int getWidth() const noexcept { return width; }
    int getHeight() const noexcept { return height; }

    /** Resizes the window, and keeps a window manager from resizing it to
        anything else. False when the size is not positive.
    */
    bool setSize (int newWidth, int newHeight);

    /** Handles the events that have arrived, without waiting. */
    void processEvents();

    /** True once a person closed the window through the window manager. */
    bool isClosed() const noexcept { return closed; }

    /** How many X errors this connection has caused. */
    int errorCount() const;

    /** What is on the screen in the window's area, child windows included;
        an invalid image when it cannot be read.
    */
    juce::Image capture() const;

    /** Writes capture() as a PNG file. */
    bool saveScreenshot (const juce::File& file) const;

    /** Moves the pointer to this point of the window (physical pixels) and
        presses the left button, as real pointer events. False without XTest.
    */
    bool press (int x, int y);

    /** Releases the left button. False without XTest. */
    bool release();

    /** A press at this point and its release straight after. */
    bool click (int x, int y) { return press (x, y) && release(); }

private:
    bool hasXTest() const;

    _XDisplay* display = nullptr;
    unsigned long window = 0;
    unsigned long deleteMessage = 0;
    int width = 0;
    int height = 0;
    bool closed = false;
    std::string failure;
};
