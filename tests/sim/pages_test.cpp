// The simulator's answers read with Lumo's own parsers and the exact
// patterns and markers its clients use must give back the catalogue.

#include <gtest/gtest.h>

#include <set>

#include "sim/codec_pack.h"
#include "sim/operator_forum.h"
#include "sim/operator_website.h"
#include "sim_test_support.h"
#include "text/codecs.h"
#include "text/script_unescape.h"
#include "text/text_between.h"

namespace lumo::sim {
namespace {

using testing::DecodePage;
using testing::Get;
using testing::Post;
using text::PatternMatcher;
using text::TextBetween;

const char* kFileListPattern = R"re("index":(.*?),"name":"(.*?)","size":"(.*?)","sha1":"(.*?)")re";

std::string StripEm(std::string text) {
    for (const std::string tag : {"<em>", "</em>"}) {
        for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag)) text.erase(at, tag.size());
    }
    return text;
}

class SimPages : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = new Simulator(testing::TestOptions());
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        sim_->ClearFaults();
        sim_->ClearPages();
        sim_->SetUpdateStatus("0");
    }

    static const Catalogue& Cat() { return sim_->catalogue(); }

    static std::string FileList(const std::string& hash) {
        const auto fetched = Get(*sim_, Service::FileList, "/filelist.php?hash=" + hash);
        EXPECT_EQ(fetched.status, 200);
        return DecodePage(fetched.body);
    }
    static std::string PlayInfo(const std::string& sha1) {
        const auto fetched = Post(*sim_, Service::Offline, "/handler/lixian/get_http_url.php",
                                  "hash=" + sha1 + "&filename=System");
        EXPECT_EQ(fetched.status, 200);
        return text::GbkToUtf8(fetched.body);
    }

    static Simulator* sim_;
};

Simulator* SimPages::sim_ = nullptr;

// --- the file-list service and the offline service -------------------------

TEST_F(SimPages, FileListGivesEveryFileOfEveryKnownEntry) {
    for (const auto& entry : Cat().entries()) {
        const std::string answer = FileList(entry.infoHash);
        PatternMatcher m;
        ASSERT_TRUE(m.Search(kFileListPattern, answer, false, true, true, true));
        if (!entry.knownToFileList) {
            EXPECT_EQ(m.MatchCount(), 0) << entry.id;
            continue;
        }
        ASSERT_EQ(m.MatchCount(), static_cast<int>(entry.files.size())) << entry.id;
        for (size_t i = 0; i < entry.files.size(); ++i) {
            const auto& file = entry.files[i];
            const int match = static_cast<int>(i) + 1;
            EXPECT_EQ(m.SubMatchText(match, 1), std::to_string(file.index));
            EXPECT_EQ(text::ScriptUnescape(m.SubMatchText(match, 2)), file.name);
            EXPECT_EQ(m.SubMatchText(match, 3), std::to_string(file.size));
            EXPECT_EQ(m.SubMatchText(match, 4), file.sha1);
        }
    }
}

TEST_F(SimPages, FileListNamesAreEscapedAndTheWholeAnswerUnescapesToTheNames) {
    const auto& entry = Cat().entries()[1];  // the three-episode series, Chinese names
    const std::string answer = FileList(entry.infoHash);
    EXPECT_NE(answer.find("\\u"), std::string::npos);
    for (const auto& file : entry.files) EXPECT_EQ(answer.find(file.name), std::string::npos);
    // The multi-file flow unescapes the whole answer before matching it.
    PatternMatcher m;
    m.Search(kFileListPattern, text::ScriptUnescape(answer), false, true, true, true);
    ASSERT_EQ(m.MatchCount(), 3);
    EXPECT_EQ(m.SubMatchText(2, 2), entry.files[1].name);
}

