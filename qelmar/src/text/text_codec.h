// The host's code pages and the conversions between them.
//
// Host code 1 is Mazovia, the code page of every text the host keeps; code 6
// is UTF-8; code 3 is the file system's code page: UTF-8 on Linux, CP1250 on
// Windows. A character that the target lacks becomes '?' (or, where asked,
// is dropped).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qelmar {

inline constexpr int32_t kCodeMazovia = 1;
inline constexpr int32_t kCodeFileSystem = 3;
inline constexpr int32_t kCodeUtf8 = 6;

// The concrete code page behind host code 3 on this platform (6 or 1250).
int32_t FileSystemCodePage();

// What becomes of a character that the target code page lacks.
enum MissingCharacter { kQuestionMarkForMissing, kDropMissing };

// Converts length bytes of source (stopping early at a zero byte) from one host
// code to another into destination: at most size - 1 bytes, never a partial
// multi-byte character, always terminated when size > 0. Returns the number
// of bytes written, or -1 for an unknown code (destination then empty).
int32_t ConvertText(const char* source, std::size_t length, int32_t from, int32_t to, char* destination,
                    std::size_t size, MissingCharacter missing = kQuestionMarkForMissing);

// Whole-string conversions for the host's own use.
std::string Convert(std::string_view text, int32_t from, int32_t to);
inline std::string MazoviaToUtf8(std::string_view text) { return Convert(text, kCodeMazovia, kCodeUtf8); }
inline std::string MazoviaToFileSystem(std::string_view text) { return Convert(text, kCodeMazovia, kCodeFileSystem); }
inline std::string FileSystemToMazovia(std::string_view text) { return Convert(text, kCodeFileSystem, kCodeMazovia); }

// UTF-8 to Mazovia for fixture texts; false (with the offending character
// named in error) when a character has no Mazovia code.
bool Utf8ToMazoviaStrict(std::string_view utf8, std::string& mazovia, std::string& error);

// A Mazovia text for the transcript: converted to UTF-8, with backslash,
// double quote, LF and TAB escaped as \\ \" \n \t and every other byte below
// 0x20 as \xNN, between double quotes.
std::string QuoteForTranscript(std::string_view mazovia);

}  // namespace qelmar
