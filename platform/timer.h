#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// A window timer: while enabled it calls its handler once per period, the
// first time one period after it was enabled. Enabling an enabled timer does
// not restart it; changing the period of a running one does.
class Timer {
public:
    explicit Timer(std::function<void()> onTimeout);
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setInterval(std::int32_t milliseconds);
    [[nodiscard]] std::int32_t interval() const;
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
