// The pure pieces of the resolution: magnet input, size texts, the answer
// parsers, play addresses and cache names.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resolve/cache_path.h"
#include "resolve/file_list.h"
#include "resolve/play_address.h"
#include "resolve/play_info.h"
#include "resolve/size_text.h"
#include "text/charset.h"
#include "torrent/magnet_input.h"

namespace lumo::resolve {
namespace {

using torrent::InfoHashFromInput;

constexpr const char* kHash = "0123456789ABCDEF0123456789ABCDEF01234567";

TEST(MagnetInput, TakesTheHashOfLinksAndBareHashes) {
    EXPECT_EQ(InfoHashFromInput(std::string("magnet:?xt=urn:btih:") + kHash + "&dn=film"), kHash);
    EXPECT_EQ(InfoHashFromInput(kHash), kHash);
    // Lower case passes as it is; nothing is checked or converted.
    EXPECT_EQ(InfoHashFromInput("0123456789abcdef0123456789abcdef01234567"),
              "0123456789abcdef0123456789abcdef01234567");
    // Every occurrence of the prefix goes, wherever it stands.
    EXPECT_EQ(InfoHashFromInput(std::string("magnet:?xt=urn:btih:magnet:?xt=urn:btih:") + kHash), kHash);
    EXPECT_EQ(InfoHashFromInput("abc"), "abc");
    EXPECT_EQ(InfoHashFromInput(""), "");
}

TEST(MagnetInput, KeepsACapitalisedPrefixSoTheHashIsWrong) {
    const std::string link = std::string("MAGNET:?XT=URN:BTIH:") + kHash;
    EXPECT_EQ(InfoHashFromInput(link), link.substr(0, 40));
}

TEST(MagnetInput, CountsFortyGbkBytesAndNeverSplitsACharacter) {
    // The hint is 12 characters of 2 GBK bytes each: all 24 bytes stay.
    EXPECT_EQ(InfoHashFromInput(torrent::kMagnetHint), std::string(torrent::kMagnetHint));
    // 39 ASCII bytes and a two-byte character: the character would be
    // bytes 40 and 41, so it is left out whole.
    const std::string input = std::string(39, 'a') + "中" + "tail";
    EXPECT_EQ(InfoHashFromInput(input), std::string(39, 'a'));
    // 20 characters of two bytes fill the 40 bytes exactly.
    std::string twenty;
    for (int i = 0; i < 21; ++i) twenty += "中";
    EXPECT_EQ(text::GbkLength(InfoHashFromInput(twenty)), 40u);
}

TEST(MagnetInput, ReadsLinksAsBrowsersAndSitesHandThemOver) {
    const std::string lower = "0123456789abcdef0123456789abcdef01234567";
    const std::string base32 = "AERUKZ4JVPG66AJDIVTYTK6N54ASGRLH";  // kHash in base32
    // The topic after other parameters, and trackers after it.
    EXPECT_EQ(InfoHashFromInput(std::string("magnet:?dn=Some%20Film&xt=urn:btih:") + kHash +
                                "&tr=udp%3A%2F%2Ftracker.example%3A80"),
              kHash);
    EXPECT_EQ(InfoHashFromInput("magnet:?tr=http://t.example/a&dn=x&xt=urn:btih:" + lower), lower);
    // Base32, in either case, becomes the 40 hex digits.
    EXPECT_EQ(InfoHashFromInput("magnet:?xt=urn:btih:" + base32 + "&dn=film"), kHash);
    EXPECT_EQ(InfoHashFromInput("magnet:?dn=film&xt=urn:btih:" + std::string("aerukz4jvpg66ajdivtytk6n54asgrlh")), kHash);
    // Percent-encoded separators and digits, the scheme in capitals, blanks
    // around a pasted link, a v2 topic standing first.
    EXPECT_EQ(InfoHashFromInput(std::string("magnet:?xt=urn%3Abtih%3A%30123456789ABCDEF0123456789ABCDEF01234567")),
              kHash);
    EXPECT_EQ(InfoHashFromInput(std::string("  Magnet:?dn=a&xt=urn:btih:") + kHash + "\n"), kHash);
    EXPECT_EQ(InfoHashFromInput(std::string("magnet:?xt.1=urn:btmh:1220") + std::string(64, 'a') +
                                "&xt.2=urn:btih:" + kHash),
              kHash);
    EXPECT_EQ(InfoHashFromInput(" " + base32 + " "), kHash);
    EXPECT_EQ(torrent::UsableInfoHash(std::string("magnet:?xt=urn:btih:") + kHash + "&dn=film"), kHash);

    // No usable hash: the plain reading, as before, which the service refuses.
    for (const std::string bad : {std::string("magnet:?dn=film&xt=urn:btih:12345"),
                                  std::string("magnet:?dn=film&xt=urn:sha1:") + kHash,
                                  std::string("magnet:?dn=film&tr=x"), std::string("magnet:?xt=urn:btih:") + base32.substr(1) + "8"}) {
        EXPECT_FALSE(torrent::UsableInfoHash(bad).has_value()) << bad;
        EXPECT_EQ(InfoHashFromInput(bad), bad.substr(bad.rfind("magnet:?xt=urn:btih:", 0) == 0 ? 20 : 0, 40)) << bad;
    }
    EXPECT_FALSE(torrent::UsableInfoHash(torrent::kMagnetHint).has_value());
}

TEST(MagnetInput, HintShowsOnlyInAnEmptyBoxAndClearsOnlyItself) {
    using torrent::HintChange;
    EXPECT_EQ(torrent::MagnetHintOnFocusLost(""), (HintChange{std::string(torrent::kMagnetHint), 0x606060}));
    EXPECT_FALSE(torrent::MagnetHintOnFocusLost("x").has_value());
    EXPECT_FALSE(torrent::MagnetHintOnFocusLost(" ").has_value());
    EXPECT_EQ(torrent::MagnetHintOnFocusGained(torrent::kMagnetHint), (HintChange{"", 0}));
    EXPECT_FALSE(torrent::MagnetHintOnFocusGained("输入磁力链接").has_value());
    EXPECT_FALSE(torrent::MagnetHintOnFocusGained("").has_value());
}

TEST(MagnetInput, CopyTextDependsOnTheTab) {
    EXPECT_EQ(torrent::MagnetTextToCopy(1, kHash), std::string("magnet:?xt=urn:btih:") + kHash);
    EXPECT_EQ(torrent::MagnetTextToCopy(3, kHash), std::string("magnet:?xt=urn:btih:") + kHash);
    // Favourites hold whole links already.
    EXPECT_EQ(torrent::MagnetTextToCopy(4, "magnet:?xt=urn:btih:AB"), "magnet:?xt=urn:btih:AB");
    // Nothing selected: the bare prefix, or the empty text.
    EXPECT_EQ(torrent::MagnetTextToCopy(1, ""), "magnet:?xt=urn:btih:");
    EXPECT_EQ(torrent::MagnetTextToCopy(4, ""), "");
    for (int tab : {0, 2, 5, -1}) EXPECT_FALSE(torrent::MagnetTextToCopy(tab, kHash).has_value()) << tab;
}

TEST(SizeText, RoundsHalfUpInTheShortestForm) {
    EXPECT_EQ(GigabyteText("1610612736", 2), "1.5G");
    EXPECT_EQ(GigabyteText("734003200", 2), "0.68G");
    EXPECT_EQ(GigabyteText("2147483648", 2), "2G");
    EXPECT_EQ(GigabyteText("0", 2), "0G");
    EXPECT_EQ(GigabyteText("1234567890", 1), "1.1G");
    EXPECT_EQ(GigabyteText("1234567890", 2), "1.15G");
    EXPECT_EQ(GigabyteText("1610612736", 1), "1.5G");
    // Exact ties go up: 0.125G and 0.25G.
    EXPECT_EQ(GigabyteText("134217728", 2), "0.13G");
    EXPECT_EQ(GigabyteText("268435456", 1), "0.3G");
    // Just below a tie stays down.
    EXPECT_EQ(GigabyteText("134217727", 2), "0.12G");
    // Tiny files round to zero, never to "0.00G".
    EXPECT_EQ(GigabyteText("900", 2), "0G");
    EXPECT_EQ(GigabyteText("1099511627776", 2), "1024G");
}

TEST(SizeText, ReadsWhatATextBeginsWith) {
    EXPECT_EQ(GigabyteText("1073741824 bytes", 2), "1G");
    EXPECT_EQ(GigabyteText("  1073741824", 2), "1G");
    EXPECT_EQ(GigabyteText("abc", 2), "0G");
    EXPECT_EQ(GigabyteText("", 1), "0G");
    EXPECT_EQ(GigabyteText("-1073741824", 1), "-1G");
    // Absurd lengths neither overflow nor crash.
    EXPECT_EQ(GigabyteText(std::string(60, '9'), 2).back(), 'G');
    EXPECT_DOUBLE_EQ(LeadingNumber("999"), 999);
    EXPECT_DOUBLE_EQ(LeadingNumber("1000abc"), 1000);
    EXPECT_DOUBLE_EQ(LeadingNumber("x1000"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber(" 12.5"), 12.5);
}

TEST(FileListAnswer, ParsesRecordsInTheirFieldOrderOnly) {
    const auto one = ParseFileList(R"({"index":2,"name":"a.mkv","size":"123456","sha1":"ABC"})");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], (FileEntry{"2", "a.mkv", "123456", "ABC"}));