TEST_F(SimPages, FileListTakesMagnetLinksLowerCaseAndRejectsUnknownHashes) {
    const auto& entry = Cat().entries().front();
    std::string lower = entry.infoHash;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    PatternMatcher m;
    m.Search(kFileListPattern, FileList("magnet:%3Fxt=urn:btih:" + entry.infoHash + "%26dn=film"), false, true, true,
             true);
    EXPECT_EQ(m.MatchCount(), 1);
    // A second raw '?' in the address is refused by the server's HTTP layer;
    // the client then simply finds no files.
    const auto refused = Get(*sim_, Service::FileList, "/filelist.php?hash=magnet:?xt=urn:btih:" + entry.infoHash);
    EXPECT_EQ(refused.status, 400);
    m.Search(kFileListPattern, refused.body, false, true, true, true);
    EXPECT_EQ(m.MatchCount(), 0);
    m.Search(kFileListPattern, FileList(lower), false, true, true, true);
    EXPECT_EQ(m.MatchCount(), 1);
    for (const std::string& bad : std::vector<std::string>{"", "0123456789ABCDEF0123456789ABCDEF01234567",
                                                           ("MAGNET:?XT=URN:BTIH:" + entry.infoHash).substr(0, 40),
                                                           "%E8%BE%93%E5%85%A5"}) {
        m.Search(kFileListPattern, Get(*sim_, Service::FileList, "/filelist.php?hash=" + bad).body, false, true, true,
                 true);
        EXPECT_EQ(m.MatchCount(), 0) << bad;
    }
}

TEST_F(SimPages, PlayInformationHoldsCookieAndPathForHeldFilesOnly) {
    for (const auto& media : Cat().media()) {
        const std::string answer = PlayInfo(media.sha1);
        EXPECT_EQ(TextBetween(answer, "com_cookie#引号:#引号", "#引号,"), media.cookie) << media.role;
        EXPECT_EQ(TextBetween(answer, "ftn_handler/", "/System"), media.token) << media.role;
    }
    const auto& notHeld = Cat().FirstOfKind(EntryKind::NotHeld);
    EXPECT_EQ(TextBetween(PlayInfo(notHeld.files[0].sha1), "com_cookie\":\"", "\","), "00000000");
    EXPECT_EQ(TextBetween(PlayInfo(std::string(40, '0')), "com_cookie\":\"", "\","), "00000000");
    EXPECT_EQ(TextBetween(PlayInfo(std::string(40, '0')), "ftn_handler/", "/System"), "");
    // The sha1 compares ignoring case.
    std::string lower = Cat().MediaByRole("feature")->sha1;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(TextBetween(PlayInfo(lower), "com_cookie\":\"", "\","), Cat().MediaByRole("feature")->cookie);
}

// The whole road from an info-hash to the bytes, as Lumo's resolve takes it.
TEST_F(SimPages, ResolveFindsTheFirstHostThatHoldsTheFileAmongTheFirstFifteen) {
    struct Case {
        const char* role;
        int expectedHost;  // 0: none of hosts 1 to 15
    };
    for (const Case c : {Case{"feature", 1}, Case{"short", 9}, Case{"episode3", 12}, Case{"remote", 0}}) {
        const MediaFile& media = *Cat().MediaByRole(c.role);
        const std::string answer = PlayInfo(media.sha1);
        const std::string path = TextBetween(answer, "ftn_handler/", "/System");
        const std::string cookie = "FTN5K=" + TextBetween(answer, "com_cookie\":\"", "\",");
        sim_->ResetCounters();
        int found = 0;
        int probes = 0;
        for (int n = 1; n <= 15 && found == 0; ++n) {
            ++probes;
            const long long length =
                testing::ProbeLength(*sim_, n, "/ftn_handler/" + path + "?compressed=0&dtype=1&fname=m.mkv", cookie);
            if (std::to_string(length) == std::to_string(media.bytes.size())) found = n;
        }
        EXPECT_EQ(found, c.expectedHost) << c.role;
        EXPECT_EQ(probes, c.expectedHost == 0 ? 15 : c.expectedHost) << c.role;
        for (int n = 1; n <= 22; ++n) {
            EXPECT_EQ(sim_->Counters(DownloadHost(n)).requests, n <= probes ? 1u : 0u) << c.role << " host " << n;
        }
    }
}

