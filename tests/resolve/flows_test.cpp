// The resolve-and-play flows and the magnet window's flows against the
// service simulator.
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "resolve/resolve_fixture.h"
#include "resolve/size_text.h"
#include "sim/fault.h"
#include "store/data_directory.h"

namespace lumo::resolve::testing {
namespace {

using flow::AvailabilityState;
using flow::WindowCode;
using sim::EntryKind;
using sim::Service;

class FlowsTest : public ResolveTest {
protected:
    PlayFlows& Flows() { return resolution_->Flows(); }
    MagnetWindowFlows& Magnet() { return resolution_->Magnet(); }

    // A search row as its check leaves it.
    int AddCheckedSearchRow(const sim::CatalogueEntry& entry, std::optional<AvailabilityState> state) {
        const int row = AddSearchRow(entry);
        flow::ListModel& list = List(kSearchList);
        if (state == AvailabilityState::Playable) {
            list.SetCell(row, 6, entry.files.front().sha1);
            list.SetCell(row, 7, std::to_string(entry.files.front().size));
        }
        list.SetState(row, state);
        return row;
    }

    // Waits for the resolve that a flow has just started.
    std::optional<ResolveEnd> WaitForResolve() {
        std::optional<ResolveEnd> end;
        auto connection = QObject::connect(&resolution_->Resolve(), &Resolver::ResolveEnded,
                                           [&](ResolveEnd e) { end = e; });
        WaitUntil([&] { return end.has_value(); }, std::chrono::seconds(30));
        QObject::disconnect(connection);
        return end;
    }

    std::vector<std::string> Column(const std::string& listName, int column) {
        std::vector<std::string> out;
        flow::ListModel& list = List(listName);
        for (int row = 0; row < list.RowCount(); ++row) out.push_back(list.Cell(row, column));
        return out;
    }

    std::string TorrentFile(const std::string& name, const std::string& bytes) {
        const auto path = home_ / name;
        WriteFile(path, bytes);
        return path.string();
    }
};

TEST_F(FlowsTest, SearchRowsAnswerByTheirState) {
    flow::ListModel& list = List(kSearchList);
    const int playable = AddCheckedSearchRow(Feature(), AvailabilityState::Playable);
    const int notPlayable = AddCheckedSearchRow(OfKind(EntryKind::NotHeld), AvailabilityState::NotPlayable);
    const int checking = AddCheckedSearchRow(ShortFilm(), AvailabilityState::Checking);
    const int unchecked = AddCheckedSearchRow(ShortFilm(), std::nullopt);
    const int noLink = list.AppendRow({"", "5", "no link"});

    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);  // nothing selected
    EXPECT_EQ(ui_->texts[kBottomStatus], "没有可解析链接！");
    ui_->texts[kBottomStatus].clear();
    list.SetSelectedRow(noLink);
    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    EXPECT_EQ(ui_->texts[kBottomStatus], "没有可解析链接！");

    list.SetSelectedRow(checking);
    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    list.SetSelectedRow(notPlayable);
    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    list.SetSelectedRow(unchecked);
    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    ASSERT_EQ(ui_->messages.size(), 2u);
    EXPECT_EQ(ui_->messages[0].text, "您没看见左边的问号吗！");
    EXPECT_EQ(ui_->messages[1].text, "您没看见左边的×吗？");
    for (const auto& message : ui_->messages) EXPECT_EQ(message.title, "Lumo提示：");
    EXPECT_TRUE(resolution_->Resolve().PlayUrl().empty());

