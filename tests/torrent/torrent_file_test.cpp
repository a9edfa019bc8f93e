#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "torrent/torrent_file.h"

namespace lumo::torrent {
namespace {

using namespace std::string_literals;

// Reference digest from OpenSSL, apart from the reader's own SHA-1.
std::string Sha1Hex(const std::string& bytes) {
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : digest) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

std::string Str(const std::string& s) { return std::to_string(s.size()) + ":" + s; }
std::string Int(int64_t n) { return "i" + std::to_string(n) + "e"; }

TEST(TorrentFile, SmallestExample) {
    TorrentFile t;
    ASSERT_TRUE(t.Load("d4:infod6:lengthi5eee"));
    EXPECT_EQ(t.Data().size(), 21u);
    EXPECT_EQ(t.Keys(), std::vector<std::string_view>{"info"});
    EXPECT_EQ(t.Values(), std::vector<std::string_view>{"6:lengthi5e"});
    EXPECT_EQ(t.Consumed(), 21u);
    EXPECT_EQ(t.InfoHash(), "FF27AD3E1E1C42B3E45645120AC37C72113515FD");
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d6:lengthi5ee"));
}

TEST(TorrentFile, TruncatedInfoDictionaryHashesThePresentBytes) {
    TorrentFile t;
    EXPECT_TRUE(t.Load("d4:infod6:lengthi5e"));
    ASSERT_EQ(t.ValueCount(), 1u);
    EXPECT_EQ(t.Value(0), "6:lengthi5");
    EXPECT_EQ(t.Consumed(), 19u);
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d6:lengthi5e"));

    // Ending inside a value of the info dictionary: the pair is incomplete.
    EXPECT_FALSE(t.Load("d4:infod6:lengthi5"));
    EXPECT_EQ(t.Keys(), std::vector<std::string_view>{"info"});
    EXPECT_EQ(t.ValueCount(), 0u);
    EXPECT_EQ(t.InfoHash(), "");

    EXPECT_FALSE(t.Load("d4:infod6:len"));
    EXPECT_EQ(t.InfoHash(), "");

    // Right after the key: no value at all.
    EXPECT_FALSE(t.Load("d4:info"));
    EXPECT_EQ(t.KeyCount(), 1u);
    EXPECT_EQ(t.InfoHash(), "");

    // Only the opening "d" of the info dictionary is present.
    EXPECT_TRUE(t.Load("d4:infod"));
    EXPECT_EQ(t.Value(0), "");
    EXPECT_EQ(t.InfoHash(), Sha1Hex("de"));
}

TEST(TorrentFile, InfoKeyWithoutValue) {
    TorrentFile t;
    EXPECT_TRUE(t.Load("d4:infoe"));
    EXPECT_EQ(t.KeyCount(), 1u);
    EXPECT_EQ(t.ValueCount(), 0u);
    EXPECT_EQ(t.Consumed(), 8u);
    EXPECT_EQ(t.InfoHash(), "");
}

TEST(TorrentFile, OnlyTheFirstTopLevelLowerCaseInfoCounts) {
    TorrentFile t;
    ASSERT_TRUE(t.Load("d4:infod1:ai1ee4:infod1:bi2eee"));
    EXPECT_EQ(t.KeyCount(), 2u);
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d1:ai1ee"));

    ASSERT_TRUE(t.Load("d5:outerd4:infod1:ai1eeee"));
    EXPECT_EQ(t.InfoHash(), "");

    ASSERT_TRUE(t.Load("d4:Infod1:ai1eee"));
    EXPECT_EQ(t.InfoHash(), "");

    // A list nested value called "info" is hashed as if it were a dictionary.
    ASSERT_TRUE(t.Load("d4:infoli1eee"));
    EXPECT_EQ(t.InfoHash(), Sha1Hex("di1ee"));
    ASSERT_TRUE(t.Load("d4:info3:abce"));
    EXPECT_EQ(t.InfoHash(), Sha1Hex("dabce"));
}

TEST(TorrentFile, NotADictionary) {
    TorrentFile t;
    EXPECT_FALSE(t.Load("l4:infod1:ai1eee"));
    EXPECT_EQ(t.KeyCount(), 0u);
    EXPECT_EQ(t.InfoHash(), "");
    EXPECT_FALSE(t.Load(""));
    EXPECT_EQ(t.Consumed(), 0u);
    EXPECT_EQ(t.InfoHash(), "");
    EXPECT_FALSE(t.Load(" d4:infod1:ai1eee"));
}

TEST(TorrentFile, BytesAfterTheDictionaryAreIgnored) {
    TorrentFile t;
    ASSERT_TRUE(t.Load("d4:infod6:lengthi5eee"s + "\0garbage4:infoxx"s));
    EXPECT_EQ(t.Consumed(), 21u);
    EXPECT_EQ(t.KeyCount(), 1u);
    EXPECT_EQ(t.InfoHash(), "FF27AD3E1E1C42B3E45645120AC37C72113515FD");
}

TEST(TorrentFile, ZeroByteCutsStoredStringsButNotTheHash) {
    std::string info = "d4:name5:ab\0cd6:lengthi5ee"s;
    std::string file = "d7:comment4:x\0yz4:info"s + info + "4:ab\0c3:xyze"s;
    TorrentFile t;
    ASSERT_TRUE(t.Load(file));
    ASSERT_EQ(t.KeyCount(), 3u);
    EXPECT_EQ(t.Key(0), "comment");
    EXPECT_EQ(t.Value(0), "x");
    EXPECT_EQ(t.Key(2), "ab");
    EXPECT_EQ(t.Value(2), "xyz");
    EXPECT_EQ(t.InfoHash(), Sha1Hex(info));
}

TEST(TorrentFile, FailureMidwayKeepsWhatWasRead) {
    TorrentFile t;
    EXPECT_FALSE(t.Load("d4:infod1:ai1ee3:bad?xyz"));
    EXPECT_EQ(t.Keys(), (std::vector<std::string_view>{"info", "bad"}));
    EXPECT_EQ(t.ValueCount(), 1u);
    EXPECT_EQ(t.Consumed(), 20u);  // the key "bad" was read
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d1:ai1ee"));

    // Missing ':' in a key.
    EXPECT_FALSE(t.Load("d4info"));
    EXPECT_EQ(t.KeyCount(), 0u);
    EXPECT_EQ(t.Consumed(), 1u);
    // Missing ':' in a value.
    EXPECT_FALSE(t.Load("d4:info5abc"));
    EXPECT_EQ(t.KeyCount(), 1u);
    EXPECT_EQ(t.InfoHash(), "");
}

TEST(TorrentFile, HostileInputsFailCleanly) {
    TorrentFile t;
    EXPECT_FALSE(t.Load("d99999999999:xe"));
    EXPECT_EQ(t.KeyCount(), 0u);

    EXPECT_FALSE(t.Load("d4:info99999999999:abce"));
    EXPECT_EQ(t.InfoHash(), "");

    EXPECT_FALSE(t.Load("d4:info4294967299:abce"));
    EXPECT_EQ(t.InfoHash(), "");

    // A negative length in a key is a zero-length key, not a step back.
    ASSERT_TRUE(t.Load("d-5:i1e4:infod1:ai1eee"));
    EXPECT_EQ(t.Keys(), (std::vector<std::string_view>{"", "info"}));
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d1:ai1ee"));

    // Deep nesting inside the info value: the top level and the info
    // dictionary take two levels, so kMaxDepth - 2 lists still fit.
    int lists = TorrentFile::kMaxDepth - 2;
    std::string inner = std::string(lists, 'l') + std::string(lists, 'e');
    ASSERT_TRUE(t.Load("d4:infod1:a" + inner + "ee"));
    EXPECT_EQ(t.InfoHash(), Sha1Hex("d1:a" + inner + "e"));

    inner = "l" + inner + "e";
    EXPECT_FALSE(t.Load("d4:infod1:a" + inner + "ee"));
    EXPECT_EQ(t.InfoHash(), "");

    EXPECT_FALSE(t.Load("d4:info" + std::string(1'000'000, 'l')));
    EXPECT_EQ(t.InfoHash(), "");
}

TEST(TorrentFile, ReloadStartsOver) {
    TorrentFile t;
    ASSERT_TRUE(t.Load("d1:ai1e1:bi2e4:infod1:xi1eee"));
    EXPECT_EQ(t.KeyCount(), 3u);
    EXPECT_FALSE(t.Load("x"));
    EXPECT_EQ(t.KeyCount(), 0u);
    EXPECT_EQ(t.ValueCount(), 0u);
    EXPECT_EQ(t.Consumed(), 0u);
    EXPECT_EQ(t.InfoHash(), "");
}

TEST(TorrentFile, CopiesAndMovesKeepValuesValid) {
    // Short data lives inside the string object itself; views into it
    // would dangle after a move.
    TorrentFile a;
    ASSERT_TRUE(a.Load("d1:ai7e4:infod1:bi1eee"));
    TorrentFile b = a;
    TorrentFile c = std::move(a);
    for (const TorrentFile* t : {&b, &c}) {
        EXPECT_EQ(t->Values(), (std::vector<std::string_view>{"7", "1:bi1e"}));
        EXPECT_EQ(t->InfoHash(), Sha1Hex("d1:bi1ee"));
    }
}

TEST(TorrentFile, RealMultiFileTorrent) {
    std::mt19937 random(7);
    std::string pieces;
    for (int i = 0; i < 20 * 37; ++i) pieces += static_cast<char>(random() & 0xFF);
    pieces[5] = '\0';
    pieces[6] = 'e';
    pieces[7] = ':';

    auto file = [](int64_t length, std::vector<std::string> path) {
        std::string p = "l";
        for (const auto& part : path) p += Str(part);
        p += "e";
        return "d" + Str("length") + Int(length) + Str("path") + p + "e";
    };
    std::string info = "d" + Str("files") + "l" +
                       file(734003200, {"Film", "film.mkv"}) +
                       file(51234, {"Film", "subs", "\xD6\xD0\xCE\xC4.srt"}) +
                       file(0, {"empty.txt"}) + "e" +
                       Str("name") + Str("Film") +
                       Str("piece length") + Int(1 << 21) +
                       Str("pieces") + Str(pieces) +
                       Str("private") + Int(0) + "e";
    std::string torrent = "d" + Str("announce") + Str("http://127.0.0.1:6969/announce") +
                          Str("announce-list") + "ll" + Str("http://a/") + "el" +
                          Str("udp://b:80") + "ee" + Str("comment") + Str("\xB2\xE2\xCA\xD4") +
                          Str("creation date") + Int(1700000000) + Str("info") + info + "e";

    TorrentFile t;
    ASSERT_TRUE(t.Load(torrent));
    EXPECT_EQ(t.Consumed(), torrent.size());
    EXPECT_EQ(t.Keys(), (std::vector<std::string_view>{"announce", "announce-list", "comment",
                                                       "creation date", "info"}));
    EXPECT_EQ(t.Value(0), "http://127.0.0.1:6969/announce");
    EXPECT_EQ(t.Value(2), "\xB2\xE2\xCA\xD4");  // raw GBK bytes, not converted
    EXPECT_EQ(t.Value(3), "1700000000");
    EXPECT_EQ(t.Value(4), std::string_view(info).substr(1, info.size() - 2));
    EXPECT_EQ(t.InfoHash(), Sha1Hex(info));

    // Cut anywhere: never a crash, and a hash only once the info value is
    // complete or truncated inside the info dictionary between elements.
    for (size_t cut = 0; cut < torrent.size(); ++cut) {
        TorrentFile part;
        part.Load(torrent.substr(0, cut));
        EXPECT_LE(part.Consumed(), cut);
        std::string hash = part.InfoHash();
        EXPECT_TRUE(hash.empty() || hash.size() == 40u);
    }
}

}  // namespace
}  // namespace lumo::torrent
