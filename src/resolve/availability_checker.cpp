#include "resolve/availability_checker.h"

#include <QTimer>

#include <algorithm>
#include <utility>

#include "flow/worker_threads.h"
#include "resolve/availability_check.h"

namespace lumo::resolve {

using flow::AvailabilityState;
using flow::ListModel;

AvailabilityChecker::AvailabilityChecker(const ResolveEndpoints& endpoints, QObject* parent)
    : QObject(parent), endpoints_(endpoints), channel_(flow::GuiChannel::Open(this)) {}

AvailabilityChecker::~AvailabilityChecker() {
    channel_->Close();
    for (auto& [id, sequence] : sequences_) sequence.cancelled->store(true);
    for (auto& [list, watch] : watched_) {
        disconnect(watch.cleared);
        disconnect(watch.destroyed);
    }
}

void AvailabilityChecker::StartAvailabilityChecks(ListModel& list, CheckedList kind) {
    WatchList(list);
    const int count = list.RowCount();
    if (count == 0) return;
    // A second start on the same rows takes over the due starts; the checks
    // already running still report into these rows.
    for (auto& [id, sequence] : sequences_)
        if (sequence.list.data() == &list) sequence.starting = false;

    const uint64_t id = nextSequenceId_++;
    Sequence& sequence = sequences_[id];
    sequence.list = &list;
    sequence.generation = list.Generation();
    sequence.kind = kind;
    sequence.count = count;
    sequence.begin = std::chrono::steady_clock::now();
    sequence.cancelled = std::make_shared<std::atomic<bool>>(false);
    StartNextRow(id);
}

int AvailabilityChecker::PendingChecks(const ListModel& list) const {
    int pending = 0;
    for (const auto& [id, sequence] : sequences_) {
        if (sequence.list.data() != &list || sequence.generation != list.Generation()) continue;
        const int reached = sequence.starting ? sequence.count : sequence.next;
        pending += reached - sequence.finished;
    }
    return pending;
}

void AvailabilityChecker::StartNextRow(uint64_t sequenceId) {
    auto found = sequences_.find(sequenceId);
    if (found == sequences_.end()) return;
    Sequence& sequence = found->second;
    ListModel* list = sequence.list.data();
    if (list == nullptr || list->Generation() != sequence.generation || !sequence.starting ||
        sequence.next >= sequence.count)
        return;

    const int row = sequence.next++;
    const CheckColumns columns = ColumnsOf(sequence.kind);
    list->SetState(row, AvailabilityState::Checking);
    const std::string cell =
        list->Cell(row, sequence.kind == CheckedList::MagnetFiles ? columns.sha1 : columns.link);
    const CheckEndpoints endpoints = endpoints_.ForChecks();
    const CheckedList kind = sequence.kind;
    const std::shared_ptr<std::atomic<bool>> cancelled = sequence.cancelled;
    const std::shared_ptr<flow::GuiChannel> channel = channel_;

    // The worker keeps only values and the channel; the closures it posts
    // run on this object's thread and find the list again by sequence id.
    const bool started = flow::WorkerThreads::Start([this, sequenceId, row, cell, endpoints, kind, cancelled, channel] {
        CheckReport report;
        report.cancelled = [cancelled] { return cancelled->load(); };
        report.writeCell = [&](int column, std::string text) {
            channel->Post([this, sequenceId, row, column, text = std::move(text)]() mutable {
                Apply(sequenceId, row, column, std::move(text), std::nullopt);
            });
        };
        report.setState = [&](AvailabilityState state) {
            channel->Post([this, sequenceId, row, state] { Apply(sequenceId, row, -1, {}, state); });
        };
        if (kind == CheckedList::MagnetFiles) {
            AvailabilityCheck(cell, endpoints, report);
        } else {
            AvailabilityCheck(kind, cell, endpoints, report);
        }
    });
    if (!started) Apply(sequenceId, row, -1, {}, AvailabilityState::NotPlayable);
    ScheduleNextRow(sequenceId);
}

void AvailabilityChecker::ScheduleNextRow(uint64_t sequenceId) {
    auto found = sequences_.find(sequenceId);
    if (found == sequences_.end()) return;
    const Sequence& sequence = found->second;
    if (sequence.next >= sequence.count || !sequence.starting) return;
    // Measured from the first start, so the spacing does not drift.
    const auto due = sequence.begin + kSpacing * sequence.next;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    QTimer::singleShot(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)), Qt::PreciseTimer,
                       this, [this, sequenceId] { StartNextRow(sequenceId); });
}

void AvailabilityChecker::Apply(uint64_t sequenceId, int row, int column, std::string text,
                                std::optional<AvailabilityState> state) {
    auto found = sequences_.find(sequenceId);
    if (found == sequences_.end()) return;
    Sequence& sequence = found->second;
    ListModel* list = sequence.list.data();
    if (list == nullptr || list->Generation() != sequence.generation || sequence.cancelled->load()) return;
    if (column >= 0) list->SetCell(row, column, std::move(text));
    if (state) {
        list->SetState(row, *state);
        ++sequence.finished;
        emit RowChecked(list, row, *state);
    }
}

void AvailabilityChecker::WatchList(ListModel& list) {
    if (watched_.count(&list) != 0) return;
    Watch watch;
    const ListModel* key = &list;
    watch.cleared = connect(&list, &ListModel::Cleared, this, [this, key] {
        for (auto it = sequences_.begin(); it != sequences_.end();) {
            if (it->second.list.data() == key || it->second.list.isNull()) {
                it->second.cancelled->store(true);
                it = sequences_.erase(it);
            } else {
                ++it;
            }
        }
    });
    watch.destroyed = connect(&list, &QObject::destroyed, this, [this, key] { Forget(key); });
    watched_.emplace(key, watch);
}

void AvailabilityChecker::Forget(const ListModel* list) {
    for (auto it = sequences_.begin(); it != sequences_.end();) {
        // The pointer has already let go of a list being destroyed.
        if (it->second.list.isNull() || it->second.list.data() == list) {
            it->second.cancelled->store(true);
            it = sequences_.erase(it);
        } else {
            ++it;
        }
    }
    auto watch = watched_.find(list);
    if (watch != watched_.end()) {
        disconnect(watch->second.cleared);
        disconnect(watch->second.destroyed);
        watched_.erase(watch);
    }
}

}  // namespace lumo::resolve
