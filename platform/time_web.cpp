// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps time in a browser: the clock is performance.now(),
// and alarms go off in animation-frame callbacks, each in the frame nearest
// its moment, with a timeout where no frames come (a hidden tab).
#include "platform/clock.h"
#include "platform/frame_alarm.h"
#include "platform/frame_pacer.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

namespace {

using Duration = std::chrono::nanoseconds;
using namespace std::chrono_literals;

Duration fromMs(double ms)
{
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double, std::milli>(ms));
}

double toMs(Duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// While a frame is made, the clock reads the last moment that frame is the
// nearest one to, so that every tick due by then is delivered into it. Never
// read back: the clock only ever moves on.
Duration clockFloor{0};

Duration performanceNow()
{
    return fromMs(emscripten_get_now());
}

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

class WebAlarm;

// The one loop of animation frames that every alarm shares. Frames are asked
// for only from shortly before the earliest deadline, so a slow pace costs a
// few frames a step and not sixty a second.
class FrameLoop {
public:
    void add(WebAlarm *alarm) { m_alarms.push_back(alarm); }
    void remove(WebAlarm *alarm);
    void reschedule();
    void onFrame(double time);
    void onTimeout();

private:

    [[nodiscard]] std::optional<Duration> earliestDeadline() const;
    [[nodiscard]] Duration framesAhead() const { return std::max(6 * m_pacer.period(), Duration{100ms}); }
    // How long past a deadline a frame may keep us waiting before a timeout stands in for it.
    [[nodiscard]] Duration noFrameGrace() const { return std::max(4 * m_pacer.period(), Duration{50ms}); }
    void fireDue(Duration limit);
    void requestFrame();
    void cancelFrame();
    void setTimeoutAt(Duration at, Duration now);

    std::vector<WebAlarm *> m_alarms;
    FramePacer m_pacer;
    int m_frameRequest = 0; // the browser's ids are never 0
    int m_timeout = 0;
    bool m_firing = false;
};

FrameLoop &frameLoop()
{
    static FrameLoop loop;
    return loop;
}

class WebAlarm final : public Alarm {
public:
    explicit WebAlarm(std::function<void()> onAlarm)
        : m_onAlarm(std::move(onAlarm))
    {
        frameLoop().add(this);
    }
    ~WebAlarm() override { frameLoop().remove(this); }
    WebAlarm(const WebAlarm &) = delete;
    WebAlarm &operator=(const WebAlarm &) = delete;

    void wakeAt(Duration deadline) override
    {
        m_deadline = deadline;
        frameLoop().reschedule();
    }

    void cancel() override
    {
        m_deadline.reset();
        frameLoop().reschedule();
    }

    [[nodiscard]] const std::optional<Duration> &deadline() const { return m_deadline; }

    void fire()
    {
        m_deadline.reset();
        m_onAlarm();
    }

private:
    std::function<void()> m_onAlarm;
    std::optional<Duration> m_deadline;
};

void FrameLoop::remove(WebAlarm *alarm)
{
    std::erase(m_alarms, alarm);
    reschedule();
}

std::optional<Duration> FrameLoop::earliestDeadline() const
{
    std::optional<Duration> earliest;
    for (const WebAlarm *alarm : m_alarms) {
        if (alarm->deadline() && (!earliest || *alarm->deadline() < *earliest))
            earliest = alarm->deadline();
    }
    return earliest;
}

void FrameLoop::reschedule()
{
    if (m_firing)
        return; // the firing loop reschedules once it is done
    const auto earliest = earliestDeadline();
    if (!earliest) {
        cancelFrame();
        if (m_timeout)
            web_clear_timeout(m_timeout);
        m_timeout = 0;
        return;
    }
    const Duration now = std::max(performanceNow(), clockFloor);
    if (*earliest - now <= framesAhead()) {
        requestFrame();
        setTimeoutAt(*earliest + noFrameGrace(), now);
    } else {
        cancelFrame();
        setTimeoutAt(*earliest - framesAhead(), now);
    }
}

void FrameLoop::fireDue(Duration limit)
{
    m_firing = true;
    // Earliest first, looking afresh each time: a callback may re-arm any alarm.
    for (;;) {
        WebAlarm *due = nullptr;
        for (WebAlarm *alarm : m_alarms) {
            if (alarm->deadline() && *alarm->deadline() <= limit
                && (!due || *alarm->deadline() < *due->deadline()))
                due = alarm;
        }
        if (!due)
            break;
        due->fire();
    }
    m_firing = false;
}

// Each frame is asked for anew.
void FrameLoop::onFrame(double time)
{
    m_frameRequest = 0;
    m_pacer.onFrame(fromMs(time));
    clockFloor = std::max(clockFloor, m_pacer.lastMomentOf(fromMs(time)));
    fireDue(clockFloor);
    reschedule();
}

void FrameLoop::onTimeout()
{
    m_timeout = 0;
    const Duration now = std::max(performanceNow(), clockFloor);
    const auto earliest = earliestDeadline();
    // Either it is time to start asking for frames, or frames stopped coming:
    // then what is due goes off now and shows with whatever frame comes next.
    if (earliest && now >= *earliest + noFrameGrace()) {
        m_pacer.pause();
        fireDue(now);
    }
    reschedule();
}

void FrameLoop::requestFrame()
{
    if (!m_frameRequest)
        m_frameRequest = web_request_frame();
}

void FrameLoop::cancelFrame()
{
    if (m_frameRequest)
        web_cancel_frame(m_frameRequest);
    m_frameRequest = 0;
    m_pacer.pause();
}

void FrameLoop::setTimeoutAt(Duration at, Duration now)
{
    if (m_timeout)
        web_clear_timeout(m_timeout);
    m_timeout = web_set_timeout(std::max(toMs(at - now), 0.0));
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void tarvelin_on_frame(double time)
{
    frameLoop().onFrame(time);
}

EMSCRIPTEN_KEEPALIVE void tarvelin_on_timeout()
{
    frameLoop().onTimeout();
}

} // extern "C"

std::chrono::nanoseconds SteadyClock::now() const
{
    return std::max(performanceNow(), clockFloor);
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
    return std::make_unique<WebAlarm>(std::move(onAlarm));
}

} // namespace platform