TEST_F(SimPages, DownloadHostsServeExactBytesInRangesOnlyWithTheCookie) {
    const MediaFile& media = *Cat().MediaByRole("feature");
    const std::string target = "/ftn_handler/" + media.token + "?compressed=0&dtype=1&fname=m.mkv";
    const httplib::Headers cookie = {{"Cookie", "FTN5K=" + media.cookie}};

    auto whole = Get(*sim_, DownloadHost(1), target, cookie);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.body, media.bytes);
    EXPECT_EQ(whole.Header("Content-Length"), std::to_string(media.bytes.size()));
    EXPECT_EQ(whole.Header("Accept-Ranges"), "bytes");

    // The range pieces put together give the file.
    std::string joined;
    const size_t step = 65000;
    for (size_t at = 0; at < media.bytes.size(); at += step) {
        httplib::Headers headers = cookie;
        const size_t last = std::min(at + step, media.bytes.size()) - 1;
        headers.emplace("Range", "bytes=" + std::to_string(at) + "-" + std::to_string(last));
        auto part = Get(*sim_, DownloadHost(3), target, headers);
        ASSERT_EQ(part.status, 206);
        EXPECT_EQ(part.Header("Content-Range"), "bytes " + std::to_string(at) + "-" + std::to_string(last) + "/" +
                                                     std::to_string(media.bytes.size()));
        joined += part.body;
    }
    EXPECT_EQ(joined, media.bytes);

    httplib::Headers tail = cookie;
    tail.emplace("Range", "bytes=-100");
    EXPECT_EQ(Get(*sim_, DownloadHost(1), target, tail).body, media.bytes.substr(media.bytes.size() - 100));
    httplib::Headers beyond = cookie;
    beyond.emplace("Range", "bytes=" + std::to_string(media.bytes.size()) + "-");
    auto refused = Get(*sim_, DownloadHost(1), target, beyond);
    EXPECT_EQ(refused.status, 416);
    EXPECT_EQ(refused.Header("Content-Range"), "bytes */" + std::to_string(media.bytes.size()));

    EXPECT_EQ(Get(*sim_, DownloadHost(1), target).status, 403);
    EXPECT_EQ(Get(*sim_, DownloadHost(1), target, {{"Cookie", "FTN5K=" + Cat().MediaByRole("short")->cookie}}).status,
              403);
    EXPECT_EQ(Get(*sim_, DownloadHost(1), target, {{"Cookie", "a=1; FTN5K=" + media.cookie + "; b=2"}}).status, 200);
    EXPECT_EQ(Get(*sim_, DownloadHost(2), target, cookie).status, 404);  // not held there
    EXPECT_EQ(Get(*sim_, DownloadHost(1), "/ftn_handler/" + std::string(40, 'a'), cookie).status, 404);
}

// --- searches -----------------------------------------------------------------

TEST_F(SimPages, SearchSitePagesGiveTitlesKeysAndSizesInOrder) {
    const std::string keyword = "Chase";
    const auto expected = Cat().Search(keyword);
    ASSERT_GT(expected.size(), 0u);
    size_t seen = 0;
    for (int page = 1; seen < expected.size(); ++page) {
        const auto fetched = Get(*sim_, Service::Search, "/q/" + keyword + "_rel_" + std::to_string(page) + ".html");
        ASSERT_EQ(fetched.status, 200);
        const std::string html = DecodePage(fetched.body);
        PatternMatcher a, b;
        a.Search(R"re(href="/torrent/(.*?).html" target="_blank">(.*?)</a>)re", html, false, true, true, true);
        b.Search("文件大小：<b .*?>(.*?)</b>", html, false, true, true, true);
        ASSERT_GT(a.MatchCount(), 0) << page;
        EXPECT_LE(a.MatchCount(), 10);
        EXPECT_EQ(b.MatchCount(), a.MatchCount());
        for (int i = 1; i <= a.MatchCount(); ++i, ++seen) {
            const CatalogueEntry& entry = *expected[seen];
            EXPECT_EQ(a.SubMatchText(i, 1), entry.infoHash);
            EXPECT_NE(a.SubMatchText(i, 2).find("<em>Chase</em>"), std::string::npos);
            EXPECT_EQ(StripEm(a.SubMatchText(i, 2)), entry.title);
            EXPECT_EQ(b.SubMatchText(i, 1), SizeText(entry.TotalSize()));
        }
    }
    EXPECT_EQ(seen, expected.size());
}

