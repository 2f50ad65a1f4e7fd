// Status tips and calls out to the desktop: the file manager, the text editor, the browser.
#pragma once

#include <QString>

namespace tavu {

// A tip longer than 240 characters is cut to its first 230 followed by "..." (characters, not
// UTF-16 units).
QString ShortenTip(const QString& text);

// The desktop's handlers; every failure is silent.
void OpenFolder(const QString& folder);      // the default file manager
void OpenTextFile(const QString& file);      // the default text editor
void OpenWebPage(const QString& address);    // the default browser

// The status line's welcome tip (it leads to the home page when clicked).
inline constexpr const char* kTipWelcome = "【提示】如果您觉得本软件功能太少,点击这里下载功能更强大的免费图片批处理软件。";

// The maker's pages.
inline constexpr const char* kHomePage = "https://tavuzip.example.cn/";
inline constexpr const char* kForumPage = "https://bbs.tavuzip.example.cn/";
inline constexpr const char* kMaterialsPage = "https://bbs.tavuzip.example.cn/thread-117-1-1.html";

}  // namespace tavu
