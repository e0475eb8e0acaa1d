#pragma once
// The product's web site: every address is "http://" + kHost + path (tray menu, about page,
// version check).

namespace WebSite {
inline constexpr char kHost[] = "www.orvoplayer.example";
}  // namespace WebSite
