#pragma once
// The ID3v2 tag at the start of an MP3 file: seven text frames of an ID3v2.3
// tag are read; a minimal ID3v2.3 tag can be written or the tag removed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagfile { class Source; }

class TID3v2 {
public:
  static constexpr size_t HeaderSize = 10;  // tag header and frame header alike
  static constexpr size_t FrameTextSize = 250; // bytes kept of one frame's data

  TID3v2();
  void ResetData();
  // True when the file's first 10 bytes could be read, tag or not.
  bool ReadFromFile(const std::string& FileName);
  // Rewrites the file without its ID3v2 tag. False when it has none.
  bool RemoveFromFile(const std::string& FileName);
  // Rewrites the file with a new ID3v2.3 tag made from this object's fields
  // in place of the old one.
  bool SaveToFile(const std::string& FileName);
  void FSetTitle(const std::string&); void FSetArtist(const std::string&);
  void FSetAlbum(const std::string&); void FSetYear(const std::string&);
  void FSetGenre(const std::string&); void FSetComment(const std::string&);
  void FSetTrack(uint8_t);
  bool HasTag() const; uint8_t MajorVersion() const; int32_t TagSize() const;
  std::string Title() const; std::string Artist() const; std::string Album() const;
  uint8_t Track() const; std::string Year() const; std::string Genre() const;
  std::string Comment() const;

  // Reads the tag through a descriptor that is already open (fileSize bytes
  // long). Same result as ReadFromFile; the descriptor stays open.
  bool ReadFromDescriptor(int fd, int64_t fileSize);
  // Reads the tag from a whole file held in memory.
  bool ReadFromBuffer(const uint8_t* data, size_t size);
  // The tag bytes SaveToFile writes for the current fields; empty when the
  // texts are too long for an ID3v2 size field.
  std::string MakeTag() const;

  // Helpers of the frame rules, public for tests.
  // Track number from a "TRCK" text such as "7/12" (0 when not a number).
  static uint8_t ParseTrack(const std::string& text);
  // Genre from a "TCON" text: everything up to the last ")" is dropped.
  static std::string ParseGenre(const std::string& text);

private:
  friend struct TagTexts; // the tag summary reads the texts without copies
  bool ReadFrom(tagfile::Source& src);
  static bool Rewrite(const std::string& FileName, const std::string* newTag);

  bool hasTag_;
  uint8_t majorVersion_;
  int32_t tagSize_;
  std::string title_;
  std::string artist_;
  std::string album_;
  uint8_t track_;
  std::string year_;
  std::string genre_;
  std::string comment_;
};
