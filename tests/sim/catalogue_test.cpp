// The generated world: every row state present, real torrents whose info
// dictionaries hash to the catalogue's info-hashes, files placed on the
// hosts the resolve tests rely on.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "sim/torrent_maker.h"
#include "sim_test_support.h"
#include "torrent/torrent_file.h"

namespace lumo::sim {
namespace {

using torrent::TorrentFile;

const Catalogue& Cat() { return *testing::SharedCatalogue(); }

std::string Sha1Hex(const std::string& bytes) { return TorrentFile::BytesToHex(TorrentFile::HashBytes(bytes)); }

// The value stored under `key` in a whole dictionary ("d" ... "e"); the view
// points into `dict`.
std::string_view DictValue(std::string_view dict, std::string_view key) {
    const auto parsed = TorrentFile::ParseDict(dict);
    for (size_t i = 0; i < parsed.keys.size() && i < parsed.values.size(); ++i) {
        if (parsed.keys[i] == key) return parsed.values[i];
    }
    return {};
}

// The raw bytes of the "pieces" string of an info dictionary (the reader's
// stored form stops at a zero byte, which piece hashes often hold).
std::string RawPieces(const std::string& info) {
    const size_t key = info.find("6:pieces");
    if (key == std::string::npos) return {};
    const size_t colon = info.find(':', key + 8);
    const size_t length = std::stoull(info.substr(key + 8, colon - key - 8));
    return info.substr(colon + 1, length);
}

TEST(SimCatalogue, IsTheSameForASeedAndDiffersAcrossSeeds) {
    Catalogue::Options options;
    options.mediaDir = Simulator::DefaultMediaDir();
    const auto again = Catalogue::Build(options);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->entries().size(), Cat().entries().size());
    for (size_t i = 0; i < Cat().entries().size(); ++i) {
        EXPECT_EQ(again->entries()[i].infoHash, Cat().entries()[i].infoHash);
        EXPECT_EQ(again->entries()[i].title, Cat().entries()[i].title);
        EXPECT_EQ(again->entries()[i].torrent, Cat().entries()[i].torrent);
    }
    options.seed = 2;
    const auto other = Catalogue::Build(options);
    ASSERT_TRUE(other);
    EXPECT_NE(other->entries()[20].title, Cat().entries()[20].title);
    EXPECT_NE(other->MediaByRole("feature")->cookie, Cat().MediaByRole("feature")->cookie);
    EXPECT_EQ(other->MediaByRole("feature")->sha1, Cat().MediaByRole("feature")->sha1);
}

TEST(SimCatalogue, EveryKindLooksTheWayItsNameSays) {
    for (EntryKind kind : {EntryKind::Playable, EntryKind::SeveralFiles, EntryKind::NotHeld, EntryKind::TinyFile,
                           EntryKind::ZeroSha1, EntryKind::UnknownHash, EntryKind::FarHostOnly}) {
        const auto entries = Cat().OfKind(kind);
        ASSERT_FALSE(entries.empty()) << EntryKindName(kind);
        for (const CatalogueEntry* entry : entries) {
            const auto& files = entry->files;
            ASSERT_FALSE(files.empty());
            EXPECT_EQ(entry->knownToFileList, kind != EntryKind::UnknownHash);
            if (kind == EntryKind::SeveralFiles) {
                EXPECT_GT(files.size(), 1u);
                continue;
            }
            ASSERT_EQ(files.size(), 1u) << entry->id;
            const CatalogueFile& file = files[0];
            const MediaFile* media = Cat().MediaOf(file);
            switch (kind) {
                case EntryKind::Playable:
                    ASSERT_NE(media, nullptr);
                    EXPECT_GE(file.size, 1000u);
                    EXPECT_GE(media->FirstHost(), 1);
                    EXPECT_LE(media->FirstHost(), 15);
                    break;
                case EntryKind::TinyFile:
                    ASSERT_NE(media, nullptr);
                    EXPECT_LT(file.size, 1000u);
                    break;
                case EntryKind::FarHostOnly:
                    ASSERT_NE(media, nullptr);
                    for (int host : media->hosts) EXPECT_GT(host, 15);
                    break;
                case EntryKind::ZeroSha1:
                    EXPECT_EQ(file.sha1, std::string(40, '0'));
                    break;
                case EntryKind::NotHeld:
                case EntryKind::UnknownHash:
                    EXPECT_EQ(media, nullptr);
                    EXPECT_EQ(Cat().FindMediaBySha1(file.sha1), nullptr);
                    break;
                default: break;
            }
            if (media != nullptr) {
                EXPECT_EQ(file.sha1, media->sha1);
                EXPECT_EQ(file.size, media->bytes.size());
            }
        }
    }
}

TEST(SimCatalogue, RealFilesHashToTheirSha1AndLieWhereTheResolveExpectsThem) {
    std::set<std::string> tokens, cookies;
    for (const auto& media : Cat().media()) {
        EXPECT_EQ(media.sha1, Sha1Hex(media.bytes)) << media.role;
        EXPECT_EQ(media.token.size(), 40u);
        EXPECT_EQ(media.cookie.size(), 8u);
        EXPECT_NE(media.cookie, "00000000");
        tokens.insert(media.token);
        cookies.insert(media.cookie);
    }
    EXPECT_EQ(tokens.size(), Cat().media().size());
    EXPECT_EQ(cookies.size(), Cat().media().size());
    EXPECT_EQ(Cat().MediaByRole("feature")->FirstHost(), 1);
    EXPECT_EQ(Cat().MediaByRole("short")->FirstHost(), 9);
    EXPECT_EQ(Cat().MediaByRole("remote")->hosts, std::vector<int>{18});
    EXPECT_EQ(Cat().MediaByRole("feature")->bytes.substr(4, 4), "ftyp");
}

TEST(SimCatalogue, TorrentsLoadAndHashToTheCatalogueInfoHash) {
    int real = 0;
    for (const auto& entry : Cat().entries()) {
        EXPECT_EQ(entry.infoHash.size(), 40u);
        if (entry.torrent.empty()) continue;
        TorrentFile torrent;
        ASSERT_TRUE(torrent.Load(entry.torrent)) << entry.id;
        EXPECT_EQ(torrent.InfoHash(), entry.infoHash) << entry.id;
        EXPECT_EQ(torrent.Consumed(), entry.torrent.size());

        const std::string info = "d" + std::string(DictValue(entry.torrent, "info")) + "e";
        ASSERT_GT(info.size(), 2u);
        const std::string pieceLength(DictValue(info, "piece length"));
        const std::string pieces = RawPieces(info);
        EXPECT_EQ(pieces.size(), PieceCount(entry.TotalSize(), std::stoull(pieceLength)) * 20) << entry.id;
        if (entry.files.size() == 1) {
            EXPECT_EQ(DictValue(info, "length"), std::to_string(entry.files[0].size));
            EXPECT_EQ(DictValue(info, "name"), entry.files[0].name);
        } else {
            EXPECT_FALSE(DictValue(info, "files").empty());
        }
        // Where the bytes exist, the pieces verify against them.
        std::vector<std::string_view> contents;
        for (const auto& file : entry.files) {
            if (const MediaFile* media = Cat().MediaOf(file)) contents.push_back(media->bytes);
        }
        if (contents.size() == entry.files.size()) {
            EXPECT_EQ(pieces, PieceHashes(contents, std::stoull(pieceLength))) << entry.id;
            ++real;
        }
    }
    EXPECT_GT(real, 100);
}

TEST(SimCatalogue, ListsHaveTheShapesThePagesNeed) {
    const auto& entries = Cat().entries();
    EXPECT_GE(entries.size(), 300u);
    EXPECT_EQ(entries.size() % 20, 3u);  // the shared list's last page holds three
    std::set<std::string> hashes, titles;
    for (const auto& entry : entries) {
        EXPECT_TRUE(hashes.insert(entry.infoHash).second) << entry.id;
        EXPECT_TRUE(titles.insert(entry.title).second) << entry.title;
        // Nothing in a title may end a marker or a pattern group early.
        for (const char* bad : {"<", ">", "\"", "&", "\r", "\n", "名称", "名---", "磁"}) {
            EXPECT_EQ(entry.title.find(bad), std::string::npos) << entry.title;
        }
    }
    for (const auto& [hash, name] : Catalogue::DefaultFavourites()) {
        const CatalogueEntry* entry = Cat().FindByInfoHash(hash);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->title.rfind(name, 0), 0u);
    }
    EXPECT_EQ(Cat().FindByInfoHash("2AF0BF166752D4EF9BE127BE2441104D813050C2")->kind, EntryKind::NotHeld);
    EXPECT_EQ(Cat().FindByInfoHash("7911b8a682c862f2a322296c4b860da36cb720c9")->files.size(), 3u);
    EXPECT_EQ(Cat().films().size(), 60u);
    for (const auto& film : Cat().films()) {
        EXPECT_FALSE(film.entries.empty());
        EXPECT_EQ(film.imdb.substr(0, 2), "tt");
        EXPECT_GE(film.cast.size(), 3u);
    }
    EXPECT_GE(Cat().users().size(), 3u);
    EXPECT_FALSE(Cat().codes().empty());
}

