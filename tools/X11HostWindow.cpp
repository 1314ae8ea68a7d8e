#include "X11HostWindow.h"

// Xlib's macros (None, Bool, Status...) clash with JUCE's names, so it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>

namespace
{
constexpr auto kMapTimeout = std::chrono::seconds (5);
constexpr unsigned int kLeftButton = 1;

std::mutex errorLock;
std::map<Display*, int> errorCounts;

// Xlib's default handler ends the process, and a plug-in's toolkit sharing
// this Xlib may make requests that fail harmlessly; count ours, ignore theirs.
int recordError (Display* display, XErrorEvent*)
{
    const std::lock_guard<std::mutex> lock (errorLock);
    if (const auto found = errorCounts.find (display); found != errorCounts.end())
        ++found->second;
    return 0;
}

// A plug-in's toolkit may put its own handler in place, or restore Xlib's
// when it shuts down, so the handler is put back before each request that may fail.
void installErrorHandler()
{
    XSetErrorHandler (recordError);
}

/** One colour channel of a pixel, picked out by the visual's mask for it and scaled to 0..255. */
juce::uint8 channelOf (unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0)
        ++shift;
    const auto largest = mask >> shift;
    return static_cast<juce::uint8> (((pixel & mask) >> shift) * 255ul / largest);
}
} // namespace

X11HostWindow::X11HostWindow (int initialWidth, int initialHeight, int x, int y, const std::string& title)
    : width (initialWidth), height (initialHeight)
{
    if (width <= 0 || height <= 0)
    {
        failure = "the window size must be positive";
        return;
    }

    installErrorHandler();
    display = XOpenDisplay (nullptr);
    if (display == nullptr)
    {
        const char* name = std::getenv ("DISPLAY");
        failure = std::string ("cannot open the X display '") + (name != nullptr ? name : "") + "'";
        return;
    }
    {
        const std::lock_guard<std::mutex> lock (errorLock);
        errorCounts[display] = 0;
    }

    const int screen = DefaultScreen (display);
    XSetWindowAttributes attributes {};
    attributes.background_pixel = BlackPixel (display, screen);
    attributes.event_mask = StructureNotifyMask;
    const auto created = XCreateWindow (display, RootWindow (display, screen), x, y, static_cast<unsigned int> (width),
                                        static_cast<unsigned int> (height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWEventMask, &attributes);

    XStoreName (display, created, title.c_str());
    deleteMessage = XInternAtom (display, "WM_DELETE_WINDOW", False);
    Atom protocols[] = { deleteMessage };
    XSetWMProtocols (display, created, protocols, 1);

    // Without a position hint a window manager may place it anywhere.
    XSizeHints hints {};
    hints.flags = PPosition | PMinSize | PMaxSize;
    hints.x = x;
    hints.y = y;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints (display, created, &hints);

    XMapRaised (display, created);
    XFlush (display);

    const auto deadline = std::chrono::steady_clock::now() + kMapTimeout;
    XEvent event {};
    while (! XCheckTypedWindowEvent (display, created, MapNotify, &event))
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
        {
            failure = "the X server did not map the window";
            XDestroyWindow (display, created);
            return;
        }
        pollfd connection { ConnectionNumber (display), POLLIN, 0 };
        poll (&connection, 1, static_cast<int> (left));
    }

    window = created;
}

X11HostWindow::~X11HostWindow()
{
    if (display == nullptr)
        return;

    if (window != 0)
        XDestroyWindow (display, window);
    XCloseDisplay (display);

    const std::lock_guard<std::mutex> lock (errorLock);
    errorCounts.erase (display);
}

clap_window X11HostWindow::clapWindow() const noexcept
{
    clap_window handle {};
    handle.api = CLAP_WINDOW_API_X11;
    handle.x11 = window;
    return handle;
}

int X11HostWindow::connectionFileDescriptor() const noexcept
{
    return display != nullptr ? ConnectionNumber (display) : -1;
}

int X11HostWindow::errorCount() const
{
    const std::lock_guard<std::mutex> lock (errorLock);
    const auto found = errorCounts.find (display);
    return found != errorCounts.end() ? found->second : 0;
}

bool X11HostWindow::setSize (int newWidth, int newHeight)
{
    if (! isOpen() || newWidth <= 0 || newHeight <= 0)
        return false;

    width = newWidth;
    height = newHeight;

    XSizeHints hints {};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints (display, window, &hints);
    XResizeWindow (display, window, static_cast<unsigned int> (width), static_cast<unsigned int> (height));
    XFlush (display);
    return true;
}

void X11HostWindow::processEvents()
{
    if (! isOpen())
        return;

    while (XPending (display) > 0)
    {
        XEvent event {};
        XNextEvent (display, &event);
        if (event.type == ClientMessage && static_cast<unsigned long> (event.xclient.data.l[0]) == deleteMessage)
            closed = true;
    }
}

juce::Image X11HostWindow::capture() const
{
    if (! isOpen())
        return {};

    installErrorHandler();
    const int screen = DefaultScreen (display);
    const auto root = RootWindow (display, screen);

    int left = 0, top = 0;
    Window child = 0;
    if (! XTranslateCoordinates (display, window, root, 0, 0, &left, &top, &child))
        return {};

    // Only what lies on the screen can be read; the rest stays black.
    const int x0 = std::max (left, 0);
    const int y0 = std::max (top, 0);
    const int x1 = std::min (left + width, DisplayWidth (display, screen));
    const int y1 = std::min (top + height, DisplayHeight (display, screen));

    juce::Image picture (juce::Image::RGB, width, height, true);
    if (x1 <= x0 || y1 <= y0)
        return picture;

    // Reading the root window takes in the child windows of every other
    // connection too, which is where the plug-in draws.
    XImage* image = XGetImage (display, root, x0, y0, static_cast<unsigned int> (x1 - x0), static_cast<unsigned int> (y1 - y0), AllPlanes, ZPixmap);
    if (image == nullptr)
        return {};

    {
        juce::Image::BitmapData pixels (picture, juce::Image::BitmapData::writeOnly);
        for (int y = 0; y < y1 - y0; ++y)
        {
            for (int x = 0; x < x1 - x0; ++x)
            {
                const auto pixel = XGetPixel (image, x, y);
                pixels.setPixelColour (x0 - left + x, y0 - top + y,
                                       juce::Colour (channelOf (pixel, image->red_mask), channelOf (pixel, image->green_mask), channelOf (pixel, image->blue_mask)));
            }
        }
    }

    XDestroyImage (image);
    return picture;
}

bool X11HostWindow::saveScreenshot (const juce::File& file) const
{
    const auto picture = capture();
    if (! picture.isValid())
        return false;

    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (picture, stream))
        return false;

    stream.flush();
    return stream.getStatus().wasOk();
}

bool X11HostWindow::hasXTest() const
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return isOpen() && XTestQueryExtension (display, &eventBase, &errorBase, &major, &minor);
}

bool X11HostWindow::press (int x, int y)
{
    if (! hasXTest())
        return false;

    installErrorHandler();
    const int screen = DefaultScreen (display);
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (! XTranslateCoordinates (display, window, RootWindow (display, screen), x, y, &rootX, &rootY, &child))
        return false;

    XTestFakeMotionEvent (display, screen, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent (display, kLeftButton, True, CurrentTime);
    XFlush (display);
    return true;
}

bool X11HostWindow::release()
{
    if (! hasXTest())
        return false;

    installErrorHandler();
    XTestFakeButtonEvent (display, kLeftButton, False, CurrentTime);
    XFlush (display);
    return true;
}
