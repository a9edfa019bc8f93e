// Info-hash of a large .torrent against a bare SHA-1 of the same info bytes.
// The reader should cost about what the digest costs: no copies of the
// pieces string through the nesting levels, no quadratic scans.
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "torrent/torrent_file.h"

namespace {

std::string Str(const std::string& s) { return std::to_string(s.size()) + ":" + s; }
std::string Int(long long n) { return "i" + std::to_string(n) + "e"; }

// A realistic multi-file torrent whose pieces string is about `piecesBytes`.
std::string MakeTorrent(size_t piecesBytes, std::string& info) {
    std::mt19937_64 random(42);
    std::string pieces(piecesBytes / 20 * 20, '\0');
    for (size_t i = 0; i + 8 <= pieces.size(); i += 8) {
        unsigned long long word = random();
        for (int b = 0; b < 8; ++b) pieces[i + b] = static_cast<char>(word >> (8 * b));
    }
    std::string files = "l";
    for (int i = 0; i < 40; ++i) {
        files += "d" + Str("length") + Int(1'000'000'000LL + i * 7919) + Str("path") + "l" +
                 Str("Season 1") + Str("Episode " + std::to_string(i + 1) + ".mkv") + "ee";
    }
    files += "e";
    info = "d" + Str("files") + files + Str("name") + Str("Series") + Str("piece length") +
           Int(4 << 20) + Str("pieces") + Str(pieces) + "e";
    return "d" + Str("announce") + Str("http://127.0.0.1:6969/announce") + Str("comment") +
           Str("generated for the benchmark") + Str("creation date") + Int(1700000000) +
           Str("info") + info + "e";
}

std::string RawSha1Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha1(), nullptr);
    return lumo::torrent::TorrentFile::BytesToHex(
        std::string(reinterpret_cast<const char*>(digest), length));
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    std::string info;
    const std::string torrent = MakeTorrent(8u << 20, info);
    const double megabytes = static_cast<double>(info.size()) / (1 << 20);

    constexpr int kRounds = 21;
    std::vector<double> readerTimes;
    std::vector<double> rawTimes;
    std::string readerHash;
    std::string rawHash;
    using Clock = std::chrono::steady_clock;
    for (int round = 0; round < kRounds; ++round) {
        // Interleaved so both see the same machine load.
        auto start = Clock::now();
        lumo::torrent::TorrentFile file;
        file.Load(torrent);  // includes copying the file's bytes into the reader
        readerHash = file.InfoHash();
        readerTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());

        start = Clock::now();
        rawHash = RawSha1Hex(info);
        rawTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    if (readerHash != rawHash || readerHash.size() != 40) {
        std::fprintf(stderr, "hash mismatch: reader %s, raw %s\n", readerHash.c_str(),
                     rawHash.c_str());
        return EXIT_FAILURE;
    }
    double reader = Median(readerTimes);
    double raw = Median(rawTimes);
    std::printf("torrent %.2f MB, info dictionary %.2f MB, %d rounds (median)\n",
                static_cast<double>(torrent.size()) / (1 << 20), megabytes, kRounds);
    std::printf("Load + InfoHash : %8.1f MB/s  (%.2f ms)\n", megabytes / reader, reader * 1e3);
    std::printf("raw EVP SHA-1   : %8.1f MB/s  (%.2f ms)\n", megabytes / raw, raw * 1e3);
    std::printf("ratio reader/raw: %.3f  (goal <= 1.3)\n", reader / raw);
    return EXIT_SUCCESS;
}