TEST_F(SimPages, SearchSiteReadsChineseKeywordsAndHandlesEmptyAndHopelessOnes) {
    const std::string word = Cat().keywords().front();
    const auto utf8 = DecodePage(Get(*sim_, Service::Search, "/q/" + word + "_rel_1.html").body);
    const auto gbk = DecodePage(Get(*sim_, Service::Search, "/q/" + text::Utf8ToGbk(word) + "_rel_1.html").body);
    PatternMatcher m;
    m.Search(R"re(href="/torrent/(.*?).html" target="_blank">(.*?)</a>)re", utf8, false, true, true, true);
    EXPECT_EQ(m.MatchCount(), static_cast<int>(std::min<size_t>(10, Cat().Search(word).size())));
    EXPECT_NE(m.SubMatchText(1, 2).find("<em>" + word + "</em>"), std::string::npos);
    EXPECT_EQ(utf8, gbk);

    m.Search(R"re(href="/torrent/(.*?).html" target="_blank">(.*?)</a>)re",
             DecodePage(Get(*sim_, Service::Search, "/q/_rel_1.html").body), false, true, true, true);
    EXPECT_EQ(m.MatchCount(), 10);
    m.Search(R"re(href="/torrent/(.*?).html" target="_blank">(.*?)</a>)re",
             DecodePage(Get(*sim_, Service::Search, "/q/zzzznothing_rel_1.html").body), false, true, true, true);
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_EQ(Get(*sim_, Service::Search, "/q/abc_rel_x.html").status, 404);
}

TEST_F(SimPages, SearchSiteDetailPageCarriesTheMagnetLinkAndTheTorrent) {
    const auto& entry = Cat().entries().front();
    const std::string html = DecodePage(Get(*sim_, Service::Search, "/torrent/" + entry.infoHash + ".html").body);
    EXPECT_EQ(TextBetween(html, "magnet:?xt=urn:btih:", "&"), entry.infoHash);
    const auto torrent = Get(*sim_, Service::Search, "/down/" + entry.infoHash + ".torrent");
    EXPECT_EQ(torrent.status, 200);
    EXPECT_EQ(torrent.body, entry.torrent);
}

TEST_F(SimPages, JsonSearchAnswersInTheFormThePatternExpects) {
    const std::string keyword = "1080p";
    const auto expected = Cat().Search(keyword);
    ASSERT_GT(expected.size(), 40u);  // more than a page, more than the 30 rows Lumo lists
    const auto fetched = Get(*sim_, Service::Api,
                             "/plugin.php?id=hc_115&mod=api&ac=acquisition&w=" + keyword + "&page=2&_=1401580800");
    ASSERT_EQ(fetched.status, 200);
    const std::string decoded = text::ScriptUnescape(DecodePage(fetched.body));
    PatternMatcher m;
    m.Search(R"re({"hash":"(.*?)","title":"(.*?)","size":"(.*?)","day".*?})re", decoded, false, true, true, true);
    ASSERT_EQ(m.MatchCount(), static_cast<int>(std::min<size_t>(40, expected.size() - 40)));
    for (int i = 1; i <= m.MatchCount(); ++i) {
        const CatalogueEntry& entry = *expected[40 + i - 1];
        EXPECT_EQ(m.SubMatchText(i, 1), entry.infoHash);
        EXPECT_EQ(m.SubMatchText(i, 2), entry.title);
        EXPECT_EQ(m.SubMatchText(i, 3), SizeText(entry.TotalSize()));
    }
    EXPECT_NE(fetched.body.find("\\u"), std::string::npos);  // Chinese travels escaped

    m.Search(R"re({"hash":"(.*?)","title":"(.*?)","size":"(.*?)","day".*?})re",
             text::ScriptUnescape(Get(*sim_, Service::Api, "/plugin.php?id=other&w=1080p").body), false, true, true, true);
    EXPECT_EQ(m.MatchCount(), 0);
}

// --- the film site ------------------------------------------------------------

