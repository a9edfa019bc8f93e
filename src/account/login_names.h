#pragma once

namespace lumo::account {

// Controls of the login window. Its loading panel shares a name with the
// search page's, so that one carries the window's code in front.
inline constexpr const char* kAccountBox = "编辑框_账号";
inline constexpr const char* kPasswordBox = "编辑框_密码";
inline constexpr const char* kRememberBox = "选择框1";
inline constexpr const char* kLoginButton = "超级按钮_登录";
inline constexpr const char* kLoginTip = "透明标签提示";
inline constexpr const char* kLoginLoading = "LOGIN.外形框加载中";

// Controls of the main window the login changes.
inline constexpr const char* kMainLoginButton = "超级按钮登录";
inline constexpr const char* kProfileBrowser = "互联网浏览器个人中心";
inline constexpr const char* kLibraryTabs = "高级选择夹";
inline constexpr int kProfilePage = 5;

// Captions and message texts.
inline constexpr const char* kLoginTitle = "Lumo提示:";
inline constexpr const char* kLoginCaption = "登录";
inline constexpr const char* kRetryCaption = "重新登录";
inline constexpr const char* kLoggedOutCaption = "用户登录";

}  // namespace lumo::account
