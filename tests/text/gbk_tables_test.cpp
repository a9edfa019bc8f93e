// The table-driven GBK conversions must give exactly what converting with
// glibc's iconv gives, byte for byte, on every input.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "text/charset.h"
#include "text/gbk_decoder.h"
#include "text/gbk_encoder.h"
#include "text/iconv_converter.h"
#include "text/utf8.h"

namespace lumo::text {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string IconvFromGbk(std::string_view gbk) {
    static IconvConverter cd("UTF-8", "CP936");
    return cd.ConvertAll(gbk, IconvConverter::Source::Other, kReplacement);
}

std::string IconvToGbk(std::string_view utf8) {
    static IconvConverter cd("CP936", "UTF-8");
    return cd.ConvertAll(utf8, IconvConverter::Source::Utf8, "?");
}

const GbkDecoder& Decoder() {
    const GbkDecoder* decoder = GbkDecoder::Get();
    if (!decoder) throw std::runtime_error("no GBK decoder tables");
    return *decoder;
}

const GbkEncoder& Encoder() {
    const GbkEncoder* encoder = GbkEncoder::Get();
    if (!encoder) throw std::runtime_error("no GBK encoder table");
    return *encoder;
}

// Counts disagreements and reports the first few, so one broken table row
// does not flood the log.
class Disagreements {
public:
    void Check(std::string_view input, std::string_view got, std::string_view want) {
        if (got == want) return;
        if (++count_ > 10) return;
        size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
        const size_t from = at > 8 ? at - 8 : 0;
        ADD_FAILURE() << "input [" << Hex(input.substr(0, 48)) << (input.size() > 48 ? " ..." : "")
                      << "]\n  outputs differ at byte " << at << "; from byte " << from
                      << "\n  tables: [" << Hex(got.substr(from, 24)) << "]\n  iconv:  ["
                      << Hex(want.substr(from, 24)) << "]";
    }
    int count() const { return count_; }

private:
    int count_ = 0;
};

TEST(GbkTables, AreBuiltFromThisSystemsIconvOnlyOnce) {
    std::vector<const GbkDecoder*> decoders(4, nullptr);
    std::vector<const GbkEncoder*> encoders(4, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            decoders[t] = GbkDecoder::Get();
            encoders[t] = GbkEncoder::Get();
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_NE(decoders[0], nullptr);
    ASSERT_NE(encoders[0], nullptr);
    for (int t = 1; t < 4; ++t) {
        EXPECT_EQ(decoders[t], decoders[0]);
        EXPECT_EQ(encoders[t], encoders[0]);
    }
}

TEST(GbkDecoderAgreesWithIconv, EveryByteAloneAndBesideOthers) {
    Disagreements bad;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        for (const std::string& input :
             {std::string(1, c), std::string("a") + c, std::string(1, c) + "a",
              std::string(2, c), std::string(3, c)}) {
            bad.Check(input, Decoder().Decode(input), IconvFromGbk(input));
        }
    }
    EXPECT_EQ(bad.count(), 0);
}

TEST(GbkDecoderAgreesWithIconv, EveryTwoByteSequence) {
    Disagreements bad;
    int mapped = 0;
    for (int first = 0x80; first < 0x100; ++first) {
        for (int second = 0; second < 0x100; ++second) {
            const char f = static_cast<char>(first), s = static_cast<char>(second);
            const std::string pair{f, s};
            const std::string want = IconvFromGbk(pair);
            bad.Check(pair, Decoder().Decode(pair), want);
            if (want.find(kReplacement) == std::string::npos && want.size() > 1) ++mapped;
            // Inside a text, and followed by a lead byte cut off at the end.
            for (const std::string& input : {"x" + pair + "y", pair + f})
                bad.Check(input, Decoder().Decode(input), IconvFromGbk(input));
        }
    }
    EXPECT_EQ(bad.count(), 0);
    // Code page 936 has some 21,000 two-byte characters: the comparison ran
    // over a real table, not an empty one.
    EXPECT_GT(mapped, 20000);
}

// Bytes drawn to hit the interesting classes often: lead bytes, bytes that
// are valid only as second bytes, the euro byte, the never-valid 0xFF.
std::string RandomGbkBytes(std::mt19937& rng, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        const unsigned kind = rng() % 10;
        unsigned b;
        if (kind < 3)
            b = rng() % 0x80;
        else if (kind < 7)
            b = 0x81 + rng() % 0x7E;
        else if (kind < 9)
            b = 0x40 + rng() % 0xBF;
        else
            b = (rng() % 2) ? 0x80 : 0xFF;
        out.push_back(static_cast<char>(b));
    }
    return out;
}

TEST(GbkDecoderAgreesWithIconv, RandomByteStrings) {
    std::mt19937 rng(936);
    Disagreements bad;
    for (int i = 0; i < 30000; ++i) {
        const std::string input = RandomGbkBytes(rng, rng() % 48);
        bad.Check(input, Decoder().Decode(input), IconvFromGbk(input));
    }
    // Long inputs run through the decoder's buffer growth and iconv's chunks.
    for (int i = 0; i < 4; ++i) {
        const std::string input = RandomGbkBytes(rng, 200000 + rng() % 1000);
        bad.Check(input, Decoder().Decode(input), IconvFromGbk(input));
    }
    EXPECT_EQ(bad.count(), 0);
}

