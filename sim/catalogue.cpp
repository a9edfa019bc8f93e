#include "sim/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "sim/png_image.h"
#include "sim/random.h"
#include "sim/torrent_maker.h"
#include "text/charset.h"
#include "torrent/torrent_file.h"

namespace lumo::sim {
namespace {

using torrent::TorrentFile;

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kGiB = 1024 * kMiB;
// The shared list shows 20 entries a page; this total leaves 3 on the last.
constexpr int kEntryCount = 323;
constexpr int kFilmCount = 60;
constexpr int kPosterWidth = 138;
constexpr int kPosterHeight = 180;

struct MediaSpec {
    const char* role;
    const char* fileName;
    std::vector<int> hosts;
    const char* contentType;
};

// Where each real file lies: the host search of a resolve finds the feature
// on host 1, the short film on host 9, and the remote film only on host 18,
// beyond the 15 hosts Lumo tries.
const std::vector<MediaSpec>& MediaSpecs() {
    static const std::vector<MediaSpec> specs = {
        {"feature", "lumo_feature.mp4", {1, 3, 7, 16}, "video/mp4"},
        {"episode1", "lumo_episode1.mp4", {1, 2}, "video/mp4"},
        {"episode2", "lumo_episode2.mp4", {4, 5}, "video/mp4"},
        {"episode3", "lumo_episode3.mp4", {12, 20}, "video/mp4"},
        {"short", "lumo_short.mp4", {9, 10, 21}, "video/mp4"},
        {"remote", "lumo_remote.mp4", {18}, "video/mp4"},
        {"tiny", "lumo_sample.chs.srt", {1, 2}, "application/x-subrip"},
        {"ass", "lumo_sample.eng.ass", {2}, "text/x-ssa"},
    };
    return specs;
}

struct Words {
    const char* zh;
    const char* en;
};

const std::vector<Words> kFirstWords = {
    {"午夜", "Midnight"}, {"寂静", "Silent"},   {"远方", "Distant"},     {"城市", "City"},
    {"星河", "Star River"}, {"逆光", "Backlit"}, {"归途", "Homeward"},   {"风暴", "Storm"},
    {"长夜", "Long Night"}, {"海边", "Seaside"}, {"北方", "Northern"},   {"无声", "Voiceless"},
    {"最后", "Last"},      {"失落", "Lost"},     {"秘密", "Secret"},     {"黄金", "Golden"},
    {"雪山", "Snow Peak"}, {"沙漠", "Desert"},   {"南城", "South Town"}, {"夏日", "Summer"},
};
const std::vector<Words> kSecondWords = {
    {"追击", "Chase"},    {"来信", "Letter"},  {"之歌", "Song"},      {"密码", "Code"},
    {"少年", "Boy"},      {"往事", "Past"},    {"迷城", "Maze"},      {"行者", "Walker"},
    {"旅人", "Traveller"}, {"回声", "Echo"},    {"边境", "Border"},    {"列车", "Train"},
    {"花园", "Garden"},   {"灯塔", "Lighthouse"}, {"猎人", "Hunter"}, {"证人", "Witness"},
    {"岛屿", "Island"},   {"守望", "Watch"},   {"火焰", "Flame"},     {"飞鸟", "Birds"},
};
const std::vector<std::string> kRegions = {"中国大陆", "香港", "台湾", "美国", "英国",
                                           "法国", "日本", "韩国", "德国", "加拿大"};
const std::vector<std::string> kGenres = {"剧情", "动作", "科幻", "悬疑", "爱情", "喜剧",
                                          "犯罪", "冒险", "动画", "惊悚", "家庭", "战争"};
const std::vector<std::string> kSurnames = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "周", "吴",
                                            "徐", "孙", "马", "胡", "朱", "郭", "何", "林", "罗", "高"};
const std::vector<std::string> kGivenNames = {"子涵", "浩然", "雨桐", "思远", "欣怡", "俊杰", "晓明",
                                              "文博", "佳琪", "志强", "嘉怡", "一鸣", "若曦", "天宇",
                                              "美玲", "国华", "丽娟", "建军", "海洋", "春生"};
const std::vector<std::string> kQualities = {"1080p", "720p", "1080p", "2160p", "720p"};
const std::vector<std::string> kSources = {"BluRay", "WEB-DL", "HDTV", "BluRay", "WEBRip"};
const std::vector<std::string> kCodecs = {"x264", "x265", "H264"};
const std::vector<std::string> kGroups = {"LMV", "XHD", "NSK", "YTM", "QHD"};
const std::vector<std::string> kTags = {"国语中字", "中英双字", "国粤双语", "中字"};

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string Dotted(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ') {
            if (!out.empty() && out.back() != '.') out += '.';
        } else if (c != '(' && c != ')' && c != '[' && c != ']' && c != ',' && c != ':') {
            out += c;
        }
    }
    return out;
}

