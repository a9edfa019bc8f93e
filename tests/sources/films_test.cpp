// The film page against the simulator: the film search, the details of a
// clicked film with its poster and torrent sources, overlapping clicks and
// failing pages.

#include <gtest/gtest.h>

#include <string>

#include "sources_fixture.h"

namespace lumo::sources::testing {
namespace {

class FilmFlow : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        QObject::connect(&Films(), &FilmSite::FilmsListed, [this](int) { ++listed_; });
        QObject::connect(&Films(), &FilmSite::FilmDetailsShown, [this](int) { ++shown_; });
    }

    flow::ListModel& Sources() { return ui_.Rows(resolve::kFilmSourceList); }
    std::string FilmsBase() const { return sim_->BaseAddress(sim::Service::Films); }
    std::string DetailAddress(const sim::Film& film) const {
        return FilmsBase() + "/subject/" + std::to_string(film.id) + ".html";
    }

    // Puts a film into a film list, selects it and clicks it.
    void Click(const std::string& listName, const std::string& address) {
        flow::ListModel& list = ui_.Rows(listName);
        const int row = list.AppendRow({"", std::to_string(list.RowCount() + 1), "film", address});
        list.SetSelectedRow(row);
        Films().FilmRowClicked(listName);
    }
    void ShowAndWait(const sim::Film& film) {
        const int before = shown_;
        Click(kFilmSearchList, DetailAddress(film));
        ASSERT_TRUE(WaitFor([&] { return shown_ > before; }));
    }

    std::string Cast(const sim::Film& film) {
        std::string cast = "主演: ";
        for (const auto& name : film.cast) cast += name + " ";
        return cast;
    }

    int listed_ = 0;
    int shown_ = 0;
};

TEST_F(FilmFlow, SearchListsFilmsOnTheSearchTab) {
    ui_.texts[kFilmSearchBox] = "Birds";
    Films().SearchFilms();
    EXPECT_EQ(ui_.CurrentPage(kFilmTabs), 1);
    ASSERT_TRUE(WaitFor([&] { return listed_ == 1; }));
    const auto films = Catalogue().SearchFilms("Birds");
    ASSERT_FALSE(films.empty());
    flow::ListModel& list = ui_.Rows(kFilmSearchList);
    ASSERT_EQ(list.RowCount(), static_cast<int>(films.size()));
    for (int row = 0; row < list.RowCount(); ++row) {
        const sim::Film& film = *films[row];
        EXPECT_EQ(list.Cell(row, 1), std::to_string(row + 1));
        EXPECT_EQ(list.Cell(row, 2), film.chineseTitle + " " + film.englishTitle + " (" +
                                         std::to_string(film.year) + ")");
        EXPECT_EQ(list.Cell(row, 3), DetailAddress(film));
    }
    EXPECT_EQ(sim_->Requests(sim::Service::Films).back().target, "/search?q=Birds");

    // A second search replaces the list; one without results empties it,
    // without any message.
    ui_.texts[kFilmSearchBox] = "zzqx";
    Films().SearchFilms();
    ASSERT_TRUE(WaitFor([&] { return listed_ == 2; }));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(ui_.informed.empty());
}

TEST_F(FilmFlow, ClickedFilmShowsEveryDetailItsPosterAndItsSources) {
    const sim::Film& film = Catalogue().films().front();
    ShowAndWait(film);
    EXPECT_EQ(ui_.Text(kFilmTitleLabel), "片名: " + film.chineseTitle + " " + film.englishTitle);
    EXPECT_EQ(ui_.Text(kFilmRegionLabel), "地区: " + film.region);
    EXPECT_EQ(ui_.Text(kFilmGenreLabel), "类型: " + film.genre);
    EXPECT_EQ(ui_.Text(kFilmDirectorLabel), "导演: " + film.director);
    EXPECT_EQ(ui_.Text(kFilmWriterLabel), "编剧: " + film.writer);
    EXPECT_EQ(ui_.Text(kFilmCastLabel), Cast(film));
    EXPECT_EQ(state_.subtitleSearchTerm, film.imdb);
    EXPECT_EQ(ui_.images[kPosterBox], Catalogue().Poster(film));

    ASSERT_EQ(Sources().RowCount(), static_cast<int>(film.entries.size()));
    for (int row = 0; row < Sources().RowCount(); ++row) {
        const sim::CatalogueEntry& entry = Catalogue().entries()[film.entries[row]];
        EXPECT_EQ(Sources().Cell(row, 2), entry.title);
        EXPECT_EQ(Sources().Cell(row, 3), sim::SizeText(entry.TotalSize()));
        EXPECT_EQ(Sources().Cell(row, 4), FilmsBase() + "/bt/" + entry.infoHash + ".html");
        EXPECT_EQ(Sources().Cell(row, 5), film.imdb);
    }
    // The checks read the torrent pages: each row gets its info-hash and state.
    ASSERT_TRUE(WaitFor([&] { return AllChecked(Sources()); }));
    for (int row = 0; row < Sources().RowCount(); ++row) {
        const sim::CatalogueEntry& entry = Catalogue().entries()[film.entries[row]];
        EXPECT_EQ(Sources().Cell(row, 9), entry.infoHash);
        // The film sources know no size rule: a tiny file may play here.
        const auto expected = entry.kind == sim::EntryKind::TinyFile ? flow::AvailabilityState::Playable
                                                                     : ExpectedState(entry.kind);
        EXPECT_EQ(Sources().State(row), expected) << entry.title;
    }
}

