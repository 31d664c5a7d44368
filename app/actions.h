// What a listener can do from anywhere: the actions every way in (the window's Skip button, the
// commands sent to the running program) calls on the window.
#pragma once

#include <optional>
#include <string_view>

enum class TControlAction { kSkip, kPause, kResume, kPlayPause, kRepeat, kMute };

// The action a command or the media controls name ("skip", "pause", "resume", "repeat", "mute",
// "playpause"); none for another.
std::optional<TControlAction> ControlActionNamed(std::string_view name);
