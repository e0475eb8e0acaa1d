#pragma once
// The configuration keys the player reads and writes through the data store.

namespace ConfigKeys {
inline constexpr const char* kWndSize = "wndsize";
inline constexpr const char* kLoop = "loop";
inline constexpr const char* kMute = "mute";
inline constexpr const char* kVolume = "volume";
inline constexpr const char* kLastPlayFile = "lastplayfile";
inline constexpr const char* kEnTransparent = "entransparent";
inline constexpr const char* kTransparent = "transparent";
inline constexpr const char* kAutoPlay = "autoplay";
inline constexpr const char* kSkin = "skin";
// The chosen sound effect, 0 .. 5; kept across songs and restarts.
inline constexpr const char* kSoundEffect = "soundeffect";
}  // namespace ConfigKeys
