#pragma once
// INI profile files: the reading and writing rules of the classic profile
// functions (GetPrivateProfileString / WritePrivateProfileString), on plain files.
//
// - Section and key names match without regard to ASCII letter case, and blanks
//   around them ("[ Other ]", " Mode = 1") do not count.
// - Reading removes the blanks around a value and then one pair of matching
//   quotes (' or ") around it, and returns at most bufferSize - 1 characters.
// - Writing keeps every other line byte for byte (comments, unknown sections and
//   keys, their line ends); an existing key (the first match) gets its new value
//   in place, a missing key goes after the last key of its section, a missing
//   section at the end of the file. Lines that we write end in CR LF; files with
//   LF or CR line ends read fine.
// - A file is replaced atomically (files/AtomicFile.h): the new text goes to a
//   temporary file in the same folder, is flushed to disk and renamed over the
//   old one. A crash before the rename leaves the old file whole, and the next
//   save removes the temporary file it left. A target that is not a regular
//   file is never replaced; reading takes regular files of at most 16 MB.
//
// IniProfile holds one file in memory so that several keys can be read or
// written with one load and one write to disk.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class IniProfile {
public:
  IniProfile() = default;

  // Loads the file. A missing file gives an empty profile (and true); a file
  // that exists but cannot be read (a folder, no permission) gives false, and
  // a later Flush() refuses to overwrite it.
  bool Load(const std::string& path);
  // Parses text as the content of the file at path (no disk access).
  void LoadFromText(const std::string& path, const std::string& text);

  const std::string& Path() const { return path_; }

  // The value of key in section; def when either is missing. At most
  // bufferSize - 1 characters are returned (nothing when bufferSize is 0).
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def,
                         std::size_t bufferSize = 2048) const;
  bool HasKey(const std::string& section, const std::string& key) const;

  // Sets key in section in memory. False when the names cannot be stored in
  // an INI file (empty, or holding a line break, "]" in a section name, "=" in
  // a key name, a key starting with "[", ";" or "#"). A value is cut at its
  // first line break; a value that would lose its outer blanks or quotes on
  // reading is written inside double quotes so that it reads back unchanged.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);

  // Writes the profile to its file when it changed (or the file is missing).
  // False when the write is refused; the file on disk is then unchanged.
  bool Flush();
  bool Dirty() const { return dirty_; }

  // The file's text as Flush() writes it.
  std::string Text() const;

  // Tests only: called after the temporary file is complete and before it is
  // renamed over the profile file (lets a test stop the process right there).
  using BeforeRenameHook = void (*)(const std::string& tempPath);
  static void SetBeforeRenameHook(BeforeRenameHook hook);

private:
  enum class Eol : unsigned char { None, CrLf, Lf, Cr };
  enum class Kind : unsigned char { Other, Header, Key };
  struct Line {
    std::string text; // without its line end
    Eol eol = Eol::CrLf;
    Kind kind = Kind::Other;
    std::size_t eq = 0; // Kind::Key: offset of the "="
  };
  struct Section {
    Line header;            // unused for the lines before the first section
    std::vector<Line> body; // the lines after the header
    // lower-case key -> index in body of its first line
    std::unordered_map<std::string, std::size_t> keys;
    std::size_t insertAt = 0; // after the last key line (new keys go here)
  };

  static void Classify(Line& line, std::size_t from);
  const Line* FindKey(const std::string& lowSection, const std::string& lowKey) const;
  Line* FindKey(const std::string& lowSection, const std::string& lowKey);
  void AddLine(std::string text, Eol eol, bool firstOfFile);
  void Clear();

  std::string path_;
  std::vector<Section> sections_; // sections_[0]: the lines before the first header
  std::unordered_map<std::string, std::vector<std::size_t>> byName_; // lower-case name -> sections
  bool existed_ = false;
  bool loadFailed_ = false;
  bool dirty_ = false;
};

// One-call forms that load the file each time (prefer an IniProfile object for
// several keys).
std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
                                    std::size_t bufferSize, const std::string& path);
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path);