std::string Sha1Hex(std::string_view bytes) { return TorrentFile::BytesToHex(TorrentFile::HashBytes(bytes)); }

bool ReadFile(const std::filesystem::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream data;
    data << in.rdbuf();
    out = data.str();
    return true;
}

std::string Day(SplitMix64& rng) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", static_cast<int>(rng.Between(2012, 2016)),
                  static_cast<int>(rng.Between(1, 12)), static_cast<int>(rng.Between(1, 28)));
    return buf;
}

int64_t DayToEpoch(const std::string& day) {
    int y = 0, m = 0, d = 0;
    if (std::sscanf(day.c_str(), "%d-%d-%d", &y, &m, &d) != 3) return 0;
    // Days from civil date (proleptic Gregorian), then seconds at 08:00 UTC.
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = static_cast<int64_t>(era) * 146097 + static_cast<int64_t>(doe) - 719468;
    return days * 86400 + 8 * 3600;
}

}  // namespace

std::string EntryKindName(EntryKind kind) {
    switch (kind) {
        case EntryKind::Playable: return "playable";
        case EntryKind::SeveralFiles: return "several-files";
        case EntryKind::NotHeld: return "not-held";
        case EntryKind::TinyFile: return "tiny-file";
        case EntryKind::ZeroSha1: return "zero-sha1";
        case EntryKind::UnknownHash: return "unknown-hash";
        case EntryKind::FarHostOnly: return "far-host-only";
    }
    return "unknown";
}

bool MediaFile::OnHost(int host) const { return std::find(hosts.begin(), hosts.end(), host) != hosts.end(); }

uint64_t CatalogueEntry::TotalSize() const {
    uint64_t total = 0;
    for (const auto& file : files) total += file.size;
    return total;
}

std::string Film::DisplayTitle() const { return chineseTitle + " " + englishTitle; }

std::string SizeText(uint64_t bytes) {
    char buf[32];
    if (bytes < 1024) {
        std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
    } else if (bytes < kMiB) {
        std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024);
    } else if (bytes < kGiB) {
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / kMiB);
    } else {
        std::snprintf(buf, sizeof buf, "%.2f GB", static_cast<double>(bytes) / kGiB);
    }
    return buf;
}

// Builds the catalogue in a fixed order from one generator, so that a seed
// (and the media) always give the same world.
class Catalogue::Generator {
public:
    Generator(Catalogue& catalogue, uint64_t seed) : c_(catalogue), rng_(seed) {}

    bool LoadMedia(const Options& options, std::string* error);
    void Generate();

private:
    struct Draft {
        EntryKind kind;
        std::string title;
        std::string fileStem;  // title as a file name, without extension
        int film = -1;
        std::string code;
        std::string fixedHash;
        std::vector<std::string> roles;  // the media its files alias; drawn from the kind when empty
    };