TEST(GbkDecoderAgreesWithIconv, InputsThatTripleInSize) {
    // Every 0xFF becomes three bytes of U+FFFD and every 0x80 three bytes of
    // the euro sign: far beyond the room the decoder first sets aside.
    const std::string ascii(5000, 'a');
    const std::string invalid(100000, '\xFF');
    const std::string euros(100000, '\x80');
    std::string mixed;
    for (int i = 0; i < 30000; ++i) mixed += "\xFF\xD6\xD0z\x80";
    for (const std::string& input : {invalid, euros, ascii + invalid + ascii, mixed}) {
        const std::string got = Decoder().Decode(input);
        EXPECT_EQ(got, IconvFromGbk(input)) << "input starting [" << Hex(input.substr(0, 8)) << "]";
    }
    EXPECT_EQ(Decoder().Decode(invalid).size(), 3 * invalid.size());
}

TEST(GbkDecoderAgreesWithIconv, PublicConversionsGiveWhatIconvGives) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 200; ++i) {
        const std::string input = RandomGbkBytes(rng, rng() % 64);
        EXPECT_EQ(GbkToUtf8(input), IconvFromGbk(input)) << Hex(input);
        EXPECT_EQ(ConvertToUtf8(input, "gb2312"), IconvFromGbk(input)) << Hex(input);
    }
}

TEST(GbkEncoderAgreesWithIconv, EveryCodePoint) {
    Disagreements bad;
    std::string block;
    for (char32_t start = 0; start < 0x110000; start += 64) {
        block.clear();
        for (char32_t cp = start; cp < start + 64; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            AppendUtf8(block, cp);
            block += 'x';  // keeps a wrong length from hiding in the next character
        }
        bad.Check(block, Encoder().Encode(block), IconvToGbk(block));
    }
    EXPECT_EQ(bad.count(), 0);
    // Spot checks that the comparison saw both mapped and unmapped characters.
    EXPECT_EQ(Encoder().Encode("中€😀ä"), "\xD6\xD0\x80??");
}

// UTF-8 pieces, whole and broken, drawn so that broken forms often end the
// text: iconv treats a form cut off by the end apart from one broken inside.
std::string RandomUtf8Piece(std::mt19937& rng) {
    static const std::vector<std::string> kBroken = {
        "\x80", "\xBF", "\xC0\x80", "\xC1", "\xE0\x80\x80", "\xED\xA0\x80", "\xED\xA0",
        "\xF0\x80", "\xF0\x80\x80\x80", "\xF4\x90\x80", "\xF5\x80", "\xF8\x88\x80\x80",
        "\xFC\x80\x80\x80\x80", "\xFE", "\xFF", "\xE4\xB8", "\xF0\x9F\x98"};
    std::string out;
    switch (rng() % 6) {
        case 0:
            out.push_back(static_cast<char>(rng() % 0x80));
            break;
        case 1:
            AppendUtf8(out, 0x4E00 + rng() % 0x5200);  // CJK, mostly in GBK
            break;
        case 2:
            AppendUtf8(out, 0x80 + rng() % 0x3000);  // Latin to CJK punctuation
            break;
        case 3: {
            char32_t cp = rng() % 0x110000;
            if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xE000 + (cp & 0xFFF);  // private use
            AppendUtf8(out, cp);
            break;
        }
        default:
            out = kBroken[rng() % kBroken.size()];
            break;
    }
    return out;
}

TEST(GbkEncoderAgreesWithIconv, RandomTextWithBrokenCharacters) {
    std::mt19937 rng(65001);
    Disagreements bad;
    for (int i = 0; i < 30000; ++i) {
        std::string input;
        const int pieces = static_cast<int>(rng() % 12);
        for (int p = 0; p < pieces; ++p) input += RandomUtf8Piece(rng);
        bad.Check(input, Encoder().Encode(input), IconvToGbk(input));
    }
    std::string longText;
    while (longText.size() < 300000) longText += RandomUtf8Piece(rng);
    bad.Check(longText, Encoder().Encode(longText), IconvToGbk(longText));
    EXPECT_EQ(bad.count(), 0);
}

TEST(GbkEncoderAgreesWithIconv, BrokenFormAtTheEndIsOneMark) {
    // Cut off by the end, a form iconv still reads as a start counts as one
    // character; the same bytes inside the text are broken byte by byte.
    for (const std::string broken : {"\xF0\x80", "\xED\xA0", "\xFC\x80\x80\x80\x80"}) {
        EXPECT_EQ(Utf8ToGbk("a" + broken), "a?") << Hex(broken);
        EXPECT_EQ(Utf8ToGbk("a" + broken + "b"), IconvToGbk("a" + broken + "b")) << Hex(broken);
        EXPECT_EQ(Utf8ToGbk("a" + broken + "b").size(), broken.size() + 2) << Hex(broken);
    }
    EXPECT_EQ(Utf8ToGbk("中\xF8\x88\x80\x80\x80"), IconvToGbk("中\xF8\x88\x80\x80\x80"));
}

}  // namespace
}  // namespace lumo::text
