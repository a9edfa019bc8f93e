#pragma once

// The fault matrix: every fault switch of the simulator against every
// service Lumo calls, each driven through the flow a user starts. A cell
// runs the flow under one switch, waits for its end, and records what the
// user was shown and how long it took; the rows go to a markdown table in
// the build folder (fault_table/<test>.md) and to the test's output.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "flow/list_model.h"
#include "sim/fault.h"
#include "sim/service.h"
#include "sim/simulator.h"

namespace lumo::faults {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The seven switches as the matrix uses them: a delay well under every
// time-out Lumo sets, a 503, a length 1000 bytes too long, and 16 KB/s.
inline std::vector<sim::Fault> Switches() {
    std::vector<sim::Fault> all;
    for (const sim::FaultKind kind :
         {sim::FaultKind::Delay, sim::FaultKind::Drop, sim::FaultKind::Empty, sim::FaultKind::Status,
          sim::FaultKind::Garbage, sim::FaultKind::WrongLength, sim::FaultKind::Throttle}) {
        sim::Fault fault;
        fault.kind = kind;
        fault.ms = 300;
        fault.status = 503;
        fault.bytes = 1000;
        fault.rate = 16 * 1024;
        all.push_back(fault);
    }
    return all;
}

// A row's availability icon as the table names it.
inline std::string StateName(const std::optional<flow::AvailabilityState>& state) {
    if (!state) return "no state";
    switch (*state) {
        case flow::AvailabilityState::Checking: return "checking";
        case flow::AvailabilityState::Playable: return "playable";
        case flow::AvailabilityState::NotPlayable: return "not playable";
        case flow::AvailabilityState::SeveralFiles: return "several files";
    }
    return "?";
}

inline std::string SwitchName(const sim::Fault& fault) {
    switch (fault.kind) {
        case sim::FaultKind::Delay:
            return "Delay " + std::to_string(fault.ms) + " ms" +
                   (fault.ms >= 1000 ? " (time-out lowered to 1 s)" : "");
        case sim::FaultKind::Status: return "Status " + std::to_string(fault.status);
        case sim::FaultKind::WrongLength:
            return "WrongLength " + std::string(fault.bytes > 0 ? "+" : "") + std::to_string(fault.bytes);
        case sim::FaultKind::Throttle: return "Throttle " + std::to_string(fault.rate / 1024) + " KB/s";
        default: {
            std::string name = sim::FaultKindName(fault.kind);
            if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
            return name;
        }
    }
}

// Where Lumo has a setting for a request's time-out, the cells lower it to
// this and add a delay past it.
constexpr int kLoweredTimeoutSeconds = 1;
inline sim::Fault PastTheTimeOut() {
    sim::Fault fault;
    fault.kind = sim::FaultKind::Delay;
    fault.ms = 1500;
    return fault;
}
inline bool IsPastTheTimeOut(const sim::Fault& fault) {
    return fault.kind == sim::FaultKind::Delay && fault.ms >= kLoweredTimeoutSeconds * 1000;
}
// The switches and the delay past the lowered time-out.
inline std::vector<sim::Fault> SwitchesAndTimeOut() {
    std::vector<sim::Fault> all = Switches();
    all.push_back(PastTheTimeOut());
    return all;
}

// Whether a switch leaves the answer as it was, only later or slower.
inline bool Harmless(const sim::Fault& fault) {
    return (fault.kind == sim::FaultKind::Delay && !IsPastTheTimeOut(fault)) ||
           fault.kind == sim::FaultKind::Throttle;
}

// Whether the whole answer still arrives: a length promised too long ends
// in a broken-off read, and the readers that keep what arrived (HttpRequest's
// 713, InetRequest) then hold the complete page.
inline bool WholeAnswerArrives(const sim::Fault& fault) {
    return Harmless(fault) || (fault.kind == sim::FaultKind::WrongLength && fault.bytes > 0);
}

// One row of the table.
struct Cell {
    std::string service;
    std::string flow;
    std::string fault;
    std::string seen;      // the message or state the user was left with
    double seconds = 0;    // from the user's action to that end
    double boundSeconds = 0;
};

inline std::string Escaped(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c == '|') out += "\\|";
        else if (c == '\n') out += " ";
        else out += c;
    }
    return out;
}

