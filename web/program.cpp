// SPDX-License-Identifier: GPL-3.0-or-later
// What the page's script calls: start-up, the buttons and the end. The
// browser has no modal loops, so each call does its part and returns.
#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/system_time.h"
#include "platform/program_end.h"
#include "platform/random_source.h"
#include "platform/runtime_error.h"
#include "platform/timer.h"
#include "web/frm_hoofd.h"
#include "web/frm_werk.h"
#include "web/page.h"

#include <emscripten/emscripten.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

// One of each, created on first use and kept, as the desktop's window slots are.
struct Program {
    core::ExerciseState state;
    platform::RandomSource random{platform::systemClock()};
    platform::ClockTimeSource time{platform::systemClock(), [](const platform::Clock &, std::function<void()> onAlarm) {
                                       return platform::makeFrameAlarm(std::move(onAlarm));
                                   }};
    std::unique_ptr<web::frm_hoofd> hoofd;
    std::unique_ptr<web::frm_werk> werk;

    web::frm_hoofd &frmHoofd()
    {
        if (!hoofd)
            hoofd = std::make_unique<web::frm_hoofd>(state, [this] { openExercise(); });
        return *hoofd;
    }

    web::frm_werk &frmWerk()
    {
        if (!werk)
            werk = std::make_unique<web::frm_werk>(state, random, time);
        return *werk;
    }

    void openExercise() { frmWerk().show(); }
};

Program &program()
{
    static Program instance;
    return instance;
}

// Timers that are silenced still ask for frames: once the handler that ended
// the program has returned, they go (tarvelin_release_views).
// clang-format off
EM_JS(void, release_views_later, (), { setTimeout(() => Module['_tarvelin_release_views'](), 0); });
// clang-format on

void end(int exitCode)
{
    if (platform::isProgramEnding())
        return;
    platform::endProgram(exitCode);
    release_views_later();
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void tarvelin_main()
{
    platform::setRuntimeErrorHandler([](const platform::RuntimeError &error) {
        if (platform::isProgramEnding())
            return;
        web::page::showRuntimeError(error.message());
        end(1);
    });
    core::Main(program().state, [] { program().frmHoofd().show(); });
}

EMSCRIPTEN_KEEPALIVE void tarvelin_start(const char *startText, const char *speedText)
{
    if (!platform::isProgramEnding() && program().hoofd)
        program().hoofd->cmd_start_Click(startText, speedText);
}

EMSCRIPTEN_KEEPALIVE void tarvelin_faster()
{
    if (!platform::isProgramEnding() && program().werk)
        program().werk->Command1_Click();
}

EMSCRIPTEN_KEEPALIVE void tarvelin_slower()
{
    if (!platform::isProgramEnding() && program().werk)
        program().werk->Command2_Click();
}

EMSCRIPTEN_KEEPALIVE void tarvelin_exit()
{
    end(0);
}

EMSCRIPTEN_KEEPALIVE void tarvelin_release_views()
{
    program().werk.reset();
    program().hoofd.reset();
}

} // extern "C"
