#pragma once

namespace lumo::resolve {

// The lists the flows work on, by the names FlowUi::List knows them. Two
// windows have a list called 超级列表框1, so those two carry their window's
// code in front.
inline constexpr const char* kSearchList = "超级列表框搜索";
inline constexpr const char* kResourceList = "超级列表框资源";
inline constexpr const char* kFilmSourceList = "超级列表框高清详细";
inline constexpr const char* kFavouriteList = "超级列表框收藏";
inline constexpr const char* kExtraResourceList = "超级列表框VIP资源";
inline constexpr const char* kMagnetFileList = "MAGNETWIN.超级列表框1";
inline constexpr const char* kPlayQueueList = "PLAYQUEUE.超级列表框1";

// Column counts, for whoever makes the row models.
inline constexpr int kSearchColumns = 9;
inline constexpr int kResourceColumns = 8;
inline constexpr int kFilmSourceColumns = 11;
inline constexpr int kFavouriteColumns = 4;
inline constexpr int kExtraResourceColumns = 4;
inline constexpr int kMagnetFileColumns = 6;
inline constexpr int kPlayQueueColumns = 7;

// Controls.
inline constexpr const char* kTopStatus = "标签_顶部状态";
inline constexpr const char* kBottomStatus = "标签底部状态";
inline constexpr const char* kPlayLoading = "外形框加载中播放";
inline constexpr const char* kListLoading = "外形框加载中";
inline constexpr const char* kCacheCheckBox = "选择框缓存";
inline constexpr const char* kMagnetInputBox = "编辑框_解析";
inline constexpr const char* kLibraryTabs = "高级选择夹";
inline constexpr const char* kPlayerViewButton = "超级按钮播放器";

// Message box titles.
inline constexpr const char* kNoticeTitle = "Lumo提示：";
// A box "without a title of its own" gets the program's default.
inline constexpr const char* kDefaultTitle = "";
// Told when a copy finds no selected row.
inline constexpr const char* kNothingCopied = "没有选中任何一行,没有复制任何内容";

}  // namespace lumo::resolve