    int MediaIndex(std::string_view role) const;
    MediaFile MakeMedia(std::string role, std::string fileName, std::string bytes, std::vector<int> hosts,
                        std::string contentType) const;
    void MakeFilms();
    void MakeSubtitles();
    void MakeUsers();
    EntryKind DrawKind();
    CatalogueEntry& AddEntry(const Draft& draft);
    void FillFiles(CatalogueEntry& entry, const std::string& stem);
    void FillFromRoles(CatalogueEntry& entry, const std::string& stem, const std::vector<std::string>& roles);
    void AddFakeFile(CatalogueEntry& entry, std::string name, uint64_t size, std::string sha1);
    void AddMediaFile(CatalogueEntry& entry, std::string name, std::string_view role);
    void MakeTorrent(CatalogueEntry& entry, const std::string& stem);
    std::string FilmSourceTitle(const Film& film, std::string& stem);
    std::string StandaloneTitle(std::string& stem, std::string& code);
    void MakeLists();

    Catalogue& c_;
    SplitMix64 rng_;
    std::set<std::string> titles_;
    std::map<std::string, std::string> pieceCache_;
    int nextCode_ = 101;
};

int Catalogue::Generator::MediaIndex(std::string_view role) const {
    for (size_t i = 0; i < c_.media_.size(); ++i) {
        if (c_.media_[i].role == role) return static_cast<int>(i);
    }
    return -1;
}

MediaFile Catalogue::Generator::MakeMedia(std::string role, std::string fileName, std::string bytes,
                                          std::vector<int> hosts, std::string contentType) const {
    MediaFile media;
    media.role = std::move(role);
    media.fileName = std::move(fileName);
    media.bytes = std::move(bytes);
    media.sha1 = Sha1Hex(media.bytes);
    const std::string salt = std::to_string(c_.seed_) + "/" + media.sha1;
    media.token = LowerAscii(Sha1Hex("lumo-ftn/" + salt));
    media.cookie = LowerAscii(Sha1Hex("lumo-cookie/" + salt).substr(0, 8));
    if (media.cookie == "00000000") media.cookie = "0000000f";
    std::sort(hosts.begin(), hosts.end());
    hosts.erase(std::unique(hosts.begin(), hosts.end()), hosts.end());
    media.hosts = std::move(hosts);
    media.contentType = std::move(contentType);
    return media;
}

bool Catalogue::Generator::LoadMedia(const Options& options, std::string* error) {
    for (const auto& plan : MediaSpecs()) {
        std::string bytes;
        const auto path = options.mediaDir / plan.fileName;
        if (!ReadFile(path, bytes) || bytes.empty()) {
            if (error) *error = "media file missing or empty: " + path.string();
            return false;
        }
        c_.media_.push_back(MakeMedia(plan.role, plan.fileName, std::move(bytes), plan.hosts, plan.contentType));
    }
    for (const auto& extra : options.extraMedia) {
        std::string bytes;
        if (!ReadFile(extra.path, bytes) || bytes.empty()) {
            if (error) *error = "extra media file missing or empty: " + extra.path.string();
            return false;
        }
        for (int host : extra.hosts) {
            if (host < 1 || host > 22) {
                if (error) *error = "download host out of range for " + extra.path.string();
                return false;
            }
        }
        const std::string name = extra.path.filename().string();
        c_.media_.push_back(MakeMedia(name, name, std::move(bytes), extra.hosts, "application/octet-stream"));
    }
    return true;
}

void Catalogue::Generator::MakeFilms() {
    std::set<std::pair<size_t, size_t>> used;
    for (int i = 0; i < kFilmCount; ++i) {
        size_t a = 0, b = 0;
        do {
            a = rng_.Below(kFirstWords.size());
            b = rng_.Below(kSecondWords.size());
        } while (!used.insert({a, b}).second);
        Film film;
        film.id = i + 1;
        film.chineseTitle = std::string(kFirstWords[a].zh) + kSecondWords[b].zh;
        film.englishTitle = std::string(kFirstWords[a].en) + " " + kSecondWords[b].en;
        film.year = static_cast<int>(rng_.Between(2008, 2016));
        film.region = rng_.Pick(kRegions);
        film.genre = rng_.Pick(kGenres);
        std::string second = rng_.Pick(kGenres);
        if (second != film.genre) film.genre += " / " + second;
        auto person = [&] { return rng_.Pick(kSurnames) + rng_.Pick(kGivenNames); };
        film.director = person();
        film.writer = rng_.Chance(50) ? film.director : person();
        const int castCount = static_cast<int>(rng_.Between(3, 6));
        for (int k = 0; k < castCount; ++k) film.cast.push_back(person());
        char imdb[16];
        std::snprintf(imdb, sizeof imdb, "tt%07d", static_cast<int>(rng_.Between(1000000, 5999999)));
        film.imdb = imdb;
        film.summary = "一段关于" + std::string(kSecondWords[b].zh) + "的故事，发生在" + film.region + "的" +
                       kFirstWords[a].zh + "。";
        c_.films_.push_back(std::move(film));
    }
}