TEST_F(SimPages, FilmSearchListsFilmsWithDetailAddresses) {
    const auto& film = Cat().films()[3];
    const auto fetched = Get(*sim_, Service::Films, "/search?q=" + film.englishTitle.substr(0, film.englishTitle.find(' ')));
    PatternMatcher m;
    m.Search(R"re(href="(.*?)"><em>(.*?)</a></h5></li>)re", DecodePage(fetched.body), false, true, true, true);
    ASSERT_GT(m.MatchCount(), 0);
    bool listed = false;
    for (int i = 1; i <= m.MatchCount(); ++i) {
        EXPECT_EQ(StripEm(m.SubMatchText(i, 2)).find("<"), std::string::npos);
        if (m.SubMatchText(i, 1) == "/subject/" + std::to_string(film.id) + ".html") {
            listed = true;
            EXPECT_EQ(StripEm(m.SubMatchText(i, 2)), film.DisplayTitle() + " (" + std::to_string(film.year) + ")");
        }
    }
    EXPECT_TRUE(listed);
}

TEST_F(SimPages, FilmDetailPageGivesPosterTitleFieldsAndSources) {
    for (const auto& film : Cat().films()) {
        const auto fetched = Get(*sim_, Service::Films, "/subject/" + std::to_string(film.id) + ".html");
        ASSERT_EQ(fetched.status, 200);
        const std::string page = DecodePage(fetched.body);
        EXPECT_EQ(page.find('\r'), std::string::npos);

        const std::string poster = TextBetween(page, "<img src=#引号//", "#引号 alt=#引号#引号>");
        ASSERT_EQ(poster.rfind(sim_->HostPort(Service::Films) + "/", 0), 0u) << poster;
        const auto image = Get(*sim_, Service::Films, poster.substr(poster.find('/')));
        EXPECT_EQ(image.status, 200);
        EXPECT_EQ(image.body.substr(0, 8), "\x89PNG\r\n\x1a\n");

        EXPECT_EQ(TextBetween(page, "<h1>", "<small"), film.DisplayTitle());
        EXPECT_EQ(TextBetween(page, "#引号imdb:", "#引号"), film.imdb);

        PatternMatcher d;
        d.Search("<strong>(.*?)</strong>\n<div>\n(.*?) </div>", page, true, true, true, false);
        std::map<std::string, std::string> fields;
        for (int i = 1; i <= d.MatchCount(); ++i) fields[d.SubMatchText(i, 1)] = d.SubMatchText(i, 2);
        EXPECT_EQ(fields["地区:"], film.region);
        EXPECT_EQ(fields["类型:"], film.genre);
        EXPECT_EQ(TextBetween(fields["导演:"], ">", "</a>"), film.director);
        EXPECT_EQ(TextBetween(fields["编剧:"], ">", "</a>"), film.writer);
        PatternMatcher cast;
        cast.Search(R"re(">(.*?)</a>)re", fields["主演:"]);
        ASSERT_EQ(cast.MatchCount(), static_cast<int>(film.cast.size()));
        for (int i = 1; i <= cast.MatchCount(); ++i) EXPECT_EQ(cast.SubMatchText(i, 1), film.cast[i - 1]);

        PatternMatcher t, s;
        t.Search(R"re(<a href="(.*?)" class="ico ico_bt">(.*?)</a>)re", page, false, true, true, true);
        s.Search(R"re(<td class="nobr center">(.*?)B</td>)re", page, false, true, true, true);
        ASSERT_EQ(t.MatchCount(), static_cast<int>(film.entries.size()));
        EXPECT_EQ(s.MatchCount(), t.MatchCount());
        for (int i = 1; i <= t.MatchCount(); ++i) {
            const CatalogueEntry& entry = Cat().entries()[film.entries[i - 1]];
            EXPECT_EQ(t.SubMatchText(i, 2), entry.title);
            EXPECT_EQ(s.SubMatchText(i, 1) + "B", SizeText(entry.TotalSize()));
            // The availability check fetches the torrent page for the hash.
            const auto torrentPage = Get(*sim_, Service::Films, t.SubMatchText(i, 1));
            EXPECT_EQ(TextBetween(DecodePage(torrentPage.body), "magnet:?xt=urn:btih:", "&"), entry.infoHash);
        }
    }
}

