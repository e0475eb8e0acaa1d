#pragma once
// The product's web site: every address is "http://" + kHost + path (tray menu, about page,
// version check). The about page's contact line names the mail address and QQ number.

namespace WebSite {
inline constexpr char kHost[] = "www.orvoplayer.example";
inline constexpr char kContactMail[] = "orvo@orvo.example";
inline constexpr char kContactQQ[] = "80012345";
}  // namespace WebSite