void Catalogue::Generator::MakeSubtitles() {
    const MediaFile& srt = c_.media_[MediaIndex("tiny")];
    const MediaFile& ass = c_.media_[MediaIndex("ass")];
    c_.subtitles_.push_back({"lumo_sample.chs.srt", srt.bytes, "chs", "srt"});
    c_.subtitles_.push_back({"lumo_sample.chs.gbk.srt", text::Utf8ToGbk(srt.bytes), "chs", "srt"});
    c_.subtitles_.push_back({"lumo_sample.eng.ass", ass.bytes, "eng", "ass"});
}

void Catalogue::Generator::MakeUsers() {
    c_.users_ = {
        {"lumo", "lumo2016", "10001", "新手上路"},
        {"中文", "密码&+%", "10002", "VIP会员"},
        {"a b.c-d", "p@ss word", "10003", "注册会员"},
        {"vip", "vip888", "10004", "超级VIP"},
    };
}

EntryKind Catalogue::Generator::DrawKind() {
    const uint64_t roll = rng_.Below(100);
    if (roll < 50) return EntryKind::Playable;
    if (roll < 64) return EntryKind::SeveralFiles;
    if (roll < 80) return EntryKind::NotHeld;
    if (roll < 85) return EntryKind::ZeroSha1;
    if (roll < 91) return EntryKind::UnknownHash;
    if (roll < 94) return EntryKind::TinyFile;
    return EntryKind::FarHostOnly;
}

void Catalogue::Generator::AddFakeFile(CatalogueEntry& entry, std::string name, uint64_t size, std::string sha1) {
    CatalogueFile file;
    file.index = static_cast<int>(entry.files.size());
    file.name = std::move(name);
    file.size = size;
    file.sha1 = std::move(sha1);
    entry.files.push_back(std::move(file));
}

void Catalogue::Generator::AddMediaFile(CatalogueEntry& entry, std::string name, std::string_view role) {
    const int index = MediaIndex(role);
    const MediaFile& media = c_.media_[index];
    CatalogueFile file;
    file.index = static_cast<int>(entry.files.size());
    file.name = std::move(name);
    file.size = media.bytes.size();
    file.sha1 = media.sha1;
    file.media = index;
    entry.files.push_back(std::move(file));
}