    list.SetSelectedRow(playable);
    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    EXPECT_EQ(state_->currentSha1, Feature().files.front().sha1);
    EXPECT_EQ(state_->currentSize, std::to_string(Feature().files.front().size));
    EXPECT_EQ(state_->currentTitle, Feature().title);
    EXPECT_EQ(state_->currentInfoHash, Feature().infoHash);
    // The flow's own status comes before the resolve's.
    const auto own = std::find(ui_->log.begin(), ui_->log.end(), "text 标签_顶部状态=正在获取云播地址...");
    const auto resolve = std::find(ui_->log.begin(), ui_->log.end(), "text 标签_顶部状态=正在获取播放地址...");
    EXPECT_LT(own, resolve);
    EXPECT_NE(resolve, ui_->log.end());
    EXPECT_TRUE(resolution_->Resolve().Resolving());
    EXPECT_EQ(WaitForResolve(), ResolveEnd::Found);
    EXPECT_EQ(List(kPlayQueueList).Cell(0, 5), Feature().infoHash);
}

TEST_F(FlowsTest, ResourceRowsHaveTheirOwnWordsAndRecordTheirTorrent) {
    flow::ListModel& list = List(kResourceList);
    const int checking = AddResourceRow(ShortFilm());
    list.SetState(checking, AvailabilityState::Checking);
    const int notPlayable = AddResourceRow(OfKind(EntryKind::NotHeld));
    list.SetState(notPlayable, AvailabilityState::NotPlayable);
    const int playable = AddResourceRow(ShortFilm());
    list.SetCell(playable, 4, ShortFilm().files.front().sha1);
    list.SetCell(playable, 7, std::to_string(ShortFilm().files.front().size));
    list.SetState(playable, AvailabilityState::Playable);
    const int untitled = list.AppendRow({"", "4", "", "HASH"});

    list.SetSelectedRow(untitled);  // the title is what counts here
    Flows().PlayFromList(PlayFlows::TorrentList::Resource, 2);
    EXPECT_EQ(ui_->texts[kBottomStatus], "没有可解析链接！");
    list.SetSelectedRow(checking);
    Flows().PlayFromList(PlayFlows::TorrentList::Resource, 2);
    list.SetSelectedRow(notPlayable);
    Flows().PlayFromList(PlayFlows::TorrentList::Resource, 2);
    EXPECT_EQ(ui_->Informed(), (std::vector<std::string>{"你没看见左边的问号吗？", "你没看见左边的×吗？"}));

    state_->currentInfoHash = "EARLIER";
    list.SetSelectedRow(playable);
    Flows().PlayFromList(PlayFlows::TorrentList::Resource, 2);
    EXPECT_EQ(state_->currentInfoHash, ShortFilm().infoHash);
    EXPECT_EQ(ui_->texts[kTopStatus], "正在获取播放地址...");  // no "正在获取云播地址..." here
    EXPECT_EQ(WaitForResolve(), ResolveEnd::Found);
    EXPECT_EQ(List(kPlayQueueList).Cell(0, 5), ShortFilm().infoHash);
}

TEST_F(FlowsTest, SeveralFilesOpenTheFileListRoundedByTheFlow) {
    const auto& episode1 = Series().files[0];
    // A raw answer as the check stores it: escaped names, one real episode
    // and one large file to show the rounding.
    const std::string answer =
        "{\"files\":[{\"index\":0,\"name\":\"\\u7b2c1\\u96c6.mp4\",\"size\":\"" + std::to_string(episode1.size) +
        "\",\"sha1\":\"" + episode1.sha1 + "\"},{\"index\":1,\"name\":\"big\\/film.mkv\",\"size\":\"1234567890\","
        "\"sha1\":\"" + std::string(40, '0') + "\"}]}";
    flow::ListModel& search = List(kSearchList);
    const int row = AddSearchRow(Series());
    search.SetCell(row, 8, answer);
    search.SetState(row, AvailabilityState::SeveralFiles);
    search.SetSelectedRow(row);

    Flows().PlayFromList(PlayFlows::TorrentList::Search, 2);
    EXPECT_TRUE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));
    EXPECT_EQ(Column(kMagnetFileList, 1), (std::vector<std::string>{"第1集.mp4", "big/film.mkv"}));
    EXPECT_EQ(Column(kMagnetFileList, 2)[1], "1.15G");
    EXPECT_EQ(Column(kMagnetFileList, 3)[0], episode1.sha1);
    EXPECT_EQ(Column(kMagnetFileList, 4), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(Column(kMagnetFileList, 5)[1], "1234567890");
    flow::ListModel& files = List(kMagnetFileList);
    ASSERT_TRUE(WaitUntil([&] { return AllFinal(files); }));
    EXPECT_EQ(files.State(0), AvailabilityState::Playable);
    EXPECT_EQ(files.State(1), AvailabilityState::NotPlayable);

    // "在线播放" on the search tab rounds to one decimal.
    ui_->pages[kLibraryTabs] = 1;
    Flows().PlayOnline();
    EXPECT_EQ(ui_->texts[kBottomStatus], "正在获取播放信息...");
    EXPECT_EQ(Column(kMagnetFileList, 2)[1], "1.1G");

    // A file played from the list is recorded under the torrent it came from.
    ASSERT_TRUE(WaitUntil([&] { return AllFinal(files); }));
    files.SetSelectedRow(1);
    Flows().PlayFile();  // not playable: ignored without a word
    EXPECT_FALSE(resolution_->Resolve().Resolving());
    files.SetSelectedRow(0);
    Flows().PlayFile();
    EXPECT_EQ(state_->currentTitle, "第1集.mp4");
    EXPECT_EQ(state_->currentSha1, episode1.sha1);
    EXPECT_EQ(state_->currentSize, std::to_string(episode1.size));
    EXPECT_EQ(state_->currentInfoHash, Series().infoHash);
    EXPECT_EQ(WaitForResolve(), ResolveEnd::Found);
    EXPECT_EQ(List(kPlayQueueList).Cell(0, 5), Series().infoHash);
    EXPECT_TRUE(ui_->messages.empty());
}