    EXPECT_TRUE(ParseFileList(R"({"name":"a.mkv","index":2,"size":"123456","sha1":"ABC"})").empty());
    EXPECT_TRUE(ParseFileList("").empty());
    EXPECT_TRUE(ParseFileList(R"({"ret":1,"count":0,"files":[]})").empty());

    const auto three = ParseFileList(
        R"({"files":[{"index":0,"name":"\u7b2c1\u96c6.mp4","size":"10","sha1":"A"},)"
        R"({"INDEX":1,"NAME":"b","SIZE":"20","SHA1":"B"},{"index":2,"name":"","size":"","sha1":""}]})");
    ASSERT_EQ(three.size(), 3u);
    // Escapes are left for the lists to decode; keys match in any case.
    EXPECT_EQ(three[0].name, "\\u7b2c1\\u96c6.mp4");
    EXPECT_EQ(three[1], (FileEntry{"1", "b", "20", "B"}));
    EXPECT_EQ(three[2], (FileEntry{"2", "", "", ""}));
}

TEST(PlayInfoAnswer, ExtractsTheCookieAndThePath) {
    const std::string answer =
        R"({"ret":0,"data":{"com_url":"http://h:1/ftn_handler/TOKEN42/System?fname=System",)"
        R"("com_cookie":"C00KIE","cookie_name":"FTN5K"}})";
    EXPECT_EQ(ExtractComCookie(answer), "C00KIE");
    EXPECT_EQ(DownloadPath(answer), "TOKEN42");
    EXPECT_EQ(ExtractComCookie(R"({"com_cookie":"00000000","x":1})"), "00000000");
    EXPECT_EQ(ExtractComCookie("no cookie here"), "");
    EXPECT_EQ(DownloadPath(""), "");
    EXPECT_FALSE(CookieMeansHeld("00000000"));
    EXPECT_TRUE(CookieMeansHeld(""));
    EXPECT_TRUE(CookieMeansHeld("0000000"));
    EXPECT_FALSE(Sha1CanBeAsked(""));
    EXPECT_FALSE(Sha1CanBeAsked(std::string(40, '0')));
    EXPECT_TRUE(Sha1CanBeAsked(std::string(39, '0')));
}

TEST(PlayAddressParts, BuildTheAddressAndCompareLengthsAsText) {
    EXPECT_EQ(PlayAddress("http://h9", "TOK"), "http://h9/ftn_handler/TOK?compressed=0&dtype=1&fname=m.mkv");
    EXPECT_EQ(EngineCookieText("abc"), "FTN5K=abc");
    EXPECT_TRUE(LengthMatches(1234, "1234"));
    EXPECT_FALSE(LengthMatches(1234, "01234"));
    EXPECT_FALSE(LengthMatches(1234, "1234 "));
    // A failed probe never matches, not even an empty or zero size.
    EXPECT_FALSE(LengthMatches(-1, ""));
    EXPECT_FALSE(LengthMatches(-1, "0"));
    EXPECT_TRUE(LengthMatches(0, "0"));
}

TEST(CacheName, StaysOneNameInsideTheCacheDirectory) {
    EXPECT_EQ(CacheFileName("Film 2016.mkv"), "Film 2016.mkv");
    EXPECT_EQ(CacheFileName(" 影片 "), " 影片 ");
    EXPECT_EQ(CacheFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(CacheFileName("/abs/path"), "_abs_path");
    EXPECT_EQ(CacheFileName("a\\b"), "a_b");
    EXPECT_EQ(CacheFileName(".."), "_..");
    EXPECT_EQ(CacheFileName("."), "_.");
    EXPECT_EQ(CacheFileName("tab\there\nnew"), "tab_here_new");
    EXPECT_EQ(CacheFileName(std::string("cut\0after", 9)), "cut");
    EXPECT_EQ(CacheFileName("", "ABCDEF"), "ABCDEF");
    EXPECT_EQ(CacheFileName("", ""), "lumo");
    EXPECT_EQ(CacheFileName("", "../x"), ".._x");

    std::string longTitle;
    for (int i = 0; i < 200; ++i) longTitle += "长";  // 3 bytes each in UTF-8
    const std::string cut = CacheFileName(longTitle);
    EXPECT_LE(cut.size(), kMaxFileNameBytes);
    EXPECT_EQ(cut.size() % 3, 0u);  // whole characters only
    EXPECT_EQ(cut, longTitle.substr(0, cut.size()));

    const std::string home = (std::filesystem::temp_directory_path() / "lumo-cache-name").string();
    ::setenv("LUMO_HOME", home.c_str(), 1);
    for (const std::string& title : std::vector<std::string>{"..", "../..", "/", "a/../../b", std::string(300, '/')}) {
        const auto path = CachePath(title, "SHA");
        EXPECT_EQ(path.parent_path().filename(), "lumohc") << title;
        EXPECT_NE(path.filename(), "..") << title;
        EXPECT_NE(path.filename(), ".") << title;
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

}  // namespace
}  // namespace lumo::resolve
