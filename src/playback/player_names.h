#pragma once

namespace lumo::playback {

// The controls of the player page and its menu, by the names FlowUi knows.
inline constexpr const char* kMainWindow = "MAIN";
inline constexpr const char* kPlayQueueWindow = "PLAYQUEUE";
inline constexpr const char* kBackPanel = "外形框3";
inline constexpr const char* kViewTabs = "选择夹1";
inline constexpr const char* kVideoArea = "图片框1";
inline constexpr const char* kControlBar = "外形框_操作";
inline constexpr const char* kLoadingPanel = "外形框加载中播放";
inline constexpr const char* kSeekSlider = "进度滑块条1";
inline constexpr const char* kProgressSlider = "进度滑块条2";
inline constexpr const char* kTimeText = "标签进度时间";
inline constexpr const char* kStatus = "标签底部状态";
inline constexpr const char* kPlayButton = "图形按钮播放";
inline constexpr const char* kVolumeBar = "多功能条音量";
inline constexpr const char* kCacheBox = "选择框缓存";
inline constexpr const char* kCacheText = "标签完成率";
inline constexpr const char* kOpenFileButton = "打开文件按钮";
inline constexpr const char* kOpenMenuButton = "打开文件右边下拉按钮";
inline constexpr const char* kIdlePictures[] = {"图片框3", "图片框4"};
inline constexpr const char* kFavouriteList = "超级列表框收藏";
inline constexpr const char* kLibraryTabs = "高级选择夹";
inline constexpr const char* kSearchList = "超级列表框搜索";
inline constexpr const char* kResourceList = "超级列表框资源";
inline constexpr const char* kPlayQueueList = "PLAYQUEUE.超级列表框1";

// What full screen hides: the title strip's parts and the login button.
inline constexpr const char* kTitleStripParts[] = {"超级按钮论坛", "标签_顶部状态", "图片框logo"};
inline constexpr const char* kWindowButtons[] = {"超级按钮播放器", "超级按钮片库", "超级按钮最小化", "超级按钮结束"};
inline constexpr const char* kLoginButton = "超级按钮登录";

// Items of the menu "播放器", by their first captions.
inline constexpr const char* kPlayerMenu = "播放器";
inline constexpr const char* kFullscreenItem = "全屏";
inline constexpr const char* kSoundItem = "声音";
inline constexpr const char* kTrackMenu = "音轨";
inline constexpr const char* kSubtitleItem = "手动载入字幕";
inline constexpr const char* kEnhanceItem = "画质增强";
inline constexpr const char* kHardwareItem = "开启硬件加速";
inline constexpr const char* kStereoItem = "开启3D模式";
inline constexpr const char* kChannelItems[] = {"立体声", "左声道", "右声道", "左右混合"};

inline constexpr const char* kNoticeTitle = "Lumo提示：";

}  // namespace lumo::playback
