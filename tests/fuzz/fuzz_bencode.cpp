// Arbitrary bytes through the torrent reader: no crash, no read outside the
// data (ASan), and the reader's own promises hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "torrent/torrent_file.h"

using lumo::torrent::TorrentFile;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool InsideData(std::string_view view, const std::string& data) {
    return view.data() >= data.data() && view.data() + view.size() <= data.data() + data.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::string input(reinterpret_cast<const char*>(bytes), size);
    TorrentFile file;
    bool ok = file.Load(input);

    Require(file.Data() == input);
    Require(file.Consumed() <= size);
    Require(file.ValueCount() <= file.KeyCount());
    Require(file.KeyCount() <= file.ValueCount() + 1);
    if (size == 0 || input[0] != 'd') Require(!ok && file.KeyCount() == 0);

    size_t firstInfo = file.KeyCount();
    for (size_t i = 0; i < file.KeyCount(); ++i) {
        std::string_view key = file.Key(i);
        Require(InsideData(key, file.Data()));
        Require(key.find('\0') == std::string_view::npos);
        if (key == "info" && firstInfo == file.KeyCount()) firstInfo = i;
    }
    for (size_t i = 0; i < file.ValueCount(); ++i) {
        Require(InsideData(file.Value(i), file.Data()));
    }

    // The step-by-step parse agrees with Load.
    TorrentFile::DictStep step = TorrentFile::ParseDict(input);
    Require(step.ok == ok);
    Require(step.consumed == file.Consumed());
    Require(step.keys == file.Keys());
    Require(step.values == file.Values());

    // The in-place hash equals the hash of the rebuilt dictionary.
    std::string hash = file.InfoHash();
    Require(hash.empty() || hash.size() == 40);
    for (char c : hash) Require((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    if (firstInfo < file.ValueCount()) {
        std::string rebuilt = "d" + std::string(file.Value(firstInfo)) + "e";
        Require(hash == TorrentFile::BytesToHex(TorrentFile::HashBytes(rebuilt)));
    } else {
        Require(hash.empty());
    }

    // Loading the same bytes again gives the same result.
    TorrentFile again;
    Require(again.Load(input) == ok && again.InfoHash() == hash);
    return 0;
}
