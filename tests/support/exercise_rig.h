// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_state.h"
#include "core/module1.h"
#include "core/paced_exercise.h"
#include "platform/random_source.h"
#include "tests/support/fake_view.h"
#include "tests/support/manual_time.h"

#include <chrono>
#include <cstdint>
#include <memory>

// Passes timers through without their lookahead, so the pacing timer wakes for
// every tick: the plain path that the sleeping one must match.
class NoLookahead final : public platform::TimeSource {
public:
    explicit NoLookahead(platform::TimeSource &inner)
        : m_inner(inner)
    {
    }
    std::unique_ptr<platform::TimerBackend> makeTimer(std::function<void()> onTick) override
    {
        return std::make_unique<Backend>(m_inner.makeTimer(std::move(onTick)));
    }
    void runBetweenTicks(const std::function<void()> &event) override { m_inner.runBetweenTicks(event); }

private:
    struct Backend final : platform::TimerBackend {
        explicit Backend(std::unique_ptr<platform::TimerBackend> inner)
            : inner(std::move(inner))
        {
        }
        void setInterval(std::int32_t ms) override { inner->setInterval(ms); }
        void setEnabled(bool enabled) override { inner->setEnabled(enabled); }
        void setLookahead(std::function<std::int64_t()>) override {}
        std::unique_ptr<platform::TimerBackend> inner;
    };
    platform::TimeSource &m_inner;
};

// The exercise window's wiring without its widgets: the real engine on the real
// timers, on time that moves only when the test says so, writing to a FakeView.
// The pacing timer starts, as the window's does, when the rig is made.
class ExerciseRig {
public:
    using Duration = std::chrono::nanoseconds;

    ExerciseRig(std::int32_t interval, std::int32_t step, std::uint64_t seed = 42, bool wakesEveryTick = false)
        : random(drawClock, seed)
        , m_noLookahead(time.source)
        , exercise(state, view, random, wakesEveryTick ? static_cast<platform::TimeSource &>(m_noLookahead) : time.source)
    {
        core::fillDefaults(state);
        state.flash_interval = interval;
        state.speed_step = step;
        view.exercise = &exercise;
        origin = time.now();
        exercise.start();
    }
    ExerciseRig(const ExerciseRig &) = delete;
    ExerciseRig &operator=(const ExerciseRig &) = delete;

    [[nodiscard]] Duration elapsed() const { return time.now() - origin; }
    [[nodiscard]] std::int64_t elapsedMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed()).count();
    }

    // Runs 10 ms at a time until `done` holds, at most `limit`; returns whether it did.
    template<typename Done>
    bool runUntil(Done done, Duration limit)
    {
        const Duration end = time.now() + limit;
        while (!done() && time.now() < end)
            time.runUntil(time.now() + std::chrono::milliseconds(core::tickPeriodMs));
        return done();
    }

    ManualTime time;
    HandClock drawClock = frozenClock(); // the same draws in every run of a seed
    platform::RandomSource random;
    core::ExerciseState state;
    FakeView view;

private:
    NoLookahead m_noLookahead;

public:
    core::PacedExercise exercise;
    Duration origin{0};
};
