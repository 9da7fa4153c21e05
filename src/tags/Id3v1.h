#pragma once
// The 128-byte ID3v1 / ID3v1.1 tag at the end of an MP3 file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Genre names by ID3v1 genre number (0 to 147).
extern const std::array<std::string, 148> MusicGenre;

class TID3v1 {
public:
  static constexpr size_t BlockSize = 128; // the tag as it lies in the file

  TID3v1();
  void ResetData();
  // True when the file's last 128 bytes could be read, tag or not.
  bool ReadFromFile(const std::string& FileName);
  // Cuts an ID3v1 tag off the end of the file; true also when there is none.
  bool RemoveFromFile(const std::string& FileName);
  // Replaces (or adds) the file's ID3v1 tag with this object's fields.
  bool SaveToFile(const std::string& FileName);
  std::string FGetGenre() const;
  void FSetTitle(const std::string&);  void FSetArtist(const std::string&);
  void FSetAlbum(const std::string&);  void FSetYear(const std::string&);
  void FSetComment(const std::string&); void FSetTrack(uint8_t); void FSetGenreID(uint8_t);
  // read access, one per field of the data model:
  bool HasTag() const; uint8_t VersionCode() const;
  std::string Title() const; std::string Artist() const; std::string Album() const;
  std::string Year() const; std::string Comment() const;
  uint8_t Track() const; uint8_t GenreID() const;

  // Reads the tag through a descriptor that is already open (fileSize bytes
  // long). Same result as ReadFromFile; the descriptor stays open.
  bool ReadFromDescriptor(int fd, int64_t fileSize);
  // Reads the tag from a whole file held in memory.
  bool ReadFromBuffer(const uint8_t* data, size_t size);
  // Takes the fields from a block of exactly BlockSize bytes.
  void ReadFromBlock(const uint8_t* block);
  // The block SaveToFile writes for the current fields.
  std::array<uint8_t, BlockSize> MakeBlock() const;

private:
  // Rewrites the file all-or-nothing without its block, plus newBlock when given.
  static bool Rewrite(const std::string& FileName, const uint8_t* newBlock);
  friend struct TagTexts; // the tag summary reads the texts without copies
  bool hasTag_;
  uint8_t versionCode_;
  std::string title_;   // at most 30 bytes
  std::string artist_;  // at most 30 bytes
  std::string album_;   // at most 30 bytes
  std::string year_;    // at most 4 bytes
  std::string comment_; // at most 30 bytes
  uint8_t track_;
  uint8_t genreID_;
};