TEST_F(FlowsTest, PlayOnlineOnOtherTabsOnlySaysSo) {
    AddCheckedSearchRow(Feature(), AvailabilityState::Playable);
    List(kSearchList).SetSelectedRow(0);
    ui_->pages[kLibraryTabs] = 4;
    Flows().PlayOnline();
    EXPECT_EQ(ui_->log, (std::vector<std::string>{"text 标签底部状态=正在获取播放信息..."}));
    EXPECT_FALSE(resolution_->Resolve().Resolving());
}

TEST_F(FlowsTest, FilmSources) {
    flow::ListModel& list = List(kFilmSourceList);
    const int notPlayable = AddFilmSourceRow(OfKind(EntryKind::NotHeld));
    list.SetState(notPlayable, AvailabilityState::NotPlayable);
    const int checking = AddFilmSourceRow(Feature());
    list.SetState(checking, AvailabilityState::Checking);
    const int playable = AddFilmSourceRow(Feature());
    list.SetCell(playable, 6, Feature().files.front().sha1);
    list.SetCell(playable, 7, std::to_string(Feature().files.front().size));
    list.SetCell(playable, 9, Feature().infoHash);
    list.SetState(playable, AvailabilityState::Playable);
    const int several = AddFilmSourceRow(Series());
    list.SetCell(several, 9, Series().infoHash);
    list.SetCell(several, 10, net::HttpRequest(sim_->FileListPrefix() + Series().infoHash));
    list.SetState(several, AvailabilityState::SeveralFiles);

    list.SetSelectedRow(notPlayable);
    Flows().PlayFilmSource();
    EXPECT_EQ(ui_->texts[kTopStatus], "正在加载中...");
    ASSERT_EQ(ui_->messages.size(), 1u);
    EXPECT_EQ(ui_->messages[0].text, "该片源无法播放！");
    EXPECT_EQ(ui_->messages[0].title, "Lumo提示：");
    EXPECT_FALSE(ui_->messages[0].ownedByMain);

    list.SetSelectedRow(checking);
    Flows().PlayFilmSource();
    EXPECT_EQ(ui_->messages.size(), 1u);
    EXPECT_FALSE(resolution_->Resolve().Resolving());

    list.SetSelectedRow(several);
    Flows().PlayFilmSource();
    EXPECT_EQ(List(kMagnetFileList).RowCount(), 3);
    EXPECT_EQ(resolution_->Magnet().ListedInfoHash(), Series().infoHash);

    list.SetSelectedRow(playable);
    Flows().PlayFilmSource();
    EXPECT_EQ(state_->currentInfoHash, Feature().infoHash);
    EXPECT_EQ(state_->currentTitle, Feature().title);
    EXPECT_EQ(WaitForResolve(), ResolveEnd::Found);
}

