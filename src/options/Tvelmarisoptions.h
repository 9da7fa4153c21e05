#pragma once
// The settings record of the main window and its INI file "VelmarisOpts.ini".

#include <cstdint>
#include <string>

struct TVelmarisOptions {
  std::string LastSkinFile, LastListFile, LastSoundFile; int32_t LastSoundPos = 0;
  int32_t Top = 0, Left = 0; bool Minimized = false; std::string MusicDir, SkinDir; bool ShuffleIsOn = false;
  int32_t PlayListIndex = 0; bool Transparent = false; int8_t Mode = 1, PlayListMode = 0;
  bool MinimizeToTray = false, QuickFind = true; std::string DispNormal, DispMini, DispTask;
  // [Tags] ReadAllVersions: tag texts also from ID3v2.2 and ID3v2.4 tags
  // (KID3Lib::TagReading::AllVersions). Off: the classic reading. The key is
  // written once it is on (or already in the file), so a file that never had
  // it keeps its classic layout.
  bool ReadAllTagVersions = false;
  // [Formats] PlayAllFormats: FLAC, Ogg Vorbis, Opus and WAV files are songs
  // too (added, dropped, opened, read from playlists). Written like the key
  // above: once it is on, or when the file already has it.
  bool PlayAllFormats = false;

  bool operator==(const TVelmarisOptions&) const = default;
};

// Fills every field from the file; a missing file, key or unparsable number
// gives the field's default. Never fails.
void ReadOptions(TVelmarisOptions& options, const std::string& path);
// False when the file exists but cannot be read (a folder, over the size
// limit, no permission): ReadOptions then gives the defaults, and writing
// over the file would lose what it holds.
bool OptionsFileReadable(const std::string& path);
// Writes every field; creates the file and its sections when missing.
void WriteOptions(const TVelmarisOptions& options, const std::string& path); // throws std::runtime_error("Unable to write to <path>")

// The integer form of the settings file: optional sign and decimal digits;
// "0x"/"0X" followed by hexadecimal digits (at least three characters in all);
// "$" followed by hexadecimal digits. Hexadecimal values are 32-bit patterns
// (0xFFFFFFFF is -1). Anything else, and any number outside 32 bits, gives def.
int32_t IniTextToInt(const std::string& text, int32_t def);
