// Each command family of lumo-cli as a script sees it: standard output, the
// user's messages on standard error and the exit status, for good input,
// bad input and services that fail.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <set>

#include "cli/cli_fixture.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace lumo::cli::testing {
namespace {

constexpr const char* kUnreachable = "http://127.0.0.1:1";

QJsonDocument Json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)); }

std::string Field(const QJsonObject& object, const char* name) { return object.value(name).toString().toStdString(); }

// A catalogue entry with several files that has a .torrent file.
const sim::CatalogueEntry& SeveralFilesWithTorrent(const sim::Catalogue& catalogue) {
    for (const sim::CatalogueEntry* entry : catalogue.OfKind(sim::EntryKind::SeveralFiles))
        if (!entry->torrent.empty()) return *entry;
    throw std::runtime_error("no entry with several files has a .torrent file");
}

TEST_F(CliTest, TorrentIdentityAndFileList) {
    const sim::CatalogueEntry& entry = SeveralFilesWithTorrent(Catalogue());
    const std::string torrent = WriteFile("film.torrent", entry.torrent);

    Ran ran = Cli({"infohash", torrent});
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_EQ(ran.out, entry.infoHash + "\n");
    ran = Cli({"--json", "infohash", torrent});
    EXPECT_EQ(Field(Json(ran.out).object(), "infohash"), entry.infoHash);

    // A file cut off inside its info key, and one that is no torrent at all.
    const size_t info = entry.torrent.find("4:info");
    ASSERT_NE(info, std::string::npos);
    for (const std::string& bytes : {entry.torrent.substr(0, info + 3), std::string("not a torrent")}) {
        ran = Cli({"infohash", WriteFile("damaged.torrent", bytes)});
        EXPECT_EQ(ran.code, 2);
        EXPECT_TRUE(ran.out.empty());
        EXPECT_NE(ran.err.find("damaged"), std::string::npos) << ran.err;
    }
    EXPECT_EQ(Cli({"infohash", (Home() / "missing.torrent").string()}).code, 2);

    // The file list by hash: one row a file, in torrent order.
    ran = Cli({"files", entry.infoHash});
    ASSERT_EQ(ran.code, 0) << ran.err;
    const std::vector<std::string> lines = Lines(ran.out);
    ASSERT_EQ(lines.size(), entry.files.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Cells(lines[i]);
        ASSERT_EQ(cells.size(), 3u) << lines[i];
        EXPECT_EQ(cells[0], std::to_string(entry.files[i].index));
        EXPECT_EQ(cells[1].back(), 'G');
        EXPECT_EQ(cells[2], entry.files[i].name);
    }
    // The same torrent from a full magnet link and from its .torrent file.
    ran = Cli({"files", "--json", "magnet:?xt=urn:btih:" + entry.infoHash + "&dn=some%20film"});
    ASSERT_EQ(ran.code, 0) << ran.err;
    const QJsonArray rows = Json(ran.out).array();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(entry.files.size()));
    EXPECT_EQ(Field(rows[0].toObject(), "bytes"), std::to_string(entry.files[0].size));
    EXPECT_EQ(Field(rows[0].toObject(), "sha1"), entry.files[0].sha1);
    EXPECT_EQ(Cli({"files", torrent}).out, Cli({"files", entry.infoHash}).out);

    // A hash one digit short is refused before any service is asked.
    ran = Cli({"files", entry.infoHash.substr(0, 39)});
    EXPECT_EQ(ran.code, 2);
    EXPECT_TRUE(ran.out.empty());
    EXPECT_NE(ran.err.find("40 hexadecimal digits"), std::string::npos) << ran.err;
    ran = Cli({"files", FirstOf(sim::EntryKind::UnknownHash).infoHash});
    EXPECT_EQ(ran.code, 1) << ran.err;
}

