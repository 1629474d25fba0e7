// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the exercise on a hand-stepped clock with random settings, typed
// texts, clicks and late wake-ups, and prints everything the core asks of
// the window, each with its moment. The desktop's build and the browser's
// WebAssembly must print the same, line for line (compare_traces.mjs).
// Only the generator's raw output is used: the standard's distributions
// differ between standard libraries.
#include "core/exercise_state.h"
#include "core/module1.h"
#include "core/paced_exercise.h"
#include "core/settings_input.h"
#include "platform/random_source.h"
#include "tests/support/fake_view.h"
#include "tests/support/manual_time.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Duration = std::chrono::nanoseconds;

class Trace {
public:
    explicit Trace(const ManualTime &time)
        : m_time(time)
    {
    }

    // Bytes outside printable ASCII are written as \xHH: the text is compared
    // byte for byte, not as the way out of each build decodes it.
    void line(std::string_view what, std::string_view detail = {}) const
    {
        std::string escaped;
        for (const char c : detail) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
                escaped += c;
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                escaped += hex;
            }
        }
        std::printf("%" PRId64 " %.*s %s\n", static_cast<std::int64_t>(m_time.now().count()),
                    static_cast<int>(what.size()), what.data(), escaped.c_str());
    }

private:
    const ManualTime &m_time;
};

const std::vector<std::string> goodNumbers = {
    "2000", "1905", "300", "100", "21", "20", "0", "-50", " +150 ", "-2147483648", "2147483647", "0000250",
};

// Pieces a careless or hostile user might type or paste.
const std::vector<std::string> pieces = {
    "0", "1", "5", "9", "00", "+", "-", " ", "\t", "\xc2\xa0", "\xe3\x80\x80", "\xef\xbc\x93", ",", ".",
    "e5", "2147483648", "-2147483649", "abc", "\xff", "<b>", "\xf0\x9f\x98\x80", "x",
};

std::uint64_t below(std::mt19937_64 &random, std::uint64_t bound)
{
    return random() % bound;
}

std::string typedText(std::mt19937_64 &random)
{
    if (below(random, 2) == 0)
        return goodNumbers[below(random, goodNumbers.size())];
    std::string text;
    for (std::uint64_t n = below(random, 50); n > 0; --n)
        text += pieces[below(random, pieces.size())];
    return text;
}

// Reads the field as both shells do, until a text is accepted; the rejected
// ones print their message.
std::int32_t readUntilAccepted(const core::SettingsField &field, std::mt19937_64 &random, const Trace &trace)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const core::FieldReading reading = core::readSettingsField(field, typedText(random));
        if (reading.value) {
            trace.line(field.name, std::to_string(*reading.value));
            return *reading.value;
        }
        trace.line("message", reading.message);
    }
    return 300;
}

// One exercise on hand-stepped time, written down as it goes; its window
// opens with open(), once the settings are known. The draw re-seeds from the
// hand-stepped clock, so the stimuli follow its time.
struct TracedExercise {
    TracedExercise()
    {
        core::fillDefaults(state);
        view.onCall = [this](std::string_view what, std::string_view detail) { trace.line(what, detail); };
    }

    core::PacedExercise &open(std::int32_t interval, std::int32_t speedStep)
    {
        state.flash_interval = interval;
        state.speed_step = speedStep;
        view.exercise = &exercise.emplace(state, view, stimuli, time.source);
        exercise->start();
        return *exercise;
    }

    ManualTime time;
    const Trace trace{time};
    platform::RandomSource stimuli{time.clock()};
    core::ExerciseState state;
    FakeView view;
    std::optional<core::PacedExercise> exercise;
};

void playRun(std::uint64_t seed, Duration length)
{
    std::mt19937_64 random(seed);
    TracedExercise exercise;
    const Trace &trace = exercise.trace;
    ManualTime &time = exercise.time;
    const std::int32_t interval = readUntilAccepted(core::startIntervalField, random, trace);
    core::PacedExercise &window = exercise.open(interval, readUntilAccepted(core::accelerationField, random, trace));

    // Wake-ups come up to 3 ms late, and one in 200 more than a second: a stall
    // that moves the timeline on. Decided by the deadline, so both builds agree.
    const ManualTime::WakeRule wake = [](Duration deadline) {
        const auto hash = static_cast<std::uint64_t>(deadline.count()) * 0x9E3779B97F4A7C15ULL;
        const Duration late = Duration{static_cast<std::int64_t>((hash >> 20) % 3'000'000)};
        return (hash >> 56) % 200 == 0 ? deadline + 1200ms + late : deadline + late;
    };
    const Duration end = time.now() + length;
    while (time.now() < end) {
        time.runUntil(time.now() + Duration{static_cast<std::int64_t>(below(random, 2'500'000'000))}, wake);
        switch (below(random, 3)) {
        case 0:
            trace.line("click", "versnel");
            window.Command1_Click();
            break;
        case 1:
            trace.line("click", "vertraag");
            window.Command2_Click();
            break;
        default:
            break;
        }
    }
    trace.line("end", std::to_string(exercise.state.flash_interval) + " " + std::to_string(exercise.state.speed_step));
}

// The exact timeline of one exercise: every wake-up on time and no clicks.
// What the browser bench holds the page's changes to.
void playNominal(std::int32_t interval, std::int32_t speedStep, Duration length)
{
    TracedExercise exercise;
    exercise.open(interval, speedStep);
    exercise.time.runUntil(exercise.time.now() + length);
}

} // namespace

int main(int argc, char **argv)
{
    // core_trace --nominal <interval> <acceleration> <seconds>
    if (argc == 5 && std::string_view(argv[1]) == "--nominal") {
        playNominal(std::atoi(argv[2]), std::atoi(argv[3]), std::chrono::seconds(std::atoi(argv[4])));
        return 0;
    }
    const std::uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 16;
    for (int run = 0; run < runs; ++run) {
        std::printf("run %d\n", run);
        playRun(seed * 1000 + static_cast<std::uint64_t>(run), 40s);
    }
    return 0;
}