// The rows of the running test, written when it ends.
class FaultTable {
public:
    static FaultTable& Instance() {
        static FaultTable table;
        return table;
    }
    void Add(const Cell& cell) {
        rows_.push_back(cell);
        char took[32];
        std::snprintf(took, sizeof took, "%.2f s", cell.seconds);
        std::printf("[cell] %s | %s | %s -> %s (%s)\n", cell.service.c_str(), cell.flow.c_str(), cell.fault.c_str(),
                    cell.seen.c_str(), took);
        std::fflush(stdout);
    }
    // Writes the rows added since the last call under the test's name.
    void Flush(const std::string& testName) {
        if (rows_.empty()) return;
        const std::filesystem::path folder = std::filesystem::path(LUMO_FAULT_TABLE_DIR);
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        std::ofstream out(folder / (testName + ".md"), std::ios::trunc);
        for (const Cell& cell : rows_) {
            char took[32];
            char bound[32];
            std::snprintf(took, sizeof took, "%.2f s", cell.seconds);
            std::snprintf(bound, sizeof bound, "%.0f s", cell.boundSeconds);
            out << "| " << Escaped(cell.service) << " | " << Escaped(cell.flow) << " | " << Escaped(cell.fault)
                << " | " << Escaped(cell.seen) << " | " << took << " | " << bound << " |\n";
        }
        rows_.clear();
    }

private:
    std::vector<Cell> rows_;
};

// Writes each test's rows when it ends, passed or not.
class TableWriter : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        FaultTable::Instance().Flush(std::string(info.test_suite_name()) + "." + info.name());
    }
};

inline bool InstallTableWriter() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TableWriter);
    return true;
}

// Runs the GUI thread's events until `done` holds; false on timeout.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

inline void PumpFor(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
}

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The bytes of files a failed action must leave as they were (nullopt for
// a file that does not exist).
class FileSnapshot {
public:
    explicit FileSnapshot(std::vector<std::filesystem::path> paths) : paths_(std::move(paths)) {
        for (const auto& path : paths_) bytes_.push_back(Read(path));
    }
    // The files that differ now, by name.
    std::vector<std::string> Changed() const {
        std::vector<std::string> changed;
        for (size_t i = 0; i < paths_.size(); ++i)
            if (Read(paths_[i]) != bytes_[i]) changed.push_back(paths_[i].filename().string());
        return changed;
    }

private:
    static std::optional<std::string> Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::filesystem::path> paths_;
    std::vector<std::optional<std::string>> bytes_;
};

// A fresh data directory with a settings file, a history file and a
// favourite in it, so that a stale write shows as a change.
inline std::filesystem::path MakeDataDirectory(const std::string& tag) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("lumo-faults-" + tag + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    const std::filesystem::path home = pattern;
    ::setenv("LUMO_HOME", home.c_str(), 1);
    std::ofstream(home / "config.ini", std::ios::binary)
        << "[config]\r\nzhanghao=someone\r\nmima=secret\r\n[shoucang]\r\nshuliang=1\r\n";
    std::ofstream(home / "lumojl.ini", std::ios::binary) << "[jl]\r\nshuliang=0\r\n";
    return home;
}

inline std::vector<std::filesystem::path> StoredFiles(const std::filesystem::path& home) {
    return {home / "config.ini", home / "lumojl.ini"};
}

// The given columns of a list's rows as one text, to compare before and after.
inline std::string RowsOf(const flow::ListModel& list, std::vector<int> columns) {
    std::string all;
    for (int row = 0; row < list.RowCount(); ++row) {
        for (const int column : columns) all += list.Cell(row, column) + "\t";
        all += "\n";
    }
    return all;
}

inline std::string Join(const std::vector<std::string>& parts, const char* between = "; ") {
    std::string out;
    for (const auto& part : parts) out += (out.empty() ? "" : between) + part;
    return out;
}

}  // namespace lumo::faults
