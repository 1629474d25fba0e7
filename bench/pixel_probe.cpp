// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/pixel_probe.h"

#include "bench/host.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace bench {

PixelProbe::PixelProbe(unsigned long window, QRect area)
    : m_area(area)
    , m_stopEvent(eventfd(0, EFD_CLOEXEC))
{
    m_stamps.reserve(1 << 16);
    m_thread = std::thread([this, window] { watch(window); });
    while (!m_ready.load())
        std::this_thread::yield();
}

PixelProbe::~PixelProbe()
{
    stop();
    if (m_stopEvent >= 0)
        close(m_stopEvent);
}

std::vector<std::chrono::nanoseconds> PixelProbe::stop()
{
    if (m_thread.joinable()) {
        // Without the event the watcher has not started watching, and has ended.
        const std::uint64_t one = 1;
        if (m_stopEvent >= 0 && write(m_stopEvent, &one, sizeof one) != sizeof one)
            std::abort(); // the watcher would never end
        m_thread.join();
    }
    return std::move(m_stamps);
}

void PixelProbe::watch(unsigned long window)
{
    Display *display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (m_stopEvent < 0 || !display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
        if (display)
            XCloseDisplay(display);
        m_ready = true;
        return;
    }
    // Raw rectangles: an event for every change, with no need to acknowledge one.
    const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
    XSync(display, False);
    m_watching = true;
    m_ready = true;
    // Woken only by the server or by stop(): a timeout would wake this thread,
    // in the process it watches, at moments that drift against the steps.
    pollfd fds[] = {{ConnectionNumber(display), POLLIN, 0}, {m_stopEvent, POLLIN, 0}};
    for (;;) {
        const bool pending = XPending(display) > 0;
        if (poll(fds, 2, pending ? 0 : -1) < 0)
            continue;
        if (fds[1].revents != 0)
            break;
        const Nanos arrived = steadyNow();
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != eventBase + XDamageNotify)
                continue;
            const auto &notify = reinterpret_cast<const XDamageNotifyEvent &>(event);
            const QRect changed(notify.area.x, notify.area.y, notify.area.width, notify.area.height);
            if (changed.intersects(m_area))
                m_stamps.push_back(arrived);
        }
    }
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
}

} // namespace bench
