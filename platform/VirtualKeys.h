#pragma once

// The virtual key codes of the game's key map, with the values the Windows
// key map gives them. Keys of the numeric keypad have their own codes while
// NumLock is on; with it off they are the arrow keys.
namespace tw::vk {

inline constexpr int Space = 0x20;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Numpad0 = 0x60;
inline constexpr int Numpad2 = 0x62;
inline constexpr int Numpad4 = 0x64;
inline constexpr int Numpad5 = 0x65;
inline constexpr int Numpad6 = 0x66;
inline constexpr int Numpad8 = 0x68;
inline constexpr int Numpad9 = 0x69;
inline constexpr int F1 = 0x70;
inline constexpr int F2 = 0x71;
inline constexpr int F3 = 0x72;

// Letters and digits are their upper-case ASCII codes.
constexpr int Letter(char upperCase) { return upperCase; }

} // namespace tw::vk
