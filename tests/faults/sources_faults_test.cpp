// The lists a user fills from outside services, under every fault switch:
// both torrent searches, the film site (search list, details, poster, torrent
// pages), the shared list on the forum and the second list.
#include <fstream>
#include <tuple>

#include "faults/fault_matrix.h"
#include "sources/film_site.h"
#include "sources/resource_lists.h"
#include "sources/search_controller.h"
#include "sources/source_names.h"
#include "sources/sources_fixture.h"

namespace lumo::faults {
namespace {

using flow::AvailabilityState;
using sources::testing::SourcesTest;

const bool kTableWriter = InstallTableWriter();

// HttpRequest's 30 s per phase: every page here is read with its defaults.
constexpr double kPageSeconds = 30;
// InetRequest's 60 s: the poster.
constexpr double kPosterSeconds = 60;

class SourcesFaults : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        std::ofstream(std::filesystem::path(home_) / "config.ini", std::ios::binary) << "[config]\r\nzhanghao=a\r\n";
        std::ofstream(std::filesystem::path(home_) / "lumojl.ini", std::ios::binary) << "[jl]\r\nshuliang=0\r\n";
        QObject::connect(&Search(), &sources::SearchController::SearchListed, [this](int) { ++searches_; });
        QObject::connect(&Films(), &sources::FilmSite::FilmsListed, [this](int) { ++filmLists_; });
        QObject::connect(&Films(), &sources::FilmSite::FilmDetailsShown, [this](int) { ++details_; });
        QObject::connect(&Resources(), &sources::ResourceLists::SharedPageListed, [this](bool) { ++shared_; });
        QObject::connect(&Resources(), &sources::ResourceLists::ExtraListListed, [this](bool) { ++extra_; });
    }

    void NextCell(sim::Service service, sim::Fault fault, const std::string& pathPrefix = {}) {
        ASSERT_TRUE(flow::WorkerThreads::WaitIdle(60s));
        PumpFor(20ms);
        sim_->ClearFaults();
        ui_.texts.clear();
        ui_.informed.clear();
        ui_.images.clear();
        fault.pathPrefix = pathPrefix;
        sim_->SetFault(service, fault);
    }

    std::vector<std::filesystem::path> Stored() const { return StoredFiles(std::filesystem::path(home_)); }

    // The rows a list was given (their availability checks run on, unfaulted).
    static std::string ListSeen(const flow::ListModel& list) { return std::to_string(list.RowCount()) + " rows"; }

    void SearchCells(sim::Service service, const char* engine, const char* serviceName, const char* failure) {
        for (const sim::Fault& fault : Switches()) {
            SCOPED_TRACE(SwitchName(fault));
            NextCell(service, fault);
            const FileSnapshot files(Stored());
            ui_.texts[sources::kEngineChoice] = engine;
            ui_.texts[sources::kSearchBox] = "Birds";
            const int before = searches_;
            const auto start = Clock::now();
            Search().StartSearch();
            ASSERT_TRUE(PumpUntil([&] { return searches_ > before; }, std::chrono::seconds(int(kPageSeconds) + 1)));
            const double took = SecondsSince(start);
            EXPECT_LE(took, kPageSeconds);
            flow::ListModel& rows = ui_.Rows(resolve::kSearchList);
            const std::string top = ui_.Text(resolve::kTopStatus);
            FaultTable::Instance().Add({serviceName, std::string("search (") + engine + ")", SwitchName(fault),
                                        "top status \"" + top + "\", " + ListSeen(rows), took, kPageSeconds});
            EXPECT_FALSE(ui_.Shown(resolve::kListLoading));
            EXPECT_TRUE(ui_.informed.empty());
            EXPECT_TRUE(files.Changed().empty());
            if (WholeAnswerArrives(fault)) {
                EXPECT_EQ(top, "搜索完毕");
                EXPECT_GT(rows.RowCount(), 0);
            } else {
                EXPECT_EQ(top, failure);
                EXPECT_EQ(rows.RowCount(), 0);
            }
        }
    }

    std::string FilmsBase() const { return sim_->BaseAddress(sim::Service::Films); }
    std::string DetailAddress(const sim::Film& film) const {
        return FilmsBase() + "/subject/" + std::to_string(film.id) + ".html";
    }
    // A click on a film of the search list; waits for its details.
    bool ShowFilm(const sim::Film& film, double seconds) {
        flow::ListModel& list = ui_.Rows(sources::kFilmSearchList);
        list.Clear();
        const int row = list.AppendRow({"", "1", "film", DetailAddress(film)});
        list.SetSelectedRow(row);
        const int before = details_;
        Films().FilmRowClicked(sources::kFilmSearchList);
        return PumpUntil([&] { return details_ > before; }, std::chrono::seconds(static_cast<int>(seconds) + 1));
    }
    // The film with the most sources, so that its torrent pages are many.
    const sim::Film& SomeFilm() const { return Catalogue().films().front(); }