void Catalogue::Generator::FillFiles(CatalogueEntry& entry, const std::string& stem) {
    auto bigSize = [&] { return static_cast<uint64_t>(rng_.Between(700 * kMiB, 4600 * kMiB)); };
    auto randomSha1 = [&] { return Upper(rng_.Hex(40)); };
    const std::string ext = rng_.Chance(60) ? ".mkv" : ".mp4";
    switch (entry.kind) {
        case EntryKind::Playable: {
            static const std::vector<std::string> roles = {"feature", "feature", "feature", "feature", "short",
                                                           "short",   "short",   "episode1", "episode2", "episode3"};
            AddMediaFile(entry, stem + ".mp4", rng_.Pick(roles));
            break;
        }
        case EntryKind::FarHostOnly: AddMediaFile(entry, stem + ".mp4", "remote"); break;
        case EntryKind::TinyFile: AddMediaFile(entry, stem + ".chs.srt", "tiny"); break;
        case EntryKind::NotHeld:
        case EntryKind::UnknownHash: AddFakeFile(entry, stem + ext, bigSize(), randomSha1()); break;
        case EntryKind::ZeroSha1: AddFakeFile(entry, stem + ext, bigSize(), std::string(40, '0')); break;
        case EntryKind::SeveralFiles: {
            const uint64_t variant = rng_.Below(3);
            if (variant == 0) {
                for (int e = 1; e <= 3; ++e) {
                    AddMediaFile(entry, stem + ".E0" + std::to_string(e) + ".mp4", "episode" + std::to_string(e));
                }
            } else if (variant == 1) {
                AddMediaFile(entry, stem + ".mp4", "feature");
                AddMediaFile(entry, stem + ".chs.srt", "tiny");
            } else {
                AddFakeFile(entry, "CD1/" + stem + ".CD1" + ext, bigSize() / 2, randomSha1());
                AddFakeFile(entry, "CD2/" + stem + ".CD2" + ext, bigSize() / 2, randomSha1());
                AddMediaFile(entry, "Sample/" + stem + ".sample.mp4", "short");
            }
            break;
        }
    }
}

void Catalogue::Generator::FillFromRoles(CatalogueEntry& entry, const std::string& stem,
                                          const std::vector<std::string>& roles) {
    for (const auto& role : roles) {
        if (role == "tiny") {
            AddMediaFile(entry, stem + ".chs.srt", role);
        } else if (role.rfind("episode", 0) == 0 && roles.size() > 1) {
            AddMediaFile(entry, stem + ".E0" + role.substr(7) + ".mp4", role);
        } else {
            AddMediaFile(entry, stem + ".mp4", role);
        }
    }
}

void Catalogue::Generator::MakeTorrent(CatalogueEntry& entry, const std::string& stem) {
    TorrentSpec plan;
    const uint64_t total = entry.TotalSize();
    plan.pieceLength = total > 512 * kMiB ? 4 * kMiB : 256 * 1024;
    bool real = true;
    std::string cacheKey = std::to_string(plan.pieceLength);
    for (const auto& file : entry.files) {
        if (file.media < 0) real = false;
        cacheKey += "/" + std::to_string(file.media);
    }
    if (real) {
        auto& cached = pieceCache_[cacheKey];
        if (cached.empty()) {
            std::vector<std::string_view> contents;
            for (const auto& file : entry.files) contents.push_back(c_.media_[file.media].bytes);
            cached = PieceHashes(contents, plan.pieceLength);
        }
        plan.pieces = cached;
    } else {
        plan.pieces = rng_.Bytes(PieceCount(total, plan.pieceLength) * 20);
    }
    if (entry.files.size() == 1) {
        plan.name = entry.files.front().name;
        plan.files.push_back({{}, entry.files.front().size});
    } else {
        plan.name = stem;
        for (const auto& file : entry.files) {
            TorrentSpec::File f;
            size_t from = 0;
            while (true) {
                const size_t slash = file.name.find('/', from);
                f.path.push_back(file.name.substr(from, slash - from));
                if (slash == std::string::npos) break;
                from = slash + 1;
            }
            f.size = file.size;
            plan.files.push_back(std::move(f));
        }
    }
    plan.announce = "udp://tracker.lumo.invalid:6969/announce";
    plan.createdBy = "Lumo catalogue";
    plan.creationDate = DayToEpoch(entry.day);
    const MadeTorrent made = sim::MakeTorrent(plan);
    entry.torrent = made.bytes;
    entry.infoHash = made.infoHash;
}