TEST_F(FlowsTest, TheQueueReplaysWithoutGrowing) {
    flow::ListModel& queue = List(kPlayQueueList);
    const auto& feature = Feature().files.front();
    queue.AppendRow({"", "", "", "1", "SHA"});
    queue.AppendRow({"", "", "Feature", std::to_string(feature.size), feature.sha1, Feature().infoHash});

    Flows().PlayQueueRow();  // nothing selected
    queue.SetSelectedRow(0);  // no title
    Flows().PlayQueueRow();
    EXPECT_FALSE(resolution_->Resolve().Resolving());
    EXPECT_TRUE(ui_->log.empty());

    queue.SetSelectedRow(1);
    Flows().PlayQueueRow();
    EXPECT_EQ(state_->currentTitle, "Feature");
    EXPECT_EQ(state_->currentInfoHash, Feature().infoHash);
    EXPECT_EQ(WaitForResolve(), ResolveEnd::Found);
    EXPECT_EQ(queue.RowCount(), 2);
    EXPECT_EQ(queue.Cell(1, 1), "√");
    EXPECT_FALSE(std::filesystem::exists(store::HistoryIniPath()));
}

TEST_F(FlowsTest, ParseMagnetInputTakesLinksAndHashes) {
    flow::ListModel& files = List(kMagnetFileList);
    ui_->texts[kMagnetInputBox] = "magnet:?xt=urn:btih:" + Series().infoHash + "&dn=" + "series";
    EXPECT_TRUE(Magnet().ParseMagnetInput());
    ASSERT_EQ(files.RowCount(), 3);
    EXPECT_EQ(files.Cell(0, 3), Series().files[0].sha1);
    EXPECT_EQ(files.Cell(0, 2), GigabyteText(std::to_string(Series().files[0].size), 2));
    EXPECT_EQ(Magnet().ListedInfoHash(), Series().infoHash);
    // The box keeps its text.
    EXPECT_EQ(ui_->texts[kMagnetInputBox], "magnet:?xt=urn:btih:" + Series().infoHash + "&dn=series");

    // A bare hash in lower case, parsed while the previous checks may still
    // run: only the new rows get states.
    std::string lower = Feature().infoHash;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ui_->texts[kMagnetInputBox] = lower;
    EXPECT_TRUE(Magnet().ParseMagnetInput());
    ASSERT_EQ(files.RowCount(), 1);
    EXPECT_EQ(files.Cell(0, 1), Feature().files.front().name);
    EXPECT_EQ(Magnet().ListedInfoHash(), lower);
    ASSERT_TRUE(WaitUntil([&] { return AllFinal(files); }));
    EXPECT_EQ(files.State(0), AvailabilityState::Playable);
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(std::chrono::seconds(10)));
    RunEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(files.RowCount(), 1);
    EXPECT_EQ(files.State(0), AvailabilityState::Playable);
    EXPECT_TRUE(ui_->messages.empty());
}

TEST_F(FlowsTest, ParseMagnetInputFailsOnWhatIsNoHash) {
    flow::ListModel& files = List(kMagnetFileList);
    const std::vector<std::string> inputs = {
        "MAGNET:?XT=URN:BTIH:" + Feature().infoHash,  // the prefix removal is case-sensitive
        "输入磁力链接然后点击解析",                  // the hint, parsed like any text
        "",
        "magnet:?xt=urn:btih:" + OfKind(EntryKind::UnknownHash).infoHash,
    };
    for (const auto& input : inputs) {
        ui_->texts[kMagnetInputBox] = input;
        EXPECT_FALSE(Magnet().ParseMagnetInput()) << input;
        EXPECT_EQ(files.RowCount(), 0) << input;
    }
    EXPECT_EQ(ui_->Informed(), std::vector<std::string>(inputs.size(), "未能成功解析！"));
    for (const auto& message : ui_->messages) EXPECT_EQ(message.title, "");
    sim_->WaitIdle();
    // The hint went to the service as it stands.
    bool hintAsked = false;
    for (const auto& request : sim_->Requests(Service::FileList))
        hintAsked |= request.target.find("%E8%BE%93%E5%85%A5") != std::string::npos;
    EXPECT_TRUE(hintAsked);

    // An unreachable file-list service ends the same way.
    state_->SetRemoteAddress(ResolveEndpoints::kFileListKey, "http://127.0.0.1:1/filelist.php?hash=");
    ui_->texts[kMagnetInputBox] = Feature().infoHash;
    EXPECT_FALSE(Magnet().ParseMagnetInput());
    EXPECT_EQ(ui_->messages.size(), inputs.size() + 1);
}

