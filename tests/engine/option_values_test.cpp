#include "engine/option_values.h"

#include <gtest/gtest.h>

#include "engine/codec_watcher.h"
#include "engine/track_list.h"

namespace lumo::engine {
namespace {

TEST(OptionValuesTest, SwitchesAcceptOnlyOneAndZero) {
    EXPECT_EQ(ParseSwitch("1"), true);
    EXPECT_EQ(ParseSwitch(" 0 "), false);
    EXPECT_FALSE(ParseSwitch(""));
    EXPECT_FALSE(ParseSwitch("2"));
    EXPECT_FALSE(ParseSwitch("yes"));
    EXPECT_FALSE(ParseSwitch("10"));
}

TEST(OptionValuesTest, ChannelsMapToTheirFilters) {
    EXPECT_EQ(ParseChannel("0"), 0);
    EXPECT_EQ(ParseChannel("3"), 3);
    EXPECT_FALSE(ParseChannel("4"));
    EXPECT_FALSE(ParseChannel("-1"));
    EXPECT_FALSE(ParseChannel("left"));
    EXPECT_EQ(ChannelFilter(0), "");
    EXPECT_NE(ChannelFilter(1).find("c0=c0|c1=c0"), std::string::npos);
    EXPECT_NE(ChannelFilter(2).find("c0=c1|c1=c1"), std::string::npos);
    EXPECT_NE(ChannelFilter(3).find("c0=0.5*c0+0.5*c1|c1=0.5*c0+0.5*c1"), std::string::npos);
}

TEST(OptionValuesTest, VideoFiltersCombine) {
    EXPECT_EQ(VideoFilters(false, false), "");
    EXPECT_NE(VideoFilters(true, false).find("unsharp"), std::string::npos);
    EXPECT_EQ(VideoFilters(true, false).find("stereo3d"), std::string::npos);
    std::string both = VideoFilters(true, true);
    // 3D first, so the enhancement works on the picture that is shown.
    EXPECT_LT(both.find("stereo3d"), both.find("unsharp"));
}

TEST(OptionValuesTest, SubtitlePositionIsTheThirdField) {
    EXPECT_EQ(ParseSubtitlePosition("1;50;90"), 90);
    EXPECT_EQ(ParseSubtitlePosition("1;50;1"), 1);
    EXPECT_EQ(ParseSubtitlePosition("1;50;250"), 100);
    EXPECT_EQ(ParseSubtitlePosition("1;50;-3"), 0);
    EXPECT_FALSE(ParseSubtitlePosition("90"));
    EXPECT_FALSE(ParseSubtitlePosition("1;50;"));
    EXPECT_FALSE(ParseSubtitlePosition("1;50;abc"));
    EXPECT_EQ(FormatSubtitlePosition(42), "1;50;42");
}

TEST(OptionValuesTest, SubtitleDelayIsInMilliseconds) {
    EXPECT_EQ(ParseSubtitleDelayMs("1500;1000;1000"), 1500.0);
    EXPECT_EQ(ParseSubtitleDelayMs("-100;1000;1000"), -100.0);
    EXPECT_EQ(ParseSubtitleDelayMs("600500;1000;1000"), 600500.0);
    EXPECT_DOUBLE_EQ(*ParseSubtitleDelayMs("12.5;1000;1000"), 12.5);
    EXPECT_EQ(ParseSubtitleDelayMs("0"), 0.0);
    EXPECT_FALSE(ParseSubtitleDelayMs(";1000;1000"));
    EXPECT_FALSE(ParseSubtitleDelayMs("abc;1000;1000"));
    EXPECT_FALSE(ParseSubtitleDelayMs("nan;1000;1000"));
    EXPECT_FALSE(ParseSubtitleDelayMs("1e300;1000;1000"));
    EXPECT_EQ(FormatSubtitleDelay(1.5), "1500;1000;1000");
    EXPECT_EQ(FormatSubtitleDelay(-0.1), "-100;1000;1000");
    EXPECT_EQ(FormatSubtitleDelay(-0.0), "0;1000;1000");
}

TEST(OptionValuesTest, CookiesCannotCarryLineBreaks) {
    EXPECT_EQ(ParseCookie("FTN5K=abc123"), "FTN5K=abc123");
    EXPECT_EQ(ParseCookie(" FTN5K=x "), "FTN5K=x");
    EXPECT_EQ(ParseCookie(""), "");
    EXPECT_FALSE(ParseCookie("FTN5K=a\r\nX-Evil: 1"));
    EXPECT_FALSE(ParseCookie("FTN5K=a\nb"));
    EXPECT_FALSE(ParseCookie(std::string("FTN5K=a\0b", 9)));
}

TEST(OptionValuesTest, OverlayTextIsShownLiterally) {
    EXPECT_EQ(OverlayMessage(""), "");
    EXPECT_EQ(OverlayMessage("缓冲 50 %"), "$>缓冲 50 %");
    // Property expansion stays off, so "${...}" is not evaluated.
    EXPECT_EQ(OverlayMessage("${path}"), "$>${path}");
    EXPECT_EQ(OverlayMessage("a\tb\x01" "c\nd"), "$>a bc\nd");
}

TEST(OptionValuesTest, HttpAddressesAreRecognisedByScheme) {
    EXPECT_TRUE(IsHttpAddress("http://h/x"));
    EXPECT_TRUE(IsHttpAddress("HTTPS://h/x"));
    EXPECT_FALSE(IsHttpAddress("/home/u/film.mkv"));
    EXPECT_FALSE(IsHttpAddress("rtsp://h/x"));
    EXPECT_FALSE(IsHttpAddress("http:/h"));
}

// Builds the node the player hands out for its "track-list" property.
class TrackNodes {
public:
    void Add(int64_t id, const char* type, const char* title, const char* lang, bool selected) {
        auto& t = entries_.emplace_back();
        t.keys = {"id", "type", "title", "lang", "selected"};
        t.values.resize(5);
        t.values[0].format = MPV_FORMAT_INT64;
        t.values[0].u.int64 = id;
        t.values[1].format = MPV_FORMAT_STRING;
        t.values[1].u.string = const_cast<char*>(type);
        t.values[2].format = title ? MPV_FORMAT_STRING : MPV_FORMAT_NONE;
        t.values[2].u.string = const_cast<char*>(title);
        t.values[3].format = lang ? MPV_FORMAT_STRING : MPV_FORMAT_NONE;
        t.values[3].u.string = const_cast<char*>(lang);
        t.values[4].format = MPV_FORMAT_FLAG;
        t.values[4].u.flag = selected;
    }
    mpv_node Node() {
        maps_.clear();
        items_.clear();
        maps_.resize(entries_.size());
        items_.resize(entries_.size());
        for (size_t i = 0; i < entries_.size(); ++i) {
            maps_[i].num = static_cast<int>(entries_[i].keys.size());
            maps_[i].keys = const_cast<char**>(entries_[i].keys.data());
            maps_[i].values = entries_[i].values.data();
            items_[i].format = MPV_FORMAT_NODE_MAP;
            items_[i].u.list = &maps_[i];
        }
        list_.num = static_cast<int>(items_.size());
        list_.values = items_.data();
        mpv_node node{};
        node.format = MPV_FORMAT_NODE_ARRAY;
        node.u.list = &list_;
        return node;
    }

private:
    struct Entry {
        std::vector<const char*> keys;
        std::vector<mpv_node> values;
    };
    std::vector<Entry> entries_;
    std::vector<mpv_node_list> maps_;
    std::vector<mpv_node> items_;
    mpv_node_list list_{};
};

TEST(TrackListTest, AudioTracksAreNumberedFromZeroInListOrder) {
    TrackNodes nodes;
    nodes.Add(1, "video", nullptr, nullptr, true);
    nodes.Add(1, "audio", "国语", "chi", false);
    nodes.Add(1, "sub", "字幕", nullptr, true);
    nodes.Add(2, "audio", nullptr, "eng", true);
    nodes.Add(3, "audio", "a;b", nullptr, false);
    nodes.Add(4, "audio", nullptr, nullptr, false);
    TrackList list = TrackList::FromNode(nodes.Node());
    EXPECT_EQ(list.tracks().size(), 6u);
    EXPECT_EQ(list.AudioCount(), 4);
    EXPECT_EQ(list.AudioNames(), "国语;eng;a,b;音轨4");
    EXPECT_EQ(list.SelectedAudioIndex(), 1);
    EXPECT_EQ(list.AudioIdAt(0), 1);
    EXPECT_EQ(list.AudioIdAt(3), 4);
    EXPECT_FALSE(list.AudioIdAt(4));
    EXPECT_FALSE(list.AudioIdAt(-1));
}

TEST(TrackListTest, NoTracksOrOddNodesGiveAnEmptyList) {
    mpv_node none{};
    none.format = MPV_FORMAT_NONE;
    TrackList list = TrackList::FromNode(none);
    EXPECT_EQ(list.AudioCount(), 0);
    EXPECT_EQ(list.AudioNames(), "");
    EXPECT_FALSE(list.SelectedAudioIndex());
}

TEST(CodecWatcherTest, UnknownStreamReportsItsContainerTag) {
    CodecWatcher watcher;
    EXPECT_FALSE(watcher.OnLog("ffmpeg/demuxer",
                               "avi: Could not find codec parameters for stream 0 (Video: none (LUMO / 0x4F4D554C), "
                               "none, 320x240): unknown codec"));
    auto value = watcher.OnLog("vd", "Failed to initialize a decoder for codec ''.");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, 0x4F4D554C);
    // Once per media.
    EXPECT_FALSE(watcher.OnLog("ad", "Failed to initialize a decoder for codec ''."));
    watcher.Reset();
    EXPECT_EQ(watcher.OnLog("ad", "Failed to initialize a decoder for codec ''."), 0);
}

TEST(CodecWatcherTest, KnownCodecWithoutDecoderReportsItsName) {
    CodecWatcher watcher;
    EXPECT_EQ(watcher.OnLog("vd", "Failed to initialize a decoder for codec 'hevc'."), 0x63766568);
    watcher.Reset();
    EXPECT_EQ(watcher.OnLog("ad", "Failed to initialize a decoder for codec 'ac3'."),
              CodecWatcher::PackFourCc("ac3 "));
}

TEST(CodecWatcherTest, OtherLinesAreIgnored) {
    CodecWatcher watcher;
    EXPECT_FALSE(watcher.OnLog("vd", "Using software decoding."));
    EXPECT_FALSE(watcher.OnLog("sd", "Failed to initialize a decoder for codec 'x'."));
    EXPECT_FALSE(watcher.OnLog("cplayer", "Failed to initialize a decoder for codec 'x'."));
    EXPECT_FALSE(watcher.OnLog("ffmpeg/demuxer", "unknown codec without a tag"));
    EXPECT_EQ(watcher.OnLog("vd", "Failed to initialize a decoder for codec 'vp9'."), CodecWatcher::PackFourCc("vp9"));
}

}  // namespace
}  // namespace lumo::engine