TEST_F(SimPages, EveryRowStateIsReachableFromTheFilmSources) {
    std::set<EntryKind> kinds;
    for (const auto& film : Cat().films()) {
        for (int index : film.entries) kinds.insert(Cat().entries()[index].kind);
    }
    EXPECT_EQ(kinds.size(), 7u);
}

// --- the operators' lists -----------------------------------------------------

TEST_F(SimPages, SharedResourceListPagesGiveBase64GbkNamesAndHashes) {
    const auto& entries = Cat().entries();
    const int pageSize = OperatorForum::kResourcePageSize;
    const int pages = static_cast<int>((entries.size() + pageSize - 1) / pageSize);
    size_t seen = 0;
    for (int page = 1; page <= pages + 1; ++page) {
        const auto fetched = Get(*sim_, Service::Forum, "/archiver/i/fg/hy/" + std::to_string(page) + ".htm");
        ASSERT_EQ(fetched.status, 200);
        PatternMatcher m;
        m.Search("名(.*?)名---分割啊---磁(.*?)磁", DecodePage(fetched.body), false, true, true, true);
        if (page == pages + 1) {
            EXPECT_EQ(m.MatchCount(), 0);
            break;
        }
        // The last page holds three entries: Lumo lists them but reports a failed load.
        EXPECT_EQ(m.MatchCount(), page < pages ? pageSize : 3) << page;
        for (int i = 1; i <= m.MatchCount(); ++i, ++seen) {
            EXPECT_EQ(text::GbkToUtf8(text::Base64Decode(m.SubMatchText(i, 1))), entries[seen].title);
            EXPECT_EQ(m.SubMatchText(i, 2), entries[seen].infoHash);
        }
    }
    EXPECT_EQ(seen, entries.size());
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/i/fg/hy/x.htm").status, 404);
    EXPECT_EQ(Get(*sim_, Service::Forum, "/archiver/i/fg/hy/0.htm").status, 404);
}

TEST_F(SimPages, SecondResourceListGivesPlainNamesAndMagnetLinks) {
    const auto fetched = Get(*sim_, Service::Extra, "/vip.htm");
    ASSERT_EQ(fetched.status, 200);
    PatternMatcher m;
    m.Search("名称(.*?)名称------磁力(.*?)磁力", DecodePage(fetched.body), false, true, true, true);
    ASSERT_EQ(m.MatchCount(), static_cast<int>(Cat().extraList().size()));
    ASSERT_GE(m.MatchCount(), 4);
    for (int i = 1; i <= m.MatchCount(); ++i) {
        const CatalogueEntry& entry = Cat().entries()[Cat().extraList()[i - 1]];
        EXPECT_EQ(m.SubMatchText(i, 1), entry.title);
        EXPECT_EQ(m.SubMatchText(i, 2), "magnet:?xt=urn:btih:" + entry.infoHash);
    }
}

TEST_F(SimPages, KeywordLibrariesListWordsThatFindSomething) {
    // The code library comes through Lumo's plain GET, the keyword library
    // through the other path, which takes the bytes as GBK.
    PatternMatcher codes;
    codes.Search(R"re(bottom:10px;">(.*?)</a>)re", DecodePage(Get(*sim_, Service::Words, "/fanhao.htm").body), false,
                 true, true, true);
    ASSERT_EQ(codes.MatchCount(), static_cast<int>(Cat().codes().size()));
    ASSERT_GT(codes.MatchCount(), 0);
    PatternMatcher words;
    words.Search(R"re(-bottom:10px;">(.*?)</a>)re", text::GbkToUtf8(Get(*sim_, Service::Words, "/gjz.htm").body), false,
                 true, true, true);
    ASSERT_EQ(words.MatchCount(), static_cast<int>(Cat().keywords().size()));
    for (int i = 1; i <= codes.MatchCount(); ++i) {
        EXPECT_EQ(codes.SubMatchText(i, 1), Cat().codes()[i - 1]);
        EXPECT_EQ(Cat().Search(codes.SubMatchText(i, 1)).size(), 1u);
    }
    for (int i = 1; i <= words.MatchCount(); ++i) {
        EXPECT_EQ(words.SubMatchText(i, 1), Cat().keywords()[i - 1]);
        EXPECT_FALSE(Cat().Search(words.SubMatchText(i, 1)).empty()) << words.SubMatchText(i, 1);
    }
}