    int searches_ = 0;
    int filmLists_ = 0;
    int details_ = 0;
    int shared_ = 0;
    int extra_ = 0;
};

TEST_F(SourcesFaults, TorrentSearchSite) {
    SearchCells(sim::Service::Search, sources::kTorrentSiteItem, "Search", "找不到关于 Birds 的内容");
}

TEST_F(SourcesFaults, JsonSearchInterface) {
    SearchCells(sim::Service::Api, sources::kJsonEngineItem, "Api", "搜索失败或搜不到你想搜索的内容");
}

// A slow first answer that arrives after a second search has listed its
// rows must not write into the list the second search owns.
TEST_F(SourcesFaults, SlowSearchOvertakenByANewerOne) {
    for (const auto& [service, engine, name] :
         {std::tuple{sim::Service::Search, sources::kTorrentSiteItem, "Search"},
          std::tuple{sim::Service::Api, sources::kJsonEngineItem, "Api"}}) {
        SCOPED_TRACE(name);
        // The newer search's rows when nothing interferes.
        NextCell(service, sim::Fault{});
        ui_.texts[sources::kEngineChoice] = engine;
        ui_.texts[sources::kSearchBox] = "Summer";
        int before = searches_;
        Search().StartSearch();
        ASSERT_TRUE(PumpUntil([&] { return searches_ > before; }, std::chrono::seconds(int(kPageSeconds))));
        const std::string expected = RowsOf(ui_.Rows(resolve::kSearchList), {1, 2, 3, 4});

        sim::Fault slowFirst;
        slowFirst.kind = sim::FaultKind::Delay;
        slowFirst.ms = 1000;
        slowFirst.count = 1;
        NextCell(service, slowFirst);
        ui_.texts[sources::kEngineChoice] = engine;
        ui_.texts[sources::kSearchBox] = "Birds";
        const auto start = Clock::now();
        Search().StartSearch();
        PumpFor(100ms);
        ui_.texts[sources::kSearchBox] = "Summer";
        before = searches_;
        Search().StartSearch();
        ASSERT_TRUE(PumpUntil([&] { return searches_ > before; }, std::chrono::seconds(int(kPageSeconds))));
        const std::string newer = RowsOf(ui_.Rows(resolve::kSearchList), {1, 2, 3, 4});
        EXPECT_EQ(newer, expected);
        // The first answer arrives, and is dropped.
        ASSERT_TRUE(sim_->WaitIdle(5s));
        ASSERT_TRUE(flow::WorkerThreads::WaitIdle(10s));
        PumpFor(100ms);
        const double took = SecondsSince(start);
        EXPECT_EQ(RowsOf(ui_.Rows(resolve::kSearchList), {1, 2, 3, 4}), expected);
        EXPECT_EQ(searches_, before + 1) << "the overtaken search reported a listing";
        EXPECT_EQ(ui_.Text(resolve::kTopStatus), "搜索完毕");
        FaultTable::Instance().Add({name, std::string("search overtaken by a newer one (") + engine + ")",
                                    "Delay 1000 ms, first request only",
                                    "top status \"" + ui_.Text(resolve::kTopStatus) + "\", " +
                                        ListSeen(ui_.Rows(resolve::kSearchList)) + " of the newer search",
                                    took, 2 * kPageSeconds});
    }
}

