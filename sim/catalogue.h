#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/reply.h"

namespace lumo::sim {

// How a listed torrent fares in Lumo's availability check and resolve.
enum class EntryKind {
    Playable,      // one file that the offline service holds and a download host among 1 to 15 serves
    SeveralFiles,  // more than one file
    NotHeld,       // one file; the offline service answers com_cookie "00000000"
    TinyFile,      // one real file under 1000 bytes (a subtitle)
    ZeroSha1,      // one file whose sha1 is 40 zeros
    UnknownHash,   // the file-list service does not know the torrent
    FarHostOnly,   // one held file that only download host 18 serves (never taken)
};

std::string EntryKindName(EntryKind kind);

// A real file the download hosts serve: a generated video, a subtitle, or an
// extra file a caller added.
struct MediaFile {
    std::string role;      // "feature", "episode1".."episode3", "short", "remote", "tiny", or an extra's name
    std::string fileName;  // its name on disk (or in the catalogue)
    std::string bytes;
    std::string sha1;      // SHA-1 of the bytes, 40 upper-case hexadecimal digits
    std::string token;     // the download path: /ftn_handler/<token>
    std::string cookie;    // the FTN5K cookie the download hosts want for it
    std::vector<int> hosts;  // download hosts (1 to 22) that hold it, ascending
    std::string contentType;

    int FirstHost() const { return hosts.empty() ? 0 : hosts.front(); }
    bool OnHost(int host) const;
};

// One file of a torrent as the file-list service reports it.
struct CatalogueFile {
    int index = 0;
    std::string name;  // path inside the torrent, UTF-8, '/' between folders
    uint64_t size = 0;
    std::string sha1;  // 40 upper-case hex digits, or 40 zeros
    int media = -1;    // Catalogue::media() index of its bytes; -1 when the bytes exist nowhere
};

struct CatalogueEntry {
    int id = 0;  // from 1, stable for a seed
    EntryKind kind = EntryKind::Playable;
    std::string infoHash;  // 40 upper-case hex digits
    std::string title;     // UTF-8
    std::vector<CatalogueFile> files;
    std::string day;       // "2016-03-02"
    int heat = 0;
    int film = -1;         // Catalogue::films() index, -1 when no film lists it
    std::string code;      // the release code of the 番号 library, or empty
    std::string torrent;   // the .torrent file; empty for the fixed-hash entries
    bool knownToFileList = true;

    uint64_t TotalSize() const;
};

struct Film {
    int id = 0;  // from 1; the detail page is /subject/<id>.html
    std::string chineseTitle;
    std::string englishTitle;
    int year = 0;
    std::string region;
    std::string genre;
    std::string director;
    std::string writer;
    std::vector<std::string> cast;
    std::string imdb;  // "tt" + 7 digits
    std::string summary;
    std::vector<int> entries;  // its torrents (entry indexes), best first

    std::string DisplayTitle() const;  // "午夜追击 Midnight Chase"
};

struct ForumUser {
    std::string name;      // UTF-8
    std::string password;  // UTF-8; the forum also accepts its GBK bytes
    std::string uid;
    std::string group;
};

struct SubtitleFile {
    std::string name;
    std::string bytes;
    std::string language;  // "chs", "eng"
    std::string format;    // "srt", "ass"
};

// A file the caller wants served besides the catalogue's own media.
struct ExtraMedia {
    std::filesystem::path path;
    std::vector<int> hosts;
};

// The simulator's world, generated from a seed and the real media files:
// a few short videos with real .torrent files, and a few hundred listed
// torrents with Chinese and English titles that alias those videos or name
// files that exist nowhere, covering every row state Lumo's checks
// distinguish. It never changes once built, so several simulators (and
// threads) can share one.
class Catalogue {
public:
    struct Options {
        std::filesystem::path mediaDir;
        uint64_t seed = 1;
        std::vector<ExtraMedia> extraMedia;
    };

    // The media files the catalogue reads from mediaDir.
    static const std::vector<std::string>& MediaFileNames();
    // The info-hashes (and names) of the favourites that a new config.ini holds.
    static const std::vector<std::pair<std::string, std::string>>& DefaultFavourites();

    // nullptr, with *error set, when a media file is missing or empty.
    static std::shared_ptr<const Catalogue> Build(const Options& options, std::string* error = nullptr);

    uint64_t seed() const { return seed_; }
    const std::vector<MediaFile>& media() const { return media_; }
    const std::vector<CatalogueEntry>& entries() const { return entries_; }
    const std::vector<Film>& films() const { return films_; }
    const std::vector<ForumUser>& users() const { return users_; }
    const std::vector<SubtitleFile>& subtitles() const { return subtitles_; }
    // Keyword library words and release codes, in page order.
    const std::vector<std::string>& keywords() const { return keywords_; }
    const std::vector<std::string>& codes() const { return codes_; }
    // Entries of the second resource list, in page order (entry indexes).
    const std::vector<int>& extraList() const { return extraList_; }

    // Lookups; the hexadecimal texts compare ignoring case. nullptr when absent.
    const CatalogueEntry* EntryById(int id) const;
    const CatalogueEntry* FindByInfoHash(std::string_view infoHash) const;
    const MediaFile* FindMediaBySha1(std::string_view sha1) const;
    const MediaFile* FindMediaByToken(std::string_view token) const;
    const MediaFile* MediaByRole(std::string_view role) const;
    const Film* FilmById(int id) const;
    const ForumUser* FindUser(std::string_view name) const;

    // The first entry of a kind (entries of every kind exist), and all of them.
    const CatalogueEntry& FirstOfKind(EntryKind kind) const;
    std::vector<const CatalogueEntry*> OfKind(EntryKind kind) const;

    // Entries whose title holds every blank-separated word of `keyword`
    // (ASCII letters ignoring case), in id order; all entries for a blank keyword.
    std::vector<const CatalogueEntry*> Search(std::string_view keyword) const;
    std::vector<const Film*> SearchFilms(std::string_view keyword) const;

    // The poster of a film (PNG bytes).
    std::string Poster(const Film& film) const;

    // The media file a catalogue file's bytes come from, or nullptr.
    const MediaFile* MediaOf(const CatalogueFile& file) const;

private:
    Catalogue() = default;
    class Generator;

    uint64_t seed_ = 1;
    std::vector<MediaFile> media_;
    std::vector<CatalogueEntry> entries_;
    std::vector<Film> films_;
    std::vector<ForumUser> users_;
    std::vector<SubtitleFile> subtitles_;
    std::vector<std::string> keywords_;
    std::vector<std::string> codes_;
    std::vector<int> extraList_;
};

// "900 B", "284.6 KB", "512.3 MB", "1.41 GB": sizes the way the sites show them.
std::string SizeText(uint64_t bytes);

// The .torrent file of an entry as a download (404 for an unknown hash or an
// entry without a file); the search site and the film site both offer it.
Reply TorrentDownload(const Catalogue& catalogue, std::string_view infoHash);

}  // namespace lumo::sim
