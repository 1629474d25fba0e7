// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/onset_analysis.h"

#include <QEvent>

#include <algorithm>
#include <cmath>
#include <optional>

namespace bench {

namespace {

double ms(Nanos d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

const DispatchedEvent *firstRepaintFrom(const std::vector<DispatchedEvent> &events, Nanos from)
{
    const auto it = std::find_if(events.begin(), events.end(),
                                 [&](const DispatchedEvent &e) { return e.type == QEvent::UpdateRequest && e.start >= from; });
    return it == events.end() ? nullptr : &*it;
}

// The alarm whose call delivered a handler at `handled`: the last to fire before it.
std::optional<std::size_t> alarmBefore(const RunRecord &run, Nanos handled)
{
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < run.wakes.size(); ++i) {
        if (run.wakes[i].fired <= handled && (!last || run.wakes[i].fired > run.wakes[*last].fired))
            last = i;
    }
    return last;
}

// Longer than this, a stretch in which the thread did not run is counted.
constexpr Nanos noticeable = std::chrono::microseconds(200);

// Why the onset handled at `handled`, due at `due` and `errorMs` late, came late.
Cause explain(const RunRecord &run, Nanos due, double errorMs, const ThreadMoment &handled, const ThreadMoment *previous)
{
    for (const auto &[from, until] : run.holdUps) {
        if (from < handled.at && until > due)
            return Cause::HoldUp;
    }
    if (!run.ours)
        return Cause::PlainTimer;
    const auto found = alarmBefore(run, handled.at);
    if (!found)
        return Cause::Unexplained;
    const AlarmWake &alarm = run.wakes[*found];
    // A late wake-up while the thread was idle: the system's timer came late,
    // or it came and the thread then waited for a core while others ran.
    const auto wokeLate = [&] {
        const double waited = ms(handled.waited - (previous ? previous->waited : run.waitedAtStart));
        return waited >= errorMs / 2 ? Cause::WaitedForCore : Cause::MachineWokeLate;
    };
    if (alarm.woke <= alarm.deadline && !alarm.outOfReserve) {
        if (alarm.finishWoke > alarm.deadline)
            return wokeLate(); // in time for its own short sleep, which the system ended late
        // The busy finish's last two readings of the clock lie on either side
        // of the deadline, and between them the thread does nothing else: if
        // the last came late, the thread stood still there.
        if (alarm.fired - alarm.deadline > noticeable)
            return Cause::SpinStall;
        // Wall time between the alarm and the handler that the thread did not run.
        const Nanos offCore = (handled.at - alarm.fired) - (handled.threadCpu - alarm.threadCpu);
        return offCore > noticeable ? Cause::Preempted : Cause::AfterAlarm;
    }
    // The reserve is to blame if it made the alarm sleep on, or asked for a
    // later wake-up than the margin wanted, which the whole margin would have met.
    const bool marginCut = alarm.deadline - alarm.askedFor < alarm.margin;
    if (alarm.outOfReserve || (marginCut && alarm.woke - alarm.askedFor <= alarm.margin))
        return Cause::OutOfReserve;
    // Woken late: was the thread in another event when the wake-up was due?
    // The event that holds `woke` is the wake-up's own dispatch: between its
    // start and the alarm's code only Qt's dispatch runs, so if it started
    // before the deadline and took long there, the event loop woke the thread
    // in time and the thread then stood still.
    const DispatchedEvent *own = nullptr;
    const DispatchedEvent *holder = nullptr;
    for (const DispatchedEvent &e : run.events) {
        if (e.start <= alarm.woke && e.end >= alarm.woke)
            own = &e;
        else if (e.start < alarm.woke && e.end > alarm.askedFor && (!holder || e.end - e.start > holder->end - holder->start))
            holder = &e;
    }
    if (own && own->start < alarm.deadline && alarm.woke - own->start > noticeable)
        return Cause::DispatchStall;
    if (!holder)
        return wokeLate();
    // An event that took long in wall time but little of the thread's CPU
    // held the alarm up only because the system took the core from it.
    const Nanos offCore = (holder->end - holder->start) - holder->cpu;
    return offCore > noticeable && offCore > holder->cpu ? Cause::EventStall : Cause::ThreadBusy;
}

} // namespace

const char *labelOf(Cause cause)
{
    switch (cause) {
    case Cause::OnTime: return "on time";
    case Cause::MachineWokeLate: return "the system woke the idle thread late (machine)";
    case Cause::WaitedForCore: return "woken, the thread waited for a core (machine)";
    case Cause::Preempted: return "the system ran something else between alarm and handler (machine)";
    case Cause::DispatchStall: return "woken in time, stood still in Qt's dispatch of the wake-up (machine)";
    case Cause::SpinStall: return "woken in time, stood still in its busy finish (machine)";
    case Cause::ThreadBusy: return "the thread was busy when the alarm was due";
    case Cause::EventStall: return "the thread was in an event, off its core for most of it (machine)";
    case Cause::OutOfReserve: return "the busy-finish reserve did not cover the wait";
    case Cause::AfterAlarm: return "the alarm was on time, the handler ran later";
    case Cause::HoldUp: return "the scenario's hold-up";
    case Cause::PlainTimer: return "plain Qt timer";
    case Cause::Unexplained: return "unexplained";
    }
    return "";
}

bool isMachines(Cause cause)
{
    return cause == Cause::MachineWokeLate || cause == Cause::WaitedForCore || cause == Cause::Preempted
           || cause == Cause::DispatchStall || cause == Cause::SpinStall || cause == Cause::EventStall;
}

std::vector<OnsetRow> joinOnsets(const RunRecord &run)
{
    std::vector<OnsetRow> rows;
    const std::size_t count = std::min(run.nominal.size(), run.handled.size());
    for (std::size_t i = 0; i < count; ++i) {
        OnsetRow row;
        row.kind = run.nominal[i].kind;
        const Nanos due = run.origin + std::chrono::microseconds(run.nominal[i].atUs);
        const Nanos handled = run.handled[i].at;
        const Nanos nextHandled = i + 1 < run.handled.size() ? run.handled[i + 1].at : Nanos::max();
        row.nominalMs = ms(due - run.origin);
        row.errorMs = ms(handled - due);

        const auto pixel = std::lower_bound(run.pixels.begin(), run.pixels.end(), handled);
        const DispatchedEvent *repaint = firstRepaintFrom(run.events, handled);
        const bool seen = pixel != run.pixels.end() && *pixel < nextHandled;
        row.pixelErrorMs = seen ? ms(*pixel - due) : std::nan("");
        row.queueMs = seen && repaint ? ms(repaint->start - handled) : std::nan("");
        if (row.errorMs > explainMs)
            row.cause = explain(run, due, row.errorMs, run.handled[i], i > 0 ? &run.handled[i - 1] : nullptr);
        rows.push_back(row);
    }
    return rows;
}

std::vector<OnsetRow> clickRows(const RunRecord &run, const std::vector<Click> &clicks, const std::vector<OnsetRow> &rows)
{
    std::vector<OnsetRow> out;
    for (const Click &click : clicks) {
        // The first step handled after the click, and the half cycle that follows it.
        const Nanos at = run.origin + std::chrono::microseconds(click.atUs);
        for (std::size_t i = 0; click.faster && i + 1 < rows.size() && i + 1 < run.handled.size(); ++i) {
            if (run.handled[i].at < at)
                continue;
            OnsetRow row = rows[i + 1];
            const double measured = ms(run.handled[i + 1].at - run.handled[i].at);
            row.errorMs = std::abs(measured - (rows[i + 1].nominalMs - rows[i].nominalMs));
            const Cause before = rows[i].cause;
            if (before == Cause::Unexplained || (isMachines(before) && row.cause != Cause::Unexplained))
                row.cause = before;
            out.push_back(row);
            break;
        }
    }
    return out;
}

} // namespace bench
