#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "flow/gui_channel.h"
#include "flow/list_model.h"
#include "resolve/checked_list.h"
#include "resolve/resolve_endpoints.h"

namespace lumo::resolve {

// Gives every row of a freshly filled list its state icon: one check per
// row on a worker of its own, started 100 ms apart by a timer (the GUI
// thread never waits), each change carried back to the GUI thread.
//
// A check belongs to the list's generation it was started in. Refilling the
// list (ListModel::Clear) cancels it: the starts still due are dropped, the
// running workers stop before their next request, and anything they report
// afterwards is thrown away on the GUI thread, so nothing lands in the new
// rows.
class AvailabilityChecker : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kSpacing{100};

    // `endpoints` must outlive the checker.
    explicit AvailabilityChecker(const ResolveEndpoints& endpoints, QObject* parent = nullptr);
    ~AvailabilityChecker() override;

    // Starts the checks of every row the list has now, in order: row r is
    // marked Checking and its worker started r × 100 ms from now. Returns at
    // once. Rows not reached yet keep no state.
    void StartAvailabilityChecks(flow::ListModel& list, CheckedList kind);

    // Rows of the list whose check has started and not yet reported its end
    // (due starts included).
    int PendingChecks(const flow::ListModel& list) const;

signals:
    // A row got its final state.
    void RowChecked(lumo::flow::ListModel* list, int row, lumo::flow::AvailabilityState state);

private:
    struct Sequence {
        QPointer<flow::ListModel> list;
        uint64_t generation = 0;
        CheckedList kind = CheckedList::Search;
        int count = 0;
        int next = 0;      // next row to start
        int finished = 0;  // rows with a final state
        bool starting = true;  // false once a later start on the list took over
        std::chrono::steady_clock::time_point begin;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };

    void StartNextRow(uint64_t sequenceId);
    void ScheduleNextRow(uint64_t sequenceId);
    void Apply(uint64_t sequenceId, int row, int column, std::string text,
               std::optional<flow::AvailabilityState> state);
    void WatchList(flow::ListModel& list);
    void Forget(const flow::ListModel* list);

    const ResolveEndpoints& endpoints_;
    std::shared_ptr<flow::GuiChannel> channel_;
    std::map<uint64_t, Sequence> sequences_;
    struct Watch {
        QMetaObject::Connection cleared;
        QMetaObject::Connection destroyed;
    };
    std::map<const flow::ListModel*, Watch> watched_;
    uint64_t nextSequenceId_ = 1;
};

}  // namespace lumo::resolve