// The availability checks of a list a newer search has replaced: the slow
// answer of the old first row must not land in the new first row.
TEST_F(SourcesFaults, SlowCheckOfAReplacedList) {
    flow::ListModel& rows = ui_.Rows(resolve::kSearchList);
    const std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8};
    auto searchAndCheck = [&](const char* keyword) {
        ui_.texts[sources::kEngineChoice] = sources::kJsonEngineItem;
        ui_.texts[sources::kSearchBox] = keyword;
        const int before = searches_;
        Search().StartSearch();
        return PumpUntil([&] { return searches_ > before; }, 30s);
    };
    auto states = [&] {
        std::string text;
        for (int row = 0; row < rows.RowCount(); ++row) text += StateName(rows.State(row)) + ",";
        return text;
    };
    // What the newer search's rows look like when nothing interferes.
    NextCell(sim::Service::FileList, sim::Fault{});
    ASSERT_TRUE(searchAndCheck("Summer"));
    ASSERT_TRUE(PumpUntil([&] { return AllChecked(rows); }, 60s));
    const std::string expectedRows = RowsOf(rows, all);
    const std::string expectedStates = states();

    sim::Fault slowFirst;
    slowFirst.kind = sim::FaultKind::Delay;
    slowFirst.ms = 1000;
    slowFirst.count = 1;
    NextCell(sim::Service::FileList, slowFirst);
    const auto start = Clock::now();
    ASSERT_TRUE(searchAndCheck("Birds"));
    PumpFor(100ms);  // the first row's check is out, waiting for its answer
    ASSERT_TRUE(searchAndCheck("Summer"));
    ASSERT_TRUE(sim_->WaitIdle(10s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(30s));
    ASSERT_TRUE(PumpUntil([&] { return AllChecked(rows); }, 60s));
    PumpFor(200ms);
    const double took = SecondsSince(start);
    EXPECT_EQ(RowsOf(rows, all), expectedRows);
    EXPECT_EQ(states(), expectedStates);
    FaultTable::Instance().Add({"FileList", "checks of a search list replaced by a newer search",
                                "Delay 1000 ms, first request only",
                                RowsOf(rows, all) == expectedRows && states() == expectedStates
                                    ? "the newer rows carry only their own check results"
                                    : "a replaced list's check wrote into the newer rows",
                                took, 2 * kPageSeconds + 60});
}

TEST_F(SourcesFaults, FilmSiteSearchList) {
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Films, fault, "/search");
        const FileSnapshot files(Stored());
        ui_.texts[sources::kFilmSearchBox] = "Birds";
        const int before = filmLists_;
        const auto start = Clock::now();
        Films().SearchFilms();
        ASSERT_TRUE(PumpUntil([&] { return filmLists_ > before; }, std::chrono::seconds(int(kPageSeconds) + 1)));
        const double took = SecondsSince(start);
        EXPECT_LE(took, kPageSeconds);
        const int rows = ui_.Rows(sources::kFilmSearchList).RowCount();
        FaultTable::Instance().Add({"Films", "film search list", SwitchName(fault),
                                    rows > 0 ? std::to_string(rows) + " films listed"
                                             : "empty film list, no message (as for no match)",
                                    took, kPageSeconds});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        if (WholeAnswerArrives(fault)) {
            EXPECT_GT(rows, 0);
        } else {
            EXPECT_EQ(rows, 0);
        }
    }
}

TEST_F(SourcesFaults, FilmSiteDetailsPage) {
    const sim::Film& film = SomeFilm();
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Films, fault, "/subject/");
        const FileSnapshot files(Stored());
        const auto start = Clock::now();
        const double bound = kPageSeconds + kPosterSeconds;
        ASSERT_TRUE(ShowFilm(film, bound));
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        const int sources = ui_.Rows(resolve::kFilmSourceList).RowCount();
        const std::string title = ui_.Text(sources::kFilmTitleLabel);
        const bool poster = ui_.images[sources::kPosterBox] == Catalogue().Poster(film);
        FaultTable::Instance().Add(
            {"Films", "film details page", SwitchName(fault),
             "title \"" + title + "\", poster " + (poster ? "shown" : "empty") + ", " + std::to_string(sources) +
                 " sources",
             took, bound});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(title, "片名: " + film.chineseTitle + " " + film.englishTitle);
            EXPECT_TRUE(poster);
            EXPECT_EQ(sources, static_cast<int>(film.entries.size()));
        } else {
            EXPECT_EQ(title, "片名: ");
            EXPECT_FALSE(poster);
            EXPECT_EQ(ui_.images[sources::kPosterBox], "");
            EXPECT_EQ(sources, 0);
            EXPECT_EQ(state_.subtitleSearchTerm, "");
        }
    }
}

TEST_F(SourcesFaults, FilmSitePoster) {
    const sim::Film& film = SomeFilm();
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Films, fault, "/poster/");
        const FileSnapshot files(Stored());
        const auto start = Clock::now();
        const double bound = kPageSeconds + kPosterSeconds;
        ASSERT_TRUE(ShowFilm(film, bound));
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        const std::string& bytes = ui_.images[sources::kPosterBox];
        const bool poster = bytes == Catalogue().Poster(film);
        // The window clears the box for bytes that are no picture.
        const bool picture = bytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0;
        std::string seen = poster ? "poster shown" : picture ? "a damaged picture" : "picture box empty";
        seen += ", title and " + std::to_string(ui_.Rows(resolve::kFilmSourceList).RowCount()) + " sources shown";
        FaultTable::Instance().Add({"Films", "film poster", SwitchName(fault), seen, took, bound});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        EXPECT_EQ(ui_.Text(sources::kFilmTitleLabel), "片名: " + film.chineseTitle + " " + film.englishTitle);
        EXPECT_EQ(ui_.Rows(resolve::kFilmSourceList).RowCount(), static_cast<int>(film.entries.size()));
        if (WholeAnswerArrives(fault)) {
            EXPECT_TRUE(poster);
        } else {
            EXPECT_FALSE(picture) << "a broken answer must not pass for a picture";
        }
    }
}