TEST_F(FlowsTest, AParseOvertakenByAnotherChangesNothing) {
    flow::ListModel& files = List(kMagnetFileList);
    sim::Fault slow = MakeFault(sim::FaultKind::Delay);
    slow.ms = 800;
    slow.count = 1;
    sim_->SetFault(Service::FileList, slow);
    ui_->texts[kMagnetInputBox] = Series().infoHash;

    // While the first parse waits for its slow answer, the user parses
    // another torrent.
    bool secondListed = false;
    QTimer::singleShot(100, [&] {
        ui_->texts[kMagnetInputBox] = Feature().infoHash;
        secondListed = Magnet().ParseMagnetInput();
    });
    EXPECT_FALSE(Magnet().ParseMagnetInput());
    EXPECT_TRUE(secondListed);
    ASSERT_EQ(files.RowCount(), 1);
    EXPECT_EQ(files.Cell(0, 3), Feature().files.front().sha1);
    EXPECT_EQ(Magnet().ListedInfoHash(), Feature().infoHash);
    EXPECT_TRUE(ui_->messages.empty());
}

TEST_F(FlowsTest, FavouritesAndTheSecondListParseTheirLinks) {
    flow::ListModel& favourites = List(kFavouriteList);
    favourites.AppendRow({"", "1", "no link"});
    favourites.AppendRow({"", "2", "series", "magnet:?xt=urn:btih:" + Series().infoHash});
    favourites.SetSelectedRow(0);
    Flows().ParseFavourite();
    EXPECT_EQ(ui_->texts[kBottomStatus], "没有可解析链接！");
    EXPECT_FALSE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));

    favourites.SetSelectedRow(1);
    Flows().ParseFavourite();
    EXPECT_TRUE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));
    EXPECT_EQ(ui_->texts[kMagnetInputBox], "magnet:?xt=urn:btih:" + Series().infoHash);
    EXPECT_EQ(List(kMagnetFileList).RowCount(), 3);

    flow::ListModel& extra = List(kExtraResourceList);
    extra.AppendRow({"", "1", "", "magnet:?xt=urn:btih:" + Feature().infoHash});
    extra.AppendRow({"", "2", "feature", "magnet:?xt=urn:btih:" + Feature().infoHash});
    ui_->texts[kBottomStatus].clear();
    extra.SetSelectedRow(0);
    Flows().OpenExtraResourceRow();
    EXPECT_EQ(ui_->texts[kBottomStatus], "没有可解析链接！");
    extra.SetSelectedRow(1);
    Flows().OpenExtraResourceRow();
    EXPECT_NE(std::find(ui_->log.begin(), ui_->log.end(), "close " + std::to_string(static_cast<int>(WindowCode::PLAYQUEUE))),
              ui_->log.end());
    EXPECT_EQ(ui_->colours[kPlayerViewButton], std::make_pair(0xC0C0C0u, 0x535353u));
    ASSERT_EQ(List(kMagnetFileList).RowCount(), 1);
    EXPECT_EQ(List(kMagnetFileList).Cell(0, 3), Feature().files.front().sha1);
}

