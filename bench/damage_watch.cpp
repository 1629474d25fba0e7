// SPDX-License-Identifier: GPL-3.0-or-later
// When each change to the pixels on an X server reached it (DAMAGE), seen
// from outside the program that made it:
//   damage_watch                          every top-level window; ns since the
//                                         epoch, the clock of a browser's timeOrigin
//   damage_watch <window> <x> <y> <w> <h> that area of that window; ns on the
//                                         steady clock
// Prints "watching" once it watches, and the stamps, one a line, once its
// standard input closes, so that nothing reaches the watched program meanwhile.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

int main(int argc, char *argv[])
{
    Display *display = XOpenDisplay(nullptr);
    int eventBase = 0;
    int errorBase = 0;
    if (!display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fputs("damage_watch: no X server with DAMAGE\n", stderr);
        return 1;
    }
    const bool oneWindow = argc == 6;
    long area[4] = {0, 0, 0, 0}; // x, y, width, height
    std::vector<Window> windows;
    if (oneWindow) {
        windows.push_back(std::strtoul(argv[1], nullptr, 10));
        for (int i = 0; i < 4; ++i)
            area[i] = std::strtol(argv[i + 2], nullptr, 10);
    } else {
        Window root = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            // An input-only window has no pixels to watch.
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.c_class == InputOutput)
                windows.push_back(children[i]);
        }
        if (children)
            XFree(children);
    }
    std::vector<Damage> damages;
    for (const Window window : windows) // raw rectangles: an event for every change, none to acknowledge
        damages.push_back(XDamageCreate(display, window, XDamageReportRawRectangles));
    XSync(display, False);
    std::puts("watching");
    std::fflush(stdout);

    std::vector<std::int64_t> stamps;
    stamps.reserve(1 << 16);
    pollfd fds[] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        if (XPending(display) == 0 && poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            break;
        timespec now{};
        clock_gettime(oneWindow ? CLOCK_MONOTONIC : CLOCK_REALTIME, &now);
        bool changed = false;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase + XDamageNotify)
                continue;
            const auto &rect = reinterpret_cast<const XDamageNotifyEvent &>(event).area;
            changed |= !oneWindow || (rect.x < area[0] + area[2] && area[0] < rect.x + rect.width
                                      && rect.y < area[1] + area[3] && area[1] < rect.y + rect.height);
        }
        if (changed)
            stamps.push_back(std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec);
    }
    for (const std::int64_t stamp : stamps)
        std::printf("%lld\n", static_cast<long long>(stamp));
    for (const Damage damage : damages)
        XDamageDestroy(display, damage);
    XCloseDisplay(display);
    return 0;
}