// --- the operators' website, update page and forum -----------------------------

TEST_F(SimPages, AddressListPublishesEveryKeyBetweenItsMarkers) {
    const auto fetched = Get(*sim_, Service::Website, "/dizihuoqu.htm");
    ASSERT_EQ(fetched.status, 200);
    const std::string page = DecodePage(fetched.body);
    std::map<std::string, std::string> values;
    for (const auto& item : OperatorWebsite::AddressList(sim_->context())) {
        values[item.key] = TextBetween(page, item.beginMarker, item.endMarker);
        EXPECT_EQ(values[item.key], item.value) << item.key;
        EXPECT_FALSE(item.value.empty()) << item.key;
    }
    EXPECT_EQ(values.size(), 16u);
    // The two odd end markers, and where the values lead.
    EXPECT_EQ(TextBetween(page, "]~zhuludizi", "zhudizi~["), sim_->HostPort(Service::Forum));
    EXPECT_EQ(TextBetween(page, "]~zhuludizi", "zhuludizi~["), "");
    EXPECT_EQ(TextBetween(page, "]~fanhaodizi", "fanhaodiz~["), sim_->BaseAddress(Service::Words) + "/fanhao.htm");
    EXPECT_EQ(values["jkdz2"], sim_->FileListPrefix());
    EXPECT_EQ(values["gonggdz"], OperatorWebsite::Announcement());
    for (const char* key : {"dydz", "DSJDZ", "TJDZ", "QTDZ", "zhucedizi", "genxindiz"}) {
        const std::string address = values[key];
        const auto port = std::stoi(address.substr(address.rfind(':') + 1));
        httplib::Client client("127.0.0.1", port);
        const auto shown = client.Get(address.substr(address.find('/', 7)));
        ASSERT_TRUE(shown) << key;
        EXPECT_EQ(shown->status, 200) << key;
    }
}

TEST_F(SimPages, UpdatePageTellsRelease16ItsConfiguredStatus) {
    for (const std::string status : {"0", "1", "2", "", "3"}) {
        sim_->SetUpdateStatus(status);
        const std::string page = text::GbkToUtf8(Get(*sim_, Service::Forum, "/archiver/gx.htm").body);
        EXPECT_EQ(TextBetween(page, "(lumo1.6gx)", "(lumo1.6gx)"), status);
        EXPECT_EQ(TextBetween(page, "[lumo1.6]", "[lumo1.6]"), sim_->BaseAddress(Service::Website) + "/download.htm");
    }
}

TEST_F(SimPages, ForumLoginSetsTheSessionThatTheProfileRecognises) {
    const std::string login = "/member.php?mod=logging&action=login&loginsubmit=yes&infloat=yes&lssubmit=yes&inajax=1";
    for (const auto& user : Cat().users()) {
        // As Lumo sends it: the name and the password URL-encoded as UTF-8.
        const std::string body = "fastloginfield=username&username=" + text::UrlEncode(user.name, true, true) +
                                 "&password=" + text::UrlEncode(user.password, true, true) +
                                 "&quickforward=yes&handlekey=ls";
        const auto answer = Post(*sim_, Service::Forum, login, body);
        ASSERT_EQ(answer.status, 200);
        EXPECT_EQ(TextBetween(text::UrlDecode(answer.body, true), "<root><![CDATA[", "<script"), "") << user.name;

        // Carry exactly the cookies this answer set, as the login does.
        std::string cookies;
        for (auto [it, end] = answer.headers.equal_range("Set-Cookie"); it != end; ++it) {
            const std::string item = it->second.substr(0, it->second.find(';'));
            if (item.size() < 8 || item.substr(item.size() - 8) != "=deleted") {
                cookies += (cookies.empty() ? "" : "; ") + item;
            }
        }
        const std::string profile = text::UrlDecode(
            Get(*sim_, Service::Forum, "/home.php?mod=space&uid=", {{"Cookie", cookies}}).body, true);
        EXPECT_NE(TextBetween(profile, "用户组: ", "</a>"), "") << user.name;
        EXPECT_NE(TextBetween(profile, "用户组: ", "</a>").find(user.group), std::string::npos);
        EXPECT_EQ(TextBetween(profile, "(UID:", ")"), user.uid);
    }
}