TEST_F(FlowsTest, OpenTorrentFileReadsRealTorrents) {
    for (const auto* entry : {&Feature(), &Series()}) {
        ASSERT_FALSE(entry->torrent.empty());
        Magnet().OpenTorrentFile(TorrentFile("t.torrent", entry->torrent));
        EXPECT_EQ(ui_->texts[kMagnetInputBox], entry->infoHash);
        EXPECT_EQ(List(kMagnetFileList).RowCount(), static_cast<int>(entry->files.size()));
    }
    EXPECT_TRUE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));
    EXPECT_TRUE(ui_->messages.empty());

    // Cancelled dialog: nothing at all.
    ui_->log.clear();
    Magnet().OpenTorrentFile({});
    EXPECT_TRUE(ui_->log.empty());
}

TEST_F(FlowsTest, OpenTorrentFileRefusesDamagedFiles) {
    const std::string& good = Feature().torrent;
    const size_t info = good.find("4:info");
    ASSERT_NE(info, std::string::npos);
    const std::vector<std::string> paths = {
        TorrentFile("noinfo.torrent", "d8:announce3:urle"),
        TorrentFile("garbage.torrent", "\x01\x02not bencode at all"),
        TorrentFile("empty.torrent", ""),
        TorrentFile("badinfo.torrent", good.substr(0, info) + "4:infoi12"),
        (home_ / "missing.torrent").string(),
        home_.string(),  // a directory
    };
    for (const auto& path : paths) Magnet().OpenTorrentFile(path);
    EXPECT_EQ(ui_->Informed(), std::vector<std::string>(paths.size(), "解析种子失败！"));
    EXPECT_EQ(ui_->texts[kTopStatus], "解析种子失败");
    EXPECT_FALSE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));

    // A file that ends inside its info dictionary still has a hash, which
    // the file-list service does not know.
    ui_->messages.clear();
    const size_t lengthEnd = good.find('e', good.find("6:lengthi", info) + 9);
    Magnet().OpenTorrentFile(TorrentFile("cut.torrent", good.substr(0, lengthEnd + 1)));
    EXPECT_TRUE(ui_->IsWindowLoaded(WindowCode::MAGNETWIN));
    EXPECT_EQ(ui_->texts[kMagnetInputBox].size(), 40u);
    EXPECT_EQ(ui_->Informed(), std::vector<std::string>{"未能成功解析！"});
}

TEST_F(FlowsTest, CopyMagnetLinkByTab) {
    AddSearchRow(Feature());
    List(kSearchList).SetSelectedRow(0);
    AddResourceRow(Series());
    List(kResourceList).SetSelectedRow(0);
    List(kFavouriteList).AppendRow({"", "1", "fav", "magnet:?xt=urn:btih:ABC&dn=x"});
    List(kFavouriteList).SetSelectedRow(0);

    ui_->pages[kLibraryTabs] = 1;
    Magnet().CopyMagnetLink();
    EXPECT_EQ(ui_->clipboard, "magnet:?xt=urn:btih:" + Feature().infoHash);
    ui_->pages[kLibraryTabs] = 3;
    Magnet().CopyMagnetLink();
    EXPECT_EQ(ui_->clipboard, "magnet:?xt=urn:btih:" + Series().infoHash);
    ui_->pages[kLibraryTabs] = 4;
    Magnet().CopyMagnetLink();
    EXPECT_EQ(ui_->clipboard, "magnet:?xt=urn:btih:ABC&dn=x");
    ui_->pages[kLibraryTabs] = 0;
    Magnet().CopyMagnetLink();
    EXPECT_EQ(ui_->clipboardWrites, 3);
    // Nothing selected on the search tab: the clipboard keeps what it had
    // and the user is told nothing was copied.
    List(kSearchList).SetSelectedRow(-1);
    ui_->pages[kLibraryTabs] = 1;
    Magnet().CopyMagnetLink();
    EXPECT_EQ(ui_->clipboard, "magnet:?xt=urn:btih:ABC&dn=x");
    EXPECT_EQ(ui_->clipboardWrites, 3);
    ASSERT_FALSE(ui_->messages.empty());
    EXPECT_EQ(ui_->messages.back().text, "没有选中任何一行,没有复制任何内容");
}

}  // namespace
}  // namespace lumo::resolve::testing
