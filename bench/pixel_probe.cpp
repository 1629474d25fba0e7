// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/pixel_probe.h"

#include "bench/recorder.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

namespace bench {

PixelProbe::PixelProbe(unsigned long window, QRect area)
    : m_area(area)
{
    m_stamps.reserve(1 << 16);
    m_thread = std::thread([this, window] { watch(window); });
    while (!m_ready.load())
        std::this_thread::yield();
}

PixelProbe::~PixelProbe()
{
    stop();
}

std::vector<std::chrono::nanoseconds> PixelProbe::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_stamps);
}

void PixelProbe::watch(unsigned long window)
{
    Display *display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
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
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    while (!m_stop.load()) {
        if (!XPending(display) && poll(&fd, 1, 20) <= 0)
            continue;
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