TEST(SimCatalogue, SearchNeedsEveryWordAndIgnoresLetterCase) {
    const auto both = Cat().Search("midnight CHASE");
    for (const auto* entry : both) {
        EXPECT_NE(entry->title.find("Midnight"), std::string::npos);
        EXPECT_NE(entry->title.find("Chase"), std::string::npos);
    }
    EXPECT_LE(both.size(), Cat().Search("midnight").size());
    EXPECT_EQ(Cat().Search("").size(), Cat().entries().size());
    EXPECT_TRUE(Cat().Search("no-such-word").empty());
}

TEST(SimCatalogue, ExtraMediaJoinsOnTheHostsAsked) {
    const auto path = std::filesystem::temp_directory_path() / ("lumo-sim-extra-" + std::to_string(getpid()) + ".bin");
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(5000, 'x');
    }
    Catalogue::Options options;
    options.mediaDir = Simulator::DefaultMediaDir();
    options.extraMedia.push_back({path, {7, 3}});
    const auto catalogue = Catalogue::Build(options);
    ASSERT_TRUE(catalogue);
    const MediaFile* extra = catalogue->MediaByRole(path.filename().string());
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->hosts, (std::vector<int>{3, 7}));
    EXPECT_EQ(extra->bytes.size(), 5000u);
    options.extraMedia.back().hosts = {23};
    std::string error;
    EXPECT_FALSE(Catalogue::Build(options, &error));
    EXPECT_NE(error.find("host"), std::string::npos);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace lumo::sim
