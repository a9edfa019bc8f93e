// The simulator's own writers (what Lumo only reads: Base64, bencode, JSON
// escapes, PNG, ZIP) checked against Lumo's readers and the formats' rules,
// and the small parsers of requests and switches.

#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "sim/base64_encode.h"
#include "sim/bencode_writer.h"
#include "sim/byte_range.h"
#include "sim/catalogue.h"
#include "sim/codec_pack.h"
#include "sim/fault.h"
#include "sim/json_text.h"
#include "sim/page_text.h"
#include "sim/png_image.h"
#include "sim/random.h"
#include "sim/service.h"
#include "sim/site_request.h"
#include "text/charset.h"
#include "text/codecs.h"
#include "text/script_unescape.h"
#include "torrent/torrent_file.h"

namespace lumo::sim {
namespace {

TEST(SimBase64, KnownVectorsAndRoundTripsThroughLumosDecoder) {
    EXPECT_EQ(Base64Encode("中文"), "5Lit5paH");
    EXPECT_EQ(Base64Encode("A"), "QQ==");
    EXPECT_EQ(Base64Encode("AB"), "QUI=");
    EXPECT_EQ(Base64Encode("ABC"), "QUJD");
    EXPECT_EQ(Base64Encode(""), "");
    SplitMix64 rng(7);
    for (size_t length = 0; length < 70; ++length) {
        const std::string bytes = rng.Bytes(length);
        const std::string encoded = Base64Encode(bytes);
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(text::Base64Decode(encoded), bytes) << length;
    }
}

TEST(SimBencode, WritesCanonicalElementsThatLumosReaderTakesApart) {
    using W = BencodeWriter;
    EXPECT_EQ(W::String("spam"), "4:spam");
    EXPECT_EQ(W::String(std::string("a\0b", 3)), std::string("3:a\0b", 5));
    EXPECT_EQ(W::Integer(-42), "i-42e");
    EXPECT_EQ(W::List({W::Integer(1), W::String("x")}), "li1e1:xe");
    // Keys come out sorted whatever order they were given in.
    const std::string dict = W::Dictionary({{"zeta", W::Integer(1)}, {"alpha", W::String("a")}, {"mid", W::List({})}});
    EXPECT_EQ(dict, "d5:alpha1:a3:midle4:zetai1ee");
    const auto parsed = torrent::TorrentFile::ParseDict(dict);
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.consumed, dict.size());
    EXPECT_EQ(parsed.keys, (std::vector<std::string_view>{"alpha", "mid", "zeta"}));
    EXPECT_EQ(parsed.values[0], "a");
    EXPECT_EQ(parsed.values[2], "1");
}

TEST(SimBencode, SmallestTorrentHasTheKnownInfoHash) {
    using W = BencodeWriter;
    const std::string file = W::Dictionary({{"info", W::Dictionary({{"length", W::Integer(5)}})}});
    EXPECT_EQ(file, "d4:infod6:lengthi5eee");
    torrent::TorrentFile torrent;
    ASSERT_TRUE(torrent.Load(file));
    EXPECT_EQ(torrent.InfoHash(), "FF27AD3E1E1C42B3E45645120AC37C72113515FD");
}

TEST(SimJsonEscape, WritesAsciiThatLumosUnescapeTurnsBack) {
    EXPECT_EQ(JsonEscape("中文"), "\\u4e2d\\u6587");
    EXPECT_EQ(JsonEscape("a/b\"c\\d"), "a\\/b\\\"c\\\\d");
    EXPECT_EQ(JsonEscape("\n\t\x01"), "\\n\\t\\u0001");
    EXPECT_EQ(JsonEscape("\xF0\x9F\x98\x80"), "\\ud83d\\ude00");  // beyond the BMP: a surrogate pair
    for (const std::string text : {"午夜追击.Midnight.Chase.2016.mkv", "卧虎藏龙：青冥宝剑 720p", "CD1/a b.mkv",
                                   "it's 100% (ok)"}) {
        const std::string escaped = JsonEscape(text);
        for (char c : escaped) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << text;
        EXPECT_EQ(text::ScriptUnescape(escaped), text);
    }
}

TEST(SimPng, IsAWellFormedImageOfTheAskedSize) {
    const std::string png = PosterPng(138, 180, 5);
    ASSERT_GT(png.size(), 8u + 25u + 12u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned char>(png[at + 3]);
    };
    // Walk the chunks: each CRC must match, IDAT must inflate to the rows.
    size_t at = 8;
    std::string idat;
    std::vector<std::string> types;
    while (at + 12 <= png.size()) {
        const uint32_t length = be32(at);
        const std::string type = png.substr(at + 4, 4);
        types.push_back(type);
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
        EXPECT_EQ(be32(at + 8 + length), static_cast<uint32_t>(crc)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(be32(at + 8), 138u);
            EXPECT_EQ(be32(at + 12), 180u);
        }
        if (type == "IDAT") idat += png.substr(at + 8, length);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    uLongf rawSize = 180 * (138 * 3 + 1);
    std::string raw(rawSize, '\0');
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize, reinterpret_cast<const Bytef*>(idat.data()),
                         idat.size()),
              Z_OK);
    EXPECT_EQ(rawSize, 180u * (138 * 3 + 1));
    EXPECT_NE(PosterPng(138, 180, 6), png);
    EXPECT_EQ(EncodePng(2, 2, {1, 2, 3}), "");
}

