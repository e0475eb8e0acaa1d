#pragma once
// The key that marks the running player: it names the per-user lock and local socket, and the
// main window carries a dynamic property of this name with the value 1.

namespace OrvoInstance {
inline constexpr char kInstanceKey[] = "BA77185C-A5D5-406c-86FC-0974C8BA9337";
// Text every title of the main window contains.
inline constexpr char kWindowTitle[] = "欧沃播放器";
}  // namespace OrvoInstance