CatalogueEntry& Catalogue::Generator::AddEntry(const Draft& draft) {
    CatalogueEntry entry;
    entry.id = static_cast<int>(c_.entries_.size()) + 1;
    entry.kind = draft.kind;
    entry.title = draft.title;
    entry.film = draft.film;
    entry.code = draft.code;
    entry.day = Day(rng_);
    entry.heat = static_cast<int>(rng_.Between(1, 9999));
    entry.knownToFileList = draft.kind != EntryKind::UnknownHash;
    if (draft.roles.empty()) {
        FillFiles(entry, draft.fileStem);
    } else {
        FillFromRoles(entry, draft.fileStem, draft.roles);
    }
    if (draft.fixedHash.empty()) {
        MakeTorrent(entry, draft.fileStem);
    } else {
        entry.infoHash = draft.fixedHash;
        for (char& c : entry.infoHash) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    titles_.insert(entry.title);
    if (draft.film >= 0) c_.films_[draft.film].entries.push_back(static_cast<int>(c_.entries_.size()));
    c_.entries_.push_back(std::move(entry));
    return c_.entries_.back();
}

std::string Catalogue::Generator::FilmSourceTitle(const Film& film, std::string& stem) {
    const std::string quality = rng_.Pick(kQualities);
    const std::string year = std::to_string(film.year);
    std::string title;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const uint64_t form = rng_.Below(3);
        const std::string source = rng_.Pick(kSources);
        if (form == 0) {
            title = film.chineseTitle + "." + Dotted(film.englishTitle) + "." + year + "." + quality + "." + source +
                    "." + rng_.Pick(kCodecs) + "-" + rng_.Pick(kGroups);
        } else if (form == 1) {
            title = "[" + film.chineseTitle + "] " + film.englishTitle + " " + year + " " + quality + " " + source;
        } else {
            title = film.chineseTitle + " " + film.englishTitle + " (" + year + ") " + quality + " " + rng_.Pick(kTags);
        }
        if (!titles_.count(title)) break;
    }
    stem = Dotted(title);
    return title;
}

std::string Catalogue::Generator::StandaloneTitle(std::string& stem, std::string& code) {
    std::string title;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Words& a = kFirstWords[rng_.Below(kFirstWords.size())];
        const Words& b = kSecondWords[rng_.Below(kSecondWords.size())];
        const std::string zh = std::string(a.zh) + b.zh;
        const std::string en = std::string(a.en) + " " + b.en;
        const std::string year = std::to_string(rng_.Between(2010, 2016));
        const uint64_t form = rng_.Below(5);
        code.clear();
        if (form == 0) {
            title = zh + " 第" + std::to_string(rng_.Between(1, 3)) + "季 全" + std::to_string(rng_.Between(8, 24)) +
                    "集 " + rng_.Pick(kQualities) + " " + rng_.Pick(kTags);
        } else if (form == 1) {
            title = zh + "纪录片 " + en + " Documentary " + year + " " + rng_.Pick(kQualities);
        } else if (form == 2) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "LMV-%03d", nextCode_);
            code = buf;
            title = "[" + code + "] " + zh + " " + en + " " + year;
        } else if (form == 3) {
            title = en + " " + year + " " + rng_.Pick(kQualities) + " " + rng_.Pick(kSources) + " " + rng_.Pick(kCodecs);
        } else {
            title = zh + " " + year + " " + rng_.Pick(kTags) + " " + rng_.Pick(kQualities);
        }
        if (!titles_.count(title)) break;
    }
    if (!code.empty()) ++nextCode_;
    stem = Dotted(title);
    return title;
}

void Catalogue::Generator::MakeLists() {
    // The second resource list carries every sixth entry.
    for (size_t i = 0; i < c_.entries_.size(); i += 6) c_.extraList_.push_back(static_cast<int>(i));

    // Keyword library: the title words that the listed films use, then genres.
    std::set<std::string> seen;
    for (const auto& film : c_.films_) {
        for (const auto& words : {kFirstWords, kSecondWords}) {
            for (const auto& w : words) {
                if (film.chineseTitle.find(w.zh) != std::string::npos && seen.insert(w.zh).second) {
                    c_.keywords_.push_back(w.zh);
                }
            }
        }
    }
    for (const char* extra : {"纪录片", "国语中字", "中英双字", "1080p", "BluRay"}) c_.keywords_.push_back(extra);

    for (const auto& entry : c_.entries_) {
        if (!entry.code.empty()) c_.codes_.push_back(entry.code);
    }
}

