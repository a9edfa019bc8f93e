// Lumo's SHA-1 against OpenSSL's, over every length around the padding's
// block boundaries, fed whole and in uneven pieces, and the published test
// vectors.
#include <openssl/sha.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "torrent/sha1.h"
#include "torrent/torrent_file.h"

namespace lumo::torrent {
namespace {

std::string Hex(const std::string& bytes) { return TorrentFile::BytesToHex(bytes); }

std::string OpenSslSha1(const std::string& bytes) {
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

TEST(Sha1, MatchesOpenSslForEveryLengthUpToFiveBlocksWholeAndInPieces) {
    std::mt19937 random(7);
    for (size_t length = 0; length <= 320; ++length) {
        std::string bytes(length, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        const std::string expected = OpenSslSha1(bytes);

        Sha1 whole;
        whole.Update(bytes);
        EXPECT_EQ(Hex(whole.Finish()), Hex(expected)) << "length " << length;

        Sha1 pieces;
        for (size_t at = 0; at < length;) {
            const size_t take = std::min<size_t>(length - at, random() % 70);
            pieces.Update(std::string_view(bytes).substr(at, take));
            at += take;
        }
        EXPECT_EQ(Hex(pieces.Finish()), Hex(expected)) << "length " << length << " in pieces";
    }
}

TEST(Sha1, PublishedVectors) {
    auto hash = [](const std::string& text) {
        Sha1 sha;
        sha.Update(text);
        return Hex(sha.Finish());
    };
    EXPECT_EQ(hash(""), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(hash("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983E441C3BD26EBAAE4AA1F95129E5E54670F1");
    EXPECT_EQ(hash(std::string(1000000, 'a')), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

}  // namespace
}  // namespace lumo::torrent