TEST_F(CliTest, CheckAndResolveOneFile) {
    const sim::CatalogueEntry& playable = FirstOf(sim::EntryKind::Playable);
    const sim::CatalogueEntry& notHeld = FirstOf(sim::EntryKind::NotHeld);

    Ran ran = Cli({"check", playable.infoHash});
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_EQ(Cells(Lines(ran.out).at(0)).at(1), "playable");
    ran = Cli({"--json", "check", notHeld.infoHash});
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(Field(Json(ran.out).array().at(0).toObject(), "state"), "unplayable");

    // The address the engine would open really serves the file with the cookie given.
    const sim::MediaFile& media = MediaOf(playable);
    ran = Cli({"--json", "resolve", playable.infoHash});
    ASSERT_EQ(ran.code, 0) << ran.err;
    const QJsonObject resolved = Json(ran.out).object();
    EXPECT_EQ(Field(resolved, "address"), sim_->DownloadAddress(media, media.FirstHost()));
    EXPECT_EQ(Field(resolved, "cookie"), "FTN5K=" + media.cookie);
    ran = Cli({"resolve", playable.infoHash, std::to_string(playable.files[0].index)});
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_EQ(Lines(ran.out).at(0), "address: " + sim_->DownloadAddress(media, media.FirstHost()));

    EXPECT_EQ(Cli({"resolve", notHeld.infoHash}).code, 1);
    // Held, but only by a host Lumo never tries.
    ran = Cli({"resolve", FirstOf(sim::EntryKind::FarHostOnly).infoHash});
    EXPECT_EQ(ran.code, 3);
    EXPECT_NE(ran.err.find("no download host"), std::string::npos) << ran.err;

    // Several files need an index that exists.
    const sim::CatalogueEntry& several = FirstOf(sim::EntryKind::SeveralFiles);
    ran = Cli({"resolve", several.infoHash});
    EXPECT_EQ(ran.code, 2);
    EXPECT_NE(ran.err.find(std::to_string(several.files.size()) + " files"), std::string::npos) << ran.err;
    EXPECT_EQ(Cli({"resolve", several.infoHash, "9999"}).code, 2);
}

TEST_F(CliTest, SearchesAndLists) {
    const auto found = Catalogue().Search("Birds");
    ASSERT_GE(found.size(), 10u);
    Ran ran = Cli({"search", "--engine", "2", "Birds"});
    ASSERT_EQ(ran.code, 0) << ran.err;
    std::vector<std::string> lines = Lines(ran.out);
    ASSERT_EQ(lines.size(), 10u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Cells(lines[i]);
        EXPECT_EQ(cells.at(0), std::to_string(i + 1));
        EXPECT_EQ(cells.at(1), found[i]->title);
        EXPECT_EQ(cells.at(3), found[i]->infoHash);
    }
    // Only the page asked for is fetched, and it goes on where page 1 ended.
    if (found.size() > 10) {
        ran = Cli({"search", "--engine", "2", "Birds", "2"});
        ASSERT_EQ(ran.code, 0) << ran.err;
        EXPECT_EQ(Cells(Lines(ran.out).at(0)).at(3), found[10]->infoHash);
        EXPECT_EQ(sim_->Requests(sim::Service::Search).back().target, "/q/Birds_rel_2.html");
    }
    ran = Cli({"--json", "search", "--engine=1", "Birds"});
    ASSERT_EQ(ran.code, 0) << ran.err;
    const QJsonArray first = Json(ran.out).array();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(Field(first[0].toObject(), "hash"), found[0]->infoHash);
    EXPECT_EQ(Field(first[0].toObject(), "title"), found[0]->title);

    EXPECT_EQ(Cli({"search", " "}).code, 2);
    EXPECT_EQ(Cli({"search", "zzqx"}).code, 1);
    EXPECT_EQ(Cli({"search", "Birds", "two"}).code, 2);
    EXPECT_EQ(Cli({"search", "--engine", "3", "Birds"}).code, 2);

    const auto films = Catalogue().SearchFilms("Birds");
    ASSERT_FALSE(films.empty());
    ran = Cli({"film", "Birds"});
    ASSERT_EQ(ran.code, 0) << ran.err;
    lines = Lines(ran.out);
    ASSERT_EQ(lines.size(), films.size());
    EXPECT_NE(Cells(lines[0]).at(2).find("/subject/" + std::to_string(films[0]->id) + ".html"), std::string::npos);

    ran = Cli({"--json", "list"});
    ASSERT_EQ(ran.code, 0) << ran.err;
    const QJsonArray listed = Json(ran.out).array();
    ASSERT_GE(listed.size(), 4);
    for (const QJsonValue& row : listed) {
        const sim::CatalogueEntry* entry = Catalogue().FindByInfoHash(Field(row.toObject(), "hash"));
        ASSERT_NE(entry, nullptr) << Field(row.toObject(), "hash");
        EXPECT_FALSE(Field(row.toObject(), "name").empty());
    }
    EXPECT_EQ(Cli({"list", "0"}).code, 2);
}

