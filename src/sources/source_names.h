#pragma once

namespace lumo::sources {

// The controls of the main window that the searches, the film page and the
// operators' lists use, by their catalogue names. (The lists and labels the
// resolution shares are in resolve/ui_names.h.)

// Search page.
inline constexpr const char* kSearchBox = "编辑框_搜索";
inline constexpr const char* kSearchHint = "输入你需要搜索的关键字,然后点击搜索→";
// The engine drop-down: its Text is the caption of the selected item.
inline constexpr const char* kEngineChoice = "组合框1";
inline constexpr const char* kJsonEngineItem = "<全网引擎1>";
inline constexpr const char* kTorrentSiteItem = "<全网引擎2>";
inline constexpr const char* kSearchPageBox = "编辑框_搜索页数";

// Film page.
inline constexpr const char* kFilmSearchBox = "编辑框高清电影搜索";
inline constexpr const char* kFilmTabs = "高级选择夹1";
inline constexpr const char* kFilmSearchList = "超级列表框搜索电影";
inline constexpr const char* kNewestFilmList = "超级列表框高清影片";
inline constexpr const char* kFilmTitleLabel = "标签片名";
inline constexpr const char* kFilmRegionLabel = "标签地区";
inline constexpr const char* kFilmGenreLabel = "标签类型";
inline constexpr const char* kFilmDirectorLabel = "标签导演";
inline constexpr const char* kFilmWriterLabel = "标签编剧";
inline constexpr const char* kFilmCastLabel = "标签主演";
inline constexpr const char* kPosterBox = "图片框电影图片";
inline constexpr int kFilmListColumns = 4;

// Resource tab.
inline constexpr const char* kResourcePageBox = "编辑框_页数";
// The login-required notice on the resource tab (MAIN's own 外形框1).
inline constexpr const char* kLoginNotice = "外形框1";

// Word-list panel on the search page.
inline constexpr const char* kLibraryPanel = "外形框番号";
inline constexpr const char* kCodeLibraryList = "超级列表框词库";
inline constexpr const char* kKeywordLibraryList = "超级列表框关键词库";
inline constexpr int kLibraryColumns = 2;

// Message box titles: the search page's boxes have none of their own, the
// resource tab's use the half-width colon.
inline constexpr const char* kResourceNoticeTitle = "Lumo提示:";

}  // namespace lumo::sources
