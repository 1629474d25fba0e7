// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps time in a browser: the clock is performance.now(),
// and the alarm goes off in the animation frame nearest its moment, so what it
// shows lasts whole frames, with a timeout where no frames come (a hidden tab).
#include "platform/clock.h"
#include "platform/system_time.h"
#include "platform/frame_pacer.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

namespace platform {

namespace {

using Duration = std::chrono::nanoseconds;
using namespace std::chrono_literals;

using Milliseconds = std::chrono::duration<double, std::milli>;

Duration fromMs(double ms)
{
    return std::chrono::duration_cast<Duration>(Milliseconds(ms));
}

// While a frame is made, the clock reads the last moment that frame is the
// nearest one to, so that every tick due by then is delivered into it. Never
// read back: the clock only ever moves on.
Duration clockFloor{0};

// The browser's own timeouts and frames, called back through the two
// exported functions below. Not emscripten's wrappers: since 3.1.6x those end
// the runtime after a timeout's callback in a build without main(), and no
// timeout is called back after that.
// clang-format off
EM_JS(int, web_request_frame, (), {
    return requestAnimationFrame((time) => Module['_tarvelin_on_frame'](time));
});
EM_JS(void, web_cancel_frame, (int request), { cancelAnimationFrame(request); });
EM_JS(int, web_set_timeout, (double ms), {
    return setTimeout(() => Module['_tarvelin_on_timeout'](), ms);
});
EM_JS(void, web_clear_timeout, (int timeout), { clearTimeout(timeout); });
// clang-format on

// The page's alarm: the exercise's time source sleeps on one for all its
// timers. Frames are asked for only from shortly before its deadline, so a
// slow pace costs a few frames a step and not sixty a second.
class FrameAlarm final : public Alarm {
public:
    explicit FrameAlarm(std::function<void()> onAlarm)
        : m_onAlarm(std::move(onAlarm))
    {
        current = this;
    }
    ~FrameAlarm() override
    {
        cancel();
        if (current == this)
            current = nullptr;
    }
    FrameAlarm(const FrameAlarm &) = delete;
    FrameAlarm &operator=(const FrameAlarm &) = delete;

    void wakeAt(Duration deadline) override
    {
        m_deadline = deadline;
        reschedule();
    }
    void cancel() override
    {
        m_deadline.reset();
        reschedule();
    }

    void onFrame(double time)
    {
        m_frameRequest = 0; // each frame is asked for anew
        m_pacer.onFrame(fromMs(time));
        clockFloor = std::max(clockFloor, m_pacer.lastMomentOf(fromMs(time)));
        fireBy(clockFloor);
        reschedule();
    }

    // Either it is time to start asking for frames, or frames stopped coming:
    // then what is due goes off now and shows with whatever frame comes next.
    void onTimeout()
    {
        m_timeout = 0;
        const Duration now = systemClock().now();
        if (m_deadline && now >= *m_deadline + noFrameGrace()) {
            m_pacer.pause();
            fireBy(now);
        }
        reschedule();
    }

    static inline FrameAlarm *current = nullptr; // the one the browser calls back

private:
    [[nodiscard]] Duration framesAhead() const { return std::max(6 * m_pacer.period(), Duration{100ms}); }
    // How long past the deadline a frame may keep us waiting before a timeout stands in for it.
    [[nodiscard]] Duration noFrameGrace() const { return std::max(4 * m_pacer.period(), Duration{50ms}); }

    void reschedule()
    {
        if (m_firing)
            return; // the callback's new deadline is taken up once it returns
        const Duration now = systemClock().now();
        const bool soon = m_deadline && *m_deadline - now <= framesAhead();
        if (soon && !m_frameRequest)
            m_frameRequest = web_request_frame();
        if (!soon) {
            if (m_frameRequest)
                web_cancel_frame(m_frameRequest);
            m_frameRequest = 0;
            m_pacer.pause();
        }
        if (m_timeout)
            web_clear_timeout(m_timeout);
        m_timeout = 0;
        if (m_deadline) {
            const Duration at = soon ? *m_deadline + noFrameGrace() : *m_deadline - framesAhead();
            m_timeout = web_set_timeout(std::max(Milliseconds(at - now).count(), 0.0));
        }
    }

    // Again if the callback asks for a moment this frame also stands for.
    void fireBy(Duration limit)
    {
        m_firing = true;
        while (m_deadline && *m_deadline <= limit) {
            m_deadline.reset();
            m_onAlarm();
        }
        m_firing = false;
    }

    std::function<void()> m_onAlarm;
    std::optional<Duration> m_deadline;
    FramePacer m_pacer;
    int m_frameRequest = 0; // the browser's ids are never 0
    int m_timeout = 0;
    bool m_firing = false;
};

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void tarvelin_on_frame(double time)
{
    if (FrameAlarm *alarm = FrameAlarm::current)
        alarm->onFrame(time);
}

EMSCRIPTEN_KEEPALIVE void tarvelin_on_timeout()
{
    if (FrameAlarm *alarm = FrameAlarm::current)
        alarm->onTimeout();
}

} // extern "C"

std::chrono::nanoseconds SteadyClock::now() const
{
    return std::max(fromMs(emscripten_get_now()), clockFloor);
}

// The page has one thread, and blocking it would freeze the page: no sleep.
void SteadyClock::sleepUntil(std::chrono::nanoseconds /*at*/) const {}

Clock &systemClock()
{
    static SteadyClock clock;
    return clock;
}

std::unique_ptr<Alarm> makeFrameAlarm(std::function<void()> onAlarm)
{
    return std::make_unique<FrameAlarm>(std::move(onAlarm));
}

} // namespace platform
