#pragma once

namespace qm::prefkeys {

// Every key the panels keep between runs, in the section "Settings" of their application.
inline constexpr auto Section = "Settings";
inline constexpr auto FormTop = "FormTop";
inline constexpr auto FormLeft = "FormLeft";
inline constexpr auto ChannelSelection = "ChannelSelection";
inline constexpr auto SettingSelection = "SettingSelection";
inline constexpr auto Comport = "Comport";
inline constexpr auto UpdateImmediately = "UpdateImmediately";
inline constexpr auto SetupFolder = "SetupFolder";

// Linux only: the section that maps "COM1".."COM16" to device paths.
inline constexpr auto PortsSection = "Ports";
inline constexpr auto PortKeyPrefix = "COM";

inline constexpr auto Organization = "qm-control-panel";

} // namespace qm::prefkeys