std::vector<std::string> ZipEntries(const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("lumo-sim-zip-" + std::to_string(getpid()) + ".zip");
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::vector<std::string> names;
    unzFile zip = unzOpen64(path.c_str());
    if (zip != nullptr) {
        for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
            char name[512];
            unz_file_info64 info;
            unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
            // Every entry must also read back whole.
            EXPECT_EQ(unzOpenCurrentFile(zip), UNZ_OK);
            std::string data(info.uncompressed_size, '\0');
            if (!data.empty()) {
                EXPECT_EQ(unzReadCurrentFile(zip, data.data(), static_cast<unsigned>(data.size())),
                          static_cast<int>(data.size()));
            }
            EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK) << name;
            names.push_back(name);
        }
        unzClose(zip);
    }
    std::filesystem::remove(path);
    return names;
}

TEST(SimCodecPack, HoldsTheEightFoldersOrTheVariantsFaults) {
    auto folders = [](const std::vector<std::string>& names) {
        std::set<std::string> found;
        for (const auto& name : names) found.insert(name.substr(0, name.find('/')));
        return found;
    };
    const auto full = ZipEntries(BuildCodecPack(CodecPackVariant::Full, 1));
    const std::set<std::string> eight(CodecFolders().begin(), CodecFolders().end());
    EXPECT_EQ(eight.size(), 8u);
    EXPECT_EQ(folders(full), eight);
    for (const auto& name : full) EXPECT_EQ(name.find(".."), std::string::npos);

    auto partial = folders(ZipEntries(BuildCodecPack(CodecPackVariant::Partial, 1)));
    EXPECT_EQ(partial.count("wm"), 0u);
    EXPECT_EQ(partial.size(), 7u);

    const auto unsafe = ZipEntries(BuildCodecPack(CodecPackVariant::Unsafe, 1));
    EXPECT_NE(std::find(unsafe.begin(), unsafe.end(), "../lumo_outside.txt"), unsafe.end());
    EXPECT_EQ(BuildCodecPack(CodecPackVariant::Full, 1), BuildCodecPack(CodecPackVariant::Full, 1));
}

TEST(SimByteRange, ReadsSingleRangesAndRefusesWhatCannotBeServed) {
    using K = ByteRange::Kind;
    struct Case {
        const char* header;
        K kind;
        uint64_t first, last;
    };
    const Case cases[] = {
        {"", K::Whole, 0, 0},
        {"bytes=0-99", K::Part, 0, 99},
        {"bytes=100-", K::Part, 100, 999},
        {"bytes=900-5000", K::Part, 900, 999},
        {"bytes=-100", K::Part, 900, 999},
        {"bytes=-5000", K::Part, 0, 999},
        {"BYTES= 5-6 ", K::Part, 5, 6},
        {"bytes=1000-", K::Unsatisfiable, 0, 0},
        {"bytes=-0", K::Unsatisfiable, 0, 0},
        {"bytes=5-4", K::Whole, 0, 0},
        {"bytes=0-1,5-6", K::Whole, 0, 0},
        {"items=0-1", K::Whole, 0, 0},
        {"bytes=a-b", K::Whole, 0, 0},
        {"bytes=99999999999999999999999-", K::Whole, 0, 0},
    };
    for (const auto& c : cases) {
        const ByteRange range = ParseByteRange(c.header, 1000);
        EXPECT_EQ(range.kind, c.kind) << c.header;
        if (c.kind == K::Part) {
            EXPECT_EQ(range.first, c.first) << c.header;
            EXPECT_EQ(range.last, c.last) << c.header;
        }
    }
    EXPECT_EQ(ParseByteRange("bytes=0-", 0).kind, K::Unsatisfiable);
}