TEST_F(SimPages, ForumRefusesWrongPasswordsAndStrangers) {
    const std::string login = "/member.php?mod=logging&action=login&loginsubmit=yes&infloat=yes&lssubmit=yes&inajax=1";
    const auto answer =
        Post(*sim_, Service::Forum, login, "fastloginfield=username&username=lumo&password=nope&quickforward=yes&handlekey=ls");
    EXPECT_EQ(TextBetween(text::UrlDecode(answer.body, true), "<root><![CDATA[", "<script"), "登录失败，您还可以尝试 4 次");
    bool sessionSet = false;
    for (auto [it, end] = answer.headers.equal_range("Set-Cookie"); it != end; ++it) {
        if (it->second.rfind(std::string(OperatorForum::kAuthCookie) + "=", 0) == 0 &&
            it->second.find("=deleted") == std::string::npos) {
            sessionSet = true;
        }
    }
    EXPECT_FALSE(sessionSet);
    // The body is read as a form: a password sent unencoded is cut at its
    // "&" and does not match.
    const auto raw = Post(*sim_, Service::Forum, login,
                          "fastloginfield=username&username=" + text::UrlEncode("中文", true, true) +
                              "&password=密码&+%&quickforward=yes&handlekey=ls");
    EXPECT_NE(TextBetween(text::UrlDecode(raw.body, true), "<root><![CDATA[", "<script"), "");
    // Without a session the forum shows no user's space; a forged one neither.
    for (const std::string& cookie : {std::string(), std::string(OperatorForum::kAuthCookie) + "=0123456789"}) {
        const auto profile = Get(*sim_, Service::Forum, "/home.php?mod=space&uid=", {{"Cookie", cookie}});
        EXPECT_EQ(TextBetween(profile.body, "用户组: ", "</a>"), "");
    }
    // The user-centre page with an id shows that user's space.
    EXPECT_EQ(TextBetween(Get(*sim_, Service::Forum, "/home.php?mod=space&uid=10002").body, "(UID:", ")"), "10002");
}

// --- subtitles and the codec pack ----------------------------------------------

TEST_F(SimPages, SubtitleSearchFindsAFilmByItsImdbTextAndServesRealFiles) {
    const Film& film = Cat().films()[5];
    const std::string page = Get(*sim_, Service::Subtitles, "/search?ad=1&q=" + film.imdb).body;
    EXPECT_NE(page.find(film.DisplayTitle()), std::string::npos);
    PatternMatcher links;
    links.Search(R"re(href="(/download/[^"]+)")re", page);
    ASSERT_EQ(links.MatchCount(), static_cast<int>(Cat().subtitles().size()));
    for (int i = 1; i <= links.MatchCount(); ++i) {
        EXPECT_EQ(Get(*sim_, Service::Subtitles, links.SubMatchText(i, 1)).body, Cat().subtitles()[i - 1].bytes);
    }
    EXPECT_NE(Get(*sim_, Service::Subtitles, "/search?ad=1&q=").body.find("/download/"), std::string::npos);
}

TEST_F(SimPages, CodecPackDownloadsWholeOrInRanges) {
    const auto pack = Get(*sim_, Service::Codecs, "/codecs.zip");
    ASSERT_EQ(pack.status, 200);
    EXPECT_EQ(pack.body, BuildCodecPack(CodecPackVariant::Full, Cat().seed()));
    EXPECT_EQ(pack.Header("Content-Type"), "application/zip");
    const auto resumed = Get(*sim_, Service::Codecs, "/codecs.zip", {{"Range", "bytes=1000-"}});
    EXPECT_EQ(resumed.status, 206);
    EXPECT_EQ(resumed.body, pack.body.substr(1000));
    sim_->SetCodecPack(CodecPackVariant::Partial);
    EXPECT_EQ(Get(*sim_, Service::Codecs, "/codecs.zip").body, BuildCodecPack(CodecPackVariant::Partial, Cat().seed()));
    sim_->SetCodecPack(CodecPackVariant::Full);
}

}  // namespace
}  // namespace lumo::sim