TEST_F(SourcesFaults, FilmSiteTorrentPages) {
    const sim::Film& film = SomeFilm();
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Films, fault, "/bt/");
        const FileSnapshot files(Stored());
        const auto start = Clock::now();
        ASSERT_TRUE(ShowFilm(film, kPageSeconds + kPosterSeconds));
        flow::ListModel& list = ui_.Rows(resolve::kFilmSourceList);
        // Each row's check reads its torrent page, then the file list and the
        // offline service.
        const double bound = kPageSeconds + kPosterSeconds + list.RowCount() * (2 * kPageSeconds + 60);
        ASSERT_TRUE(PumpUntil([&] { return AllChecked(list); }, std::chrono::seconds(static_cast<int>(bound))));
        const double took = SecondsSince(start);
        EXPECT_LE(took, bound);
        std::vector<std::string> states;
        bool anyPlayable = false;
        for (int row = 0; row < list.RowCount(); ++row) {
            states.push_back(StateName(list.State(row)));
            anyPlayable = anyPlayable || list.State(row) == AvailabilityState::Playable;
        }
        FaultTable::Instance().Add({"Films", "film torrent pages (source checks)", SwitchName(fault),
                                    "source icons: " + Join(states, ", "), took, bound});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        for (int row = 0; row < list.RowCount(); ++row) {
            const sim::CatalogueEntry& entry = Catalogue().entries()[film.entries[row]];
            if (WholeAnswerArrives(fault)) {
                EXPECT_EQ(list.Cell(row, 9), entry.infoHash);
            } else {
                // No torrent page, no info-hash: nothing to play.
                EXPECT_EQ(list.State(row), AvailabilityState::NotPlayable) << row;
                EXPECT_EQ(list.Cell(row, 9), "");
            }
        }
        if (WholeAnswerArrives(fault)) EXPECT_TRUE(anyPlayable);
    }
}

TEST_F(SourcesFaults, SharedListOnTheForum) {
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Forum, fault);
        const FileSnapshot files(Stored());
        const int before = shared_;
        const auto start = Clock::now();
        Resources().LoadSharedResourcePage("1");
        ASSERT_TRUE(PumpUntil([&] { return shared_ > before; }, std::chrono::seconds(int(kPageSeconds) + 1)));
        const double took = SecondsSince(start);
        EXPECT_LE(took, kPageSeconds);
        flow::ListModel& list = ui_.Rows(resolve::kResourceList);
        const std::string top = ui_.Text(resolve::kTopStatus);
        FaultTable::Instance().Add({"Forum", "shared resource list", SwitchName(fault),
                                    "top status \"" + top + "\", " + ListSeen(list), took, kPageSeconds});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(top, "获取完毕");
            EXPECT_GT(list.RowCount(), 3);
        } else {
            EXPECT_EQ(top, "获取失败,请从新获取！");
            EXPECT_EQ(list.RowCount(), 0);
        }
    }
}

TEST_F(SourcesFaults, SecondListOnItsOwnPort) {
    for (const sim::Fault& fault : Switches()) {
        SCOPED_TRACE(SwitchName(fault));
        NextCell(sim::Service::Extra, fault);
        const FileSnapshot files(Stored());
        const int before = extra_;
        const auto start = Clock::now();
        Resources().LoadExtraResourceList();
        ASSERT_TRUE(PumpUntil([&] { return extra_ > before; }, std::chrono::seconds(int(kPageSeconds) + 1)));
        const double took = SecondsSince(start);
        EXPECT_LE(took, kPageSeconds);
        flow::ListModel& list = ui_.Rows(resolve::kExtraResourceList);
        const std::string bottom = ui_.Text(resolve::kBottomStatus);
        FaultTable::Instance().Add({"Extra", "second resource list", SwitchName(fault),
                                    "bottom status \"" + bottom + "\", " + std::to_string(list.RowCount()) + " rows",
                                    took, kPageSeconds});
        EXPECT_TRUE(ui_.informed.empty());
        EXPECT_TRUE(files.Changed().empty());
        if (WholeAnswerArrives(fault)) {
            EXPECT_EQ(bottom, "已完成获取!");
            EXPECT_EQ(list.RowCount(), static_cast<int>(Catalogue().extraList().size()));
        } else {
            EXPECT_EQ(bottom, "获取失败,请从新获取！");
            EXPECT_EQ(list.RowCount(), 0);
        }
    }
}

}  // namespace
}  // namespace lumo::faults
