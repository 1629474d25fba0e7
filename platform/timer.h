#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Clock;

enum class TimerStyle {
    KeepToClock, // ticks counted against the clock, missed ones caught up
    QtPlain,     // a default periodic QTimer: only for measuring against
};

// Applies to the timers constructed after the call.
void setTimerStyle(TimerStyle style);

// A window timer: while enabled it calls its handler once per period, the
// first time one period after it was enabled. Enabling an enabled timer does
// not restart it; changing the period of a running one does. A timer enabled
// from inside another timer's handler counts from the moment that tick was
// due, so a late wake-up does not shift what follows.
class Timer {
public:
    explicit Timer(std::function<void()> onTimeout);
    Timer(std::function<void()> onTimeout, const Clock &clock);
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setInterval(std::int32_t milliseconds);
    [[nodiscard]] std::int32_t interval() const;
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const;

    // Tells the timer how many ticks from now until one that has an effect;
    // it may then sleep through those before it and deliver them, each as its
    // own call, together with that one. Call refreshLookahead() when something
    // other than a tick changes the answer.
    void setLookahead(std::function<std::int64_t()> ticksUntilEffect);
    void refreshLookahead();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