TEST_F(FilmFlow, NewestListRowsShowTheirFilmToo) {
    const sim::Film& film = Catalogue().films().at(2);
    const int before = shown_;
    Click(kNewestFilmList, DetailAddress(film));
    ASSERT_TRUE(WaitFor([&] { return shown_ > before; }));
    EXPECT_EQ(state_.subtitleSearchTerm, film.imdb);
}

TEST_F(FilmFlow, ClickWithoutAFilmAddressStartsNothing) {
    Films().FilmRowClicked(kFilmSearchList);  // empty list
    flow::ListModel& list = ui_.Rows(kFilmSearchList);
    list.AppendRow({"", "1", "no address", ""});
    list.SetSelectedRow(0);
    Films().FilmRowClicked(kFilmSearchList);
    list.AppendRow({"", "2", "film", DetailAddress(Catalogue().films().front())});
    list.SetSelectedRow(-1);
    Films().FilmRowClicked(kFilmSearchList);  // nothing selected
    RunEventsFor(200ms);
    EXPECT_EQ(sim_->Counters(sim::Service::Films).requests, 0u);
    EXPECT_EQ(shown_, 0);
}

TEST_F(FilmFlow, FilmClickedLastOwnsTheDetailsView) {
    const sim::Film& first = Catalogue().films().at(0);
    const sim::Film& second = Catalogue().films().at(1);
    sim_->SetFault(sim::Service::Films, Delay(1000, "/subject/" + std::to_string(first.id) + ".html"));
    Click(kFilmSearchList, DetailAddress(first));
    Click(kFilmSearchList, DetailAddress(second));
    ASSERT_TRUE(WaitFor([&] { return shown_ == 1; }));
    ASSERT_TRUE(sim_->WaitIdle(5s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(15s));
    RunEventsFor(100ms);
    EXPECT_EQ(shown_, 1);
    EXPECT_EQ(ui_.Text(kFilmTitleLabel), "片名: " + second.chineseTitle + " " + second.englishTitle);
    EXPECT_EQ(ui_.Text(kFilmCastLabel), Cast(second));
    EXPECT_EQ(state_.subtitleSearchTerm, second.imdb);
    EXPECT_EQ(ui_.images[kPosterBox], Catalogue().Poster(second));
    ASSERT_EQ(Sources().RowCount(), static_cast<int>(second.entries.size()));
    for (int row = 0; row < Sources().RowCount(); ++row) EXPECT_EQ(Sources().Cell(row, 5), second.imdb);
}

TEST_F(FilmFlow, UnreachableDetailPageLeavesOnlyTheBareTitle) {
    const sim::Film& film = Catalogue().films().front();
    ShowAndWait(film);
    sim::Fault fault = Make(sim::FaultKind::Status, "/subject/");
    fault.status = 500;
    sim_->SetFault(sim::Service::Films, fault);
    ShowAndWait(Catalogue().films().at(1));
    EXPECT_EQ(ui_.Text(kFilmTitleLabel), "片名: ");
    EXPECT_EQ(state_.subtitleSearchTerm, "");
    // Labels the page does not name keep the earlier film's texts.
    EXPECT_EQ(ui_.Text(kFilmRegionLabel), "地区: " + film.region);
    EXPECT_EQ(ui_.Text(kFilmCastLabel), Cast(film));
    EXPECT_EQ(ui_.images[kPosterBox], "");
    EXPECT_EQ(Sources().RowCount(), 0);
    EXPECT_TRUE(ui_.informed.empty());
}

TEST_F(FilmFlow, PosterThatCannotBeFetchedLeavesThePictureEmpty) {
    sim_->SetFault(sim::Service::Films, Make(sim::FaultKind::Drop, "/poster/"));
    const sim::Film& film = Catalogue().films().front();
    ShowAndWait(film);
    EXPECT_EQ(ui_.images[kPosterBox], "");
    EXPECT_EQ(ui_.Text(kFilmDirectorLabel), "导演: " + film.director);
    EXPECT_EQ(Sources().RowCount(), static_cast<int>(film.entries.size()));
}

TEST_F(FilmFlow, FailingFilmSearchLeavesTheListEmpty) {
    sim_->SetFault(sim::Service::Films, Make(sim::FaultKind::Garbage));
    ui_.texts[kFilmSearchBox] = "";
    Films().SearchFilms();
    ASSERT_TRUE(WaitFor([&] { return listed_ == 1; }));
    EXPECT_EQ(ui_.Rows(kFilmSearchList).RowCount(), 0);
    EXPECT_TRUE(ui_.informed.empty());
}

}  // namespace
}  // namespace lumo::sources::testing
