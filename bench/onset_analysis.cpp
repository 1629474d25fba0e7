// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/onset_analysis.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

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

// How long the thread was ready but off its core since the onset before, in ms.
double waitedSince(const RunRecord &run, const ThreadMoment &handledOnset, const ThreadMoment *previous)
{
    return ms(handledOnset.waited - (previous ? previous->waited : run.waitedAtStart));
}

// A late wake-up while the thread was idle: the system's timer came late, or it
// came and the thread then waited for a core while other processes ran.
Cause wokeLate(const RunRecord &run, const ThreadMoment &handledOnset, const ThreadMoment *previous, OnsetRow &row)
{
    row.waitedMs = waitedSince(run, handledOnset, previous);
    return row.waitedMs >= row.errorMs / 2 ? Cause::WaitedForCore : Cause::MachineWokeLate;
}

// Longer than this, a stretch in which the thread did not run is counted.
constexpr Nanos noticeable = std::chrono::microseconds(200);

void explain(const RunRecord &run, Nanos due, const ThreadMoment &handledOnset, const ThreadMoment *previous,
             OnsetRow &row)
{
    for (const auto &[from, until] : run.holdUps) {
        if (from < handledOnset.at && until > due) {
            row.cause = Cause::HoldUp;
            return;
        }
    }
    if (!run.ours) {
        row.cause = Cause::PlainTimer;
        return;
    }
    const auto found = alarmBefore(run, handledOnset.at);
    if (!found) {
        row.cause = Cause::Unexplained;
        return;
    }
    const AlarmWake *alarm = &run.wakes[*found];
    row.earlyMs = ms(alarm->deadline - alarm->askedFor);
    row.wokeLateMs = ms(alarm->woke - alarm->askedFor);
    if (alarm->woke <= alarm->deadline && !alarm->outOfReserve) {
        if (alarm->finishWoke > alarm->deadline) {
            // In time for its own short sleep, which the system ended late.
            row.earlyMs = ms(alarm->deadline - alarm->finishFrom);
            row.wokeLateMs = ms(alarm->finishWoke - alarm->finishFrom);
            row.cause = wokeLate(run, handledOnset, previous, row);
            return;
        }
        // The busy finish's last two readings of the clock lie on either side
        // of the deadline, and between them the thread does nothing else: if
        // the last came late, the thread stood still there.
        if (alarm->fired - alarm->deadline > noticeable) {
            row.earlyMs = ms(alarm->deadline - alarm->finishFrom);
            row.wokeLateMs = ms(alarm->finishWoke - alarm->finishFrom);
            row.waitedMs = waitedSince(run, handledOnset, previous);
            row.cause = Cause::SpinStall;
            return;
        }
        // Wall time between the alarm and the handler that the thread did not run.
        const Nanos offCore = (handledOnset.at - alarm->fired)
                              - (handledOnset.threadCpu - alarm->threadCpu);
        row.cause = offCore > noticeable ? Cause::Preempted : Cause::AfterAlarm;
        return;
    }
    // The reserve is to blame if it made the alarm sleep on, or asked for a
    // later wake-up than the margin wanted, which the whole margin would have met.
    const bool marginCut = alarm->deadline - alarm->askedFor < alarm->margin;
    if (alarm->outOfReserve || (marginCut && alarm->woke - alarm->askedFor <= alarm->margin)) {
        row.cause = Cause::OutOfReserve;
        return;
    }
    // Woken late: was the thread in another event when the wake-up was due?
    // The event that holds `woke` is the wake-up's own dispatch: between its
    // start and the alarm's code only Qt's dispatch runs, so if it started
    // before the deadline and took long there, the event loop woke the thread
    // in time and the thread then stood still.
    const DispatchedEvent *own = nullptr;
    const DispatchedEvent *holder = nullptr;
    for (const DispatchedEvent &e : run.events) {
        if (e.start <= alarm->woke && e.end >= alarm->woke)
            own = &e;
        else if (e.start < alarm->woke && e.end > alarm->askedFor
                 && (!holder || e.end - e.start > holder->end - holder->start))
            holder = &e;
    }
    if (own && own->start < alarm->deadline && alarm->woke - own->start > noticeable) {
        row.cause = Cause::DispatchStall;
        row.busyWith = own->type;
        return;
    }
    if (!holder) {
        row.cause = wokeLate(run, handledOnset, previous, row);
        return;
    }
    // An event that took long in wall time but little of the thread's CPU
    // held the alarm up only because the system took the core from it.
    const Nanos offCore = (holder->end - holder->start) - holder->cpu;
    row.cause = offCore > noticeable && offCore > holder->cpu ? Cause::EventStall : Cause::ThreadBusy;
    row.busyWith = holder->type;
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

QString eventName(int type)
{
    switch (type) {
    case QEvent::Timer: return QStringLiteral("timer");
    case QEvent::SockAct: return QStringLiteral("socket notifier");
    case QEvent::UpdateRequest: return QStringLiteral("repaint");
    case QEvent::Paint: return QStringLiteral("paint");
    case QEvent::MetaCall: return QStringLiteral("queued call");
    case QEvent::Expose: return QStringLiteral("expose");
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: return QStringLiteral("mouse");
    default: return QStringLiteral("event %1").arg(type);
    }
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
        if (pixel != run.pixels.end() && *pixel < nextHandled) {
            row.pixelErrorMs = ms(*pixel - due);
            row.queueMs = repaint ? ms(repaint->start - handled) : std::nan("");
            row.paintMs = repaint ? ms(repaint->end - repaint->start) : std::nan("");
            row.serverMs = repaint && repaint->end <= *pixel ? ms(*pixel - repaint->end) : std::nan("");
        } else {
            row.pixelErrorMs = row.queueMs = row.paintMs = row.serverMs = std::nan("");
        }
        if (row.errorMs > explainMs)
            explain(run, due, run.handled[i], i > 0 ? &run.handled[i - 1] : nullptr, row);
        rows.push_back(row);
    }
    return rows;
}

std::vector<ClickError> clickErrors(const RunRecord &run, const std::vector<Click> &clicks,
                                    const std::vector<OnsetRow> &rows)
{
    std::vector<ClickError> errors;
    for (const Click &click : clicks) {
        if (!click.faster)
            continue;
        // The first step handled after the click, and the half cycle that follows it.
        const Nanos at = run.origin + std::chrono::microseconds(click.atUs);
        for (std::size_t i = 0; i + 1 < rows.size() && i + 1 < run.handled.size(); ++i) {
            if (run.handled[i].at < at)
                continue;
            const double measured = ms(run.handled[i + 1].at - run.handled[i].at);
            const double nominal = rows[i + 1].nominalMs - rows[i].nominalMs;
            errors.push_back({std::abs(measured - nominal), isMachines(rows[i].cause) || isMachines(rows[i + 1].cause),
                              rows[i].cause == Cause::Unexplained || rows[i + 1].cause == Cause::Unexplained});
            break;
        }
    }
    return errors;
}

} // namespace bench