void Catalogue::Generator::Generate() {
    MakeFilms();
    MakeSubtitles();
    MakeUsers();

    // The anchors: one entry of each real kind; all but the series are the
    // first film's sources.
    Film& first = c_.films_.front();
    std::string stem;
    std::string title = FilmSourceTitle(first, stem);
    AddEntry({EntryKind::Playable, title, stem, 0, {}, {}, {"feature"}});
    title = first.chineseTitle + " 第1-3集 " + first.englishTitle + " S01 720p";
    AddEntry({EntryKind::SeveralFiles, title, Dotted(title), -1, {}, {}, {"episode1", "episode2", "episode3"}});
    title = FilmSourceTitle(first, stem);
    AddEntry({EntryKind::Playable, title, stem, 0, {}, {}, {"short"}});
    title = FilmSourceTitle(first, stem);
    AddEntry({EntryKind::FarHostOnly, title, stem, 0, {}, {}, {}});
    title = FilmSourceTitle(first, stem) + " 字幕";
    AddEntry({EntryKind::TinyFile, title, Dotted(title), 0, {}, {}, {}});

    // The favourites a new config.ini holds, under their fixed hashes.
    const std::vector<std::pair<EntryKind, std::vector<std::string>>> favouriteFiles = {
        {EntryKind::Playable, {"feature"}},
        {EntryKind::Playable, {"short"}},
        {EntryKind::SeveralFiles, {"feature", "tiny"}},
        {EntryKind::Playable, {"episode2"}},
        {EntryKind::SeveralFiles, {"episode1", "episode2", "episode3"}},
        {EntryKind::NotHeld, {}},
    };
    const auto& favourites = DefaultFavourites();
    for (size_t i = 0; i < favourites.size(); ++i) {
        title = favourites[i].second + " " + rng_.Pick(kQualities) + " " + rng_.Pick(kTags);
        AddEntry({favouriteFiles[i].first, title, Dotted(title), -1, {}, favourites[i].first,
                  favouriteFiles[i].second});
    }

    // The other films, one to four sources each.
    for (size_t f = 1; f < c_.films_.size(); ++f) {
        const int sources = static_cast<int>(rng_.Between(1, 4));
        for (int s = 0; s < sources; ++s) {
            std::string title = FilmSourceTitle(c_.films_[f], stem);
            AddEntry({DrawKind(), title, stem, static_cast<int>(f), {}, {}, {}});
        }
    }
    // Series, documentaries and releases with codes fill the rest.
    while (static_cast<int>(c_.entries_.size()) < kEntryCount) {
        std::string code;
        std::string title = StandaloneTitle(stem, code);
        AddEntry({DrawKind(), title, stem, -1, code, {}, {}});
    }
    MakeLists();
}

const std::vector<std::string>& Catalogue::MediaFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const auto& plan : MediaSpecs()) out.push_back(plan.fileName);
        return out;
    }();
    return names;
}

const std::vector<std::pair<std::string, std::string>>& Catalogue::DefaultFavourites() {
    static const std::vector<std::pair<std::string, std::string>> favourites = {
        {"C658B772345BADF59296A16CE4AA930459F253CF", "叶问3"},
        {"70CEB4531C5A72390DECC2C3A9A084C204689B36", "恶棍天使"},
        {"C9C2A37448BD376CFDBE1C7DF5A9AC7385C9960A", "卧虎藏龙：青冥宝剑"},
        {"1B66445126CD6C5F8085C8B39FC315F28208C079", "寻龙诀"},
        {"7911B8A682C862F2A322296C4B860DA36CB720C9", "万万没想到"},
        {"2af0bf166752d4ef9be127be2441104d813050c2", "潮流教主"},
    };
    return favourites;
}

std::shared_ptr<const Catalogue> Catalogue::Build(const Options& options, std::string* error) {
    std::shared_ptr<Catalogue> catalogue(new Catalogue());
    catalogue->seed_ = options.seed;
    Generator generator(*catalogue, options.seed);
    if (!generator.LoadMedia(options, error)) return nullptr;
    generator.Generate();
    return catalogue;
}