TEST(SimFaultSpec, ParsesKindsAndSettingsAndRejectsTheRest) {
    const auto delay = ParseFault("delay:ms=3000:count=2,path=/q/");
    ASSERT_TRUE(delay);
    EXPECT_EQ(delay->kind, FaultKind::Delay);
    EXPECT_EQ(delay->ms, 3000);
    EXPECT_EQ(delay->count, 2);
    EXPECT_EQ(delay->pathPrefix, "/q/");
    EXPECT_EQ(ParseFault("wrong-length:bytes=-10")->bytes, -10);
    EXPECT_EQ(ParseFault("status")->status, 500);
    std::string error;
    EXPECT_FALSE(ParseFault("sideways", &error));
    EXPECT_NE(error.find("sideways"), std::string::npos);
    EXPECT_FALSE(ParseFault("delay:ms=-5"));
    EXPECT_FALSE(ParseFault("status:status=99"));
    EXPECT_FALSE(ParseFault("throttle:rate=0"));
    EXPECT_FALSE(ParseFault("drop:colour=red"));
    EXPECT_FALSE(ParseFault("delay:ms"));
    EXPECT_EQ(DescribeFault(*delay), "delay ms=3000 count=2 path=/q/");
}

TEST(SimServiceNames, RoundTripAndAcceptShortDownloadNames) {
    for (int i = 0; i < kServiceCount; ++i) EXPECT_EQ(ParseServiceName(ServiceName(ServiceAt(i))), ServiceAt(i));
    EXPECT_EQ(ParseServiceName("dl9"), DownloadHost(9));
    EXPECT_EQ(DownloadHostNumber(DownloadHost(22)), 22);
    EXPECT_FALSE(ParseServiceName("download23"));
    EXPECT_FALSE(ParseServiceName("dl0"));
    EXPECT_FALSE(ParseServiceName("download1x"));
    EXPECT_FALSE(ParseServiceName(""));
}

TEST(SimPageText, HighlightMarksEveryWordOnCharacterBoundaries) {
    EXPECT_EQ(Highlight("Midnight Chase chase", "CHASE"), "Midnight <em>Chase</em> <em>chase</em>");
    EXPECT_EQ(Highlight("午夜追击 午夜", "午夜"), "<em>午夜</em>追击 <em>午夜</em>");
    EXPECT_EQ(Highlight("Star River", "star river"), "<em>Star</em> <em>River</em>");
    EXPECT_EQ(Highlight("abc", ""), "abc");
    EXPECT_EQ(KeywordText(text::Utf8ToGbk("午夜")), "午夜");
    EXPECT_EQ(KeywordText("午夜"), "午夜");
    EXPECT_EQ(UrlComponent("a b/中"), "a%20b%2F%E4%B8%AD");
}

TEST(SimSiteRequest, ReadsCookiesRawParametersAndFormValues) {
    SiteRequest request;
    request.headers = {{"cookie", "a=1; FTN5K=abc ;b=2"}, {"Cookie", "c=3"}};
    request.query = "hash=magnet:?xt=urn:btih:AB%43&x&y=";
    EXPECT_EQ(request.Cookie("FTN5K"), "abc");
    EXPECT_EQ(request.Cookie("c"), "3");
    EXPECT_EQ(request.Cookie("d"), "");
    EXPECT_EQ(request.RawParam("hash"), "magnet:?xt=urn:btih:AB%43");
    EXPECT_EQ(request.RawParam("x"), "");
    EXPECT_EQ(request.RawParam("y"), "");
    EXPECT_EQ(FormDecode("a+b%20c%zz%4"), "a b c%zz%4");
    EXPECT_EQ(FormDecode("a+b", false), "a+b");
}

TEST(SimSizeText, WritesSizesTheWaySitesDo) {
    EXPECT_EQ(SizeText(900), "900 B");
    EXPECT_EQ(SizeText(220742), "215.6 KB");
    EXPECT_EQ(SizeText(512 * 1024 * 1024 + 300 * 1024), "512.3 MB");
    EXPECT_EQ(SizeText(1514000000ull), "1.41 GB");
}

}  // namespace
}  // namespace lumo::sim
