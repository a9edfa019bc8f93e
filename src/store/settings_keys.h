#pragma once

#include <string_view>

namespace lumo::store {

// Sections and keys of config.ini and lumojl.ini.
inline constexpr std::string_view kConfigSection = "配置";
inline constexpr std::string_view kVolumeKey = "音量";
inline constexpr std::string_view kAccountKey = "帐号";
inline constexpr std::string_view kPasswordKey = "密码";
inline constexpr std::string_view kFavouritesSection = "收藏";
inline constexpr std::string_view kHistorySection = "播放记录";

inline constexpr std::string_view kMagnetPrefix = "magnet:?xt=urn:btih:";

}  // namespace lumo::store