TEST_F(CliTest, UnreachableServicesAreServiceFailures) {
    const std::string text = sim_->ServicesFileText();
    const std::string noWebsite = WriteServices(text + "website=" + kUnreachable + "\n", "no_website.ini");
    Ran ran = Cli({"files", FirstOf(sim::EntryKind::Playable).infoHash}, {}, 0, noWebsite);
    EXPECT_EQ(ran.code, 3);
    EXPECT_NE(ran.err.find("address list"), std::string::npos) << ran.err;
    EXPECT_EQ(Cli({"list"}, {}, 0, noWebsite).code, 3);

    const std::string noSearch =
        WriteServices(text + "api=" + kUnreachable + "\nfilms=" + kUnreachable + "\n", "no_search.ini");
    ran = Cli({"search", "Birds"}, {}, 0, noSearch);
    EXPECT_EQ(ran.code, 3);
    EXPECT_NE(ran.err.find("did not answer"), std::string::npos) << ran.err;
    EXPECT_EQ(Cli({"film", "Birds"}, {}, 0, noSearch).code, 3);

    const std::string noOffline = WriteServices(text + "offline=" + kUnreachable + "\n", "no_offline.ini");
    ran = Cli({"resolve", FirstOf(sim::EntryKind::Playable).infoHash}, {}, 0, noOffline);
    EXPECT_EQ(ran.code, 3);
    EXPECT_NE(ran.err.find("offline service did not answer"), std::string::npos) << ran.err;
}

TEST_F(CliTest, PlaysFromTheTerminal) {
    // What the window recorded before stays in the history.
    const store::HistoryRow earlier{"Earlier film.mkv", "123456", std::string(40, 'A'), std::string(40, 'B')};
    ASSERT_TRUE(store::SaveHistory(store::IniFile(Home() / "lumojl.ini"), {earlier}));

    const sim::CatalogueEntry& film = *Catalogue().EntryById(3);
    const sim::MediaFile& media = MediaOf(film);
    const auto start = std::chrono::steady_clock::now();
    Ran ran = Cli({"play", film.infoHash});
    EXPECT_EQ(ran.code, 0) << ran.err;
    // Played to its end: the film lasts five seconds.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    const std::vector<store::HistoryRow> history = store::LoadHistory(store::IniFile(Home() / "lumojl.ini"));
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0], earlier);
    EXPECT_EQ(history[1].sha1, media.sha1);
    EXPECT_EQ(history[1].infoHash, film.infoHash);

    // A local file, quit with q long before its end.
    const std::string file = (sim::Simulator::DefaultMediaDir() / media.fileName).string();
    const auto quitStart = std::chrono::steady_clock::now();
    ran = Cli({"play", file}, "q", 1500);
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_LT(std::chrono::steady_clock::now() - quitStart, std::chrono::milliseconds(4500));

    EXPECT_EQ(Cli({"play", film.infoHash.substr(0, 39)}).code, 2);
    EXPECT_EQ(Cli({"play", (Home() / "missing.mp4").string()}).code, 2);
    EXPECT_EQ(Cli({"play", file, "1"}).code, 2);
    ran = Cli({"play", FirstOf(sim::EntryKind::NotHeld).infoHash});
    EXPECT_EQ(ran.code, 1);
    EXPECT_NE(ran.err.find("does not hold"), std::string::npos) << ran.err;
}

TEST_F(CliTest, HelpAndBadCommandLines) {
    const Ran help = Cli({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"infohash", "files", "check", "resolve", "search", "film", "list", "play"})
        EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"files"}, {"files", "a", "b"}, {"--engine"}, {"search", "--colour", "x"}}) {
        const Ran ran = Cli(args);
        EXPECT_EQ(ran.code, 2) << args.size();
        EXPECT_TRUE(ran.out.empty());
        EXPECT_EQ(ran.err.rfind("lumo-cli: ", 0), 0u) << ran.err;
    }
}

}  // namespace
}  // namespace lumo::cli::testing
