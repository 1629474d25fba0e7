// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, one a line, the wall-clock time (ns since the epoch) at which each
// change to the pixels of the X screen's top-level windows reached the X
// server (DAMAGE), until its standard input closes. A browser's
// performance.timeOrigin is on the same clock. For the browser bench only.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

std::int64_t wallNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace

int main()
{
    Display *display = XOpenDisplay(nullptr);
    int eventBase = 0;
    int errorBase = 0;
    if (!display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fputs("damage_watch: no X server with DAMAGE\n", stderr);
        return 1;
    }
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    std::vector<Damage> damages;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        // An input-only window has no pixels to watch.
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.c_class == InputOutput)
            damages.push_back(XDamageCreate(display, children[i], XDamageReportRawRectangles));
    }
    if (children)
        XFree(children);
    XSync(display, False);
    std::printf("watching %zu\n", damages.size());
    std::fflush(stdout);

    pollfd fds[] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        if (XPending(display) == 0 && poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            break;
        const std::int64_t arrived = wallNow();
        bool changed = false;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            changed |= event.type == eventBase + XDamageNotify;
        }
        if (changed)
            std::printf("%lld\n", static_cast<long long>(arrived));
    }
    std::fflush(stdout);
    for (const Damage damage : damages)
        XDamageDestroy(display, damage);
    XCloseDisplay(display);
    return 0;
}
