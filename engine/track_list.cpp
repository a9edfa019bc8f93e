#include "engine/track_list.h"

#include <cstring>

namespace lumo::engine {
namespace {

const mpv_node* Find(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list) return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (std::strcmp(map.u.list->keys[i], key) == 0) return &map.u.list->values[i];
    return nullptr;
}

std::string Text(const mpv_node& map, const char* key) {
    const mpv_node* n = Find(map, key);
    return n && n->format == MPV_FORMAT_STRING && n->u.string ? n->u.string : std::string();
}

bool Flag(const mpv_node& map, const char* key) {
    const mpv_node* n = Find(map, key);
    return n && n->format == MPV_FORMAT_FLAG && n->u.flag;
}

}  // namespace

TrackList TrackList::FromNode(const mpv_node& node) {
    TrackList list;
    if (node.format != MPV_FORMAT_NODE_ARRAY || !node.u.list) return list;
    for (int i = 0; i < node.u.list->num; ++i) {
        const mpv_node& entry = node.u.list->values[i];
        const mpv_node* id = Find(entry, "id");
        if (!id || id->format != MPV_FORMAT_INT64) continue;
        Track t;
        t.id = id->u.int64;
        t.type = Text(entry, "type");
        t.title = Text(entry, "title");
        t.lang = Text(entry, "lang");
        t.codec = Text(entry, "codec");
        t.selected = Flag(entry, "selected");
        t.external = Flag(entry, "external");
        list.tracks_.push_back(std::move(t));
    }
    return list;
}

std::vector<const TrackList::Track*> TrackList::Audio() const {
    std::vector<const Track*> audio;
    for (const Track& t : tracks_)
        if (t.type == "audio") audio.push_back(&t);
    return audio;
}

int TrackList::AudioCount() const { return static_cast<int>(Audio().size()); }

std::string TrackList::AudioNames() const {
    std::string names;
    auto audio = Audio();
    for (size_t i = 0; i < audio.size(); ++i) {
        std::string name = !audio[i]->title.empty() ? audio[i]->title
                           : !audio[i]->lang.empty() ? audio[i]->lang
                                                     : "音轨" + std::to_string(i + 1);
        // The separator cannot appear inside a name.
        for (char& c : name)
            if (c == ';') c = ',';
        if (i > 0) names += ';';
        names += name;
    }
    return names;
}

std::optional<int64_t> TrackList::AudioIdAt(int index) const {
    auto audio = Audio();
    if (index < 0 || index >= static_cast<int>(audio.size())) return std::nullopt;
    return audio[static_cast<size_t>(index)]->id;
}

std::optional<int> TrackList::SelectedAudioIndex() const {
    auto audio = Audio();
    for (size_t i = 0; i < audio.size(); ++i)
        if (audio[i]->selected) return static_cast<int>(i);
    return std::nullopt;
}

}  // namespace lumo::engine
