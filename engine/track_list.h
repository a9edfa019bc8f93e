#pragma once

#include <mpv/client.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumo::engine {

// The player's tracks of the open media, as its "track-list" property
// reports them. Audio tracks are numbered from 0 in list order; that index
// is what configurations 402 and 403 speak of.
class TrackList {
public:
    struct Track {
        int64_t id = 0;
        std::string type;  // "video", "audio", "sub"
        std::string title;
        std::string lang;
        std::string codec;
        bool selected = false;
        bool external = false;
    };

    static TrackList FromNode(const mpv_node& node);

    const std::vector<Track>& tracks() const { return tracks_; }
    int AudioCount() const;
    // Names separated by ";": the title, else the language, else "音轨" and
    // the track's number from 1.
    std::string AudioNames() const;
    std::optional<int64_t> AudioIdAt(int index) const;
    std::optional<int> SelectedAudioIndex() const;

private:
    std::vector<const Track*> Audio() const;
    std::vector<Track> tracks_;
};

}  // namespace lumo::engine