const CatalogueEntry* Catalogue::EntryById(int id) const {
    if (id < 1 || id > static_cast<int>(entries_.size())) return nullptr;
    return &entries_[id - 1];
}

namespace {

bool SameHex(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

const CatalogueEntry* Catalogue::FindByInfoHash(std::string_view infoHash) const {
    for (const auto& entry : entries_) {
        if (SameHex(entry.infoHash, infoHash)) return &entry;
    }
    return nullptr;
}

const MediaFile* Catalogue::FindMediaBySha1(std::string_view sha1) const {
    for (const auto& media : media_) {
        if (SameHex(media.sha1, sha1)) return &media;
    }
    return nullptr;
}

const MediaFile* Catalogue::FindMediaByToken(std::string_view token) const {
    for (const auto& media : media_) {
        if (media.token == token) return &media;
    }
    return nullptr;
}

const MediaFile* Catalogue::MediaByRole(std::string_view role) const {
    for (const auto& media : media_) {
        if (media.role == role) return &media;
    }
    return nullptr;
}

const Film* Catalogue::FilmById(int id) const {
    if (id < 1 || id > static_cast<int>(films_.size())) return nullptr;
    return &films_[id - 1];
}

const ForumUser* Catalogue::FindUser(std::string_view name) const {
    for (const auto& user : users_) {
        if (user.name == name) return &user;
    }
    return nullptr;
}

const CatalogueEntry& Catalogue::FirstOfKind(EntryKind kind) const {
    for (const auto& entry : entries_) {
        if (entry.kind == kind) return entry;
    }
    return entries_.front();  // every kind is generated; not reached
}

std::vector<const CatalogueEntry*> Catalogue::OfKind(EntryKind kind) const {
    std::vector<const CatalogueEntry*> found;
    for (const auto& entry : entries_) {
        if (entry.kind == kind) found.push_back(&entry);
    }
    return found;
}

namespace {

std::vector<std::string> Words(std::string_view keyword) {
    std::vector<std::string> words;
    std::string current;
    for (char c : keyword) {
        if (c == ' ' || c == '\t' || c == '+') {
            if (!current.empty()) words.push_back(LowerAscii(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) words.push_back(LowerAscii(current));
    return words;
}

bool HasAll(std::string_view text, const std::vector<std::string>& words) {
    const std::string lower = LowerAscii(text);
    for (const auto& word : words) {
        if (lower.find(word) == std::string::npos) return false;
    }
    return true;
}

}  // namespace

std::vector<const CatalogueEntry*> Catalogue::Search(std::string_view keyword) const {
    const auto words = Words(keyword);
    std::vector<const CatalogueEntry*> found;
    for (const auto& entry : entries_) {
        if (HasAll(entry.title, words)) found.push_back(&entry);
    }
    return found;
}

std::vector<const Film*> Catalogue::SearchFilms(std::string_view keyword) const {
    const auto words = Words(keyword);
    std::vector<const Film*> found;
    for (const auto& film : films_) {
        if (HasAll(film.DisplayTitle(), words)) found.push_back(&film);
    }
    return found;
}

std::string Catalogue::Poster(const Film& film) const {
    return PosterPng(kPosterWidth, kPosterHeight, seed_ * 7919 + static_cast<uint64_t>(film.id));
}

const MediaFile* Catalogue::MediaOf(const CatalogueFile& file) const {
    return file.media >= 0 && file.media < static_cast<int>(media_.size()) ? &media_[file.media] : nullptr;
}

Reply TorrentDownload(const Catalogue& catalogue, std::string_view infoHash) {
    const CatalogueEntry* entry = catalogue.FindByInfoHash(infoHash);
    if (entry == nullptr || entry->torrent.empty()) return Reply::Error(404);
    Reply reply = Reply::Shared(entry->torrent, "application/x-bittorrent");
    reply.With("Content-Disposition", "attachment; filename=\"" + entry->infoHash + ".torrent\"");
    return reply;
}

}  // namespace lumo::sim
