#pragma once
// The class registry in which the program records its file associations.
//
// Keys form a tree under one root. A key is named by its path relative to the
// root, components separated by "\" and an optional leading "\" (so
// "\mp3file\shell" and "mp3file\shell" name the same key; "" and "\" name the
// root). Key and value names match without regard to letter case (ASCII), and a
// key keeps the spelling it was created with. Each key holds named values; the
// unnamed ("default") value has the empty name. A value is a text or a block
// of bytes.
//
// Creating a key creates its missing parents. DeleteKey removes only a key that
// has no subkeys; callers that want a whole branch gone delete from the leaves.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class RegistryStore {
public:
  virtual ~RegistryStore() = default;

  // Whether the key exists (opening it without creating it).
  virtual bool KeyExists(const std::string& key) const = 0;
  // Opens the key, creating it and its parents when missing.
  virtual bool CreateKey(const std::string& key) = 0;

  // A text value; false when the key or value is missing or the value holds bytes.
  virtual bool ReadString(const std::string& key, const std::string& name, std::string& value) const = 0;
  // Creates the key when missing.
  virtual bool WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
  // A byte value; false when the key or value is missing or the value is a text.
  virtual bool ReadBinary(const std::string& key, const std::string& name, std::string& bytes) const = 0;
  virtual bool WriteBinary(const std::string& key, const std::string& name, const void* data, size_t size) = 0;

  // Clears names, then fills it with the key's direct subkeys, sorted without
  // regard to case. False when the key does not exist.
  virtual bool GetSubkeys(const std::string& key, std::vector<std::string>& names) const = 0;
  // Deletes a key that has no subkeys (never the root).
  virtual bool DeleteKey(const std::string& key) = 0;

  // Groups several changes into one save. Calls nest; changes are kept when
  // the outermost EndUpdate runs, and its result tells whether they were.
  virtual void BeginUpdate() {}
  virtual bool EndUpdate() { return true; }

  // What went wrong in the last failing change (empty when nothing did).
  virtual std::string LastError() const { return {}; }
};

// The whole tree held in memory. Also the base of the file-backed store.
class MemoryRegistryStore : public RegistryStore {
public:
  MemoryRegistryStore();
  ~MemoryRegistryStore() override;
  MemoryRegistryStore(const MemoryRegistryStore&) = delete;
  MemoryRegistryStore& operator=(const MemoryRegistryStore&) = delete;

  bool KeyExists(const std::string& key) const override;
  bool CreateKey(const std::string& key) override;
  bool ReadString(const std::string& key, const std::string& name, std::string& value) const override;
  bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;
  bool ReadBinary(const std::string& key, const std::string& name, std::string& bytes) const override;
  bool WriteBinary(const std::string& key, const std::string& name, const void* data, size_t size) override;
  bool GetSubkeys(const std::string& key, std::vector<std::string>& names) const override;
  bool DeleteKey(const std::string& key) override;
  void BeginUpdate() override;
  bool EndUpdate() override;
  std::string LastError() const override { return error_; }

  // The text form of the tree (the contents of a classes.reg file).
  std::string ToText() const;
  // Replaces the tree by the one the text describes. On a damaged text the
  // tree is left empty, false is returned and error tells the line and fault.
  bool FromText(const std::string& text, std::string* error);
  // Removes every key.
  void ClearAll();

  // Limits that keep every tree walk shallow and every name sane.
  static constexpr size_t kMaxDepth = 512;
  static constexpr size_t kMaxKeyNameLength = 255;
  static constexpr size_t kMaxValueNameLength = 16383;

  struct Value {
    std::string name;
    bool binary = false;
    std::string data;
  };
  struct Key {
    std::string name;
    std::map<std::string, std::unique_ptr<Key>> subkeys; // by lower-case name
    std::map<std::string, Value> values;                 // by lower-case name
  };

protected:
  // Hooks for a store that keeps the tree somewhere. MayChange runs before
  // each change (false refuses it; error_ says why); Save runs after a change
  // outside an update group, or at the end of the group.
  virtual bool MayChange() { return true; }
  virtual bool Save() { return true; }
  // Runs when an outermost update group starts.
  virtual void UpdateStarting() {}

  std::string error_;

private:
  bool Changed();
  Key* Find(const std::string& key) const;
  Key* FindOrCreate(const std::string& key, bool& created);
  bool WriteValue(const std::string& key, const std::string& name, bool binary, std::string data);

  std::unique_ptr<Key> root_;
  int updateDepth_ = 0;
  bool dirty_ = false;
};

// The user's registry, kept in a text file. The file is read once when the
// store is made (and again when it was replaced on disk before a change), and
// rewritten as a whole after each change: into a temporary file in the same
// folder, then renamed over the old one, so it is never left half written.
// A missing file is an empty registry. A damaged or unreadable file also reads
// as an empty registry, but every change is then refused (LastError says why),
// so the file is never overwritten with less than it held.
class FileRegistryStore : public MemoryRegistryStore {
public:
  explicit FileRegistryStore(std::string path);

  // $XDG_DATA_HOME/velmaris/classes.reg (default ~/.local/share/velmaris/classes.reg).
  static std::string DefaultPath();

  const std::string& Path() const { return path_; }
  // Why the file could not be used (empty when it could).
  const std::string& LoadError() const { return loadError_; }
  // Reads the file again when it changed on disk since it was read or written.
  void Refresh();

  // Largest file accepted (a few hundred associations take a few kilobytes).
  static constexpr size_t kMaxFileSize = 1024u * 1024u;

protected:
  bool MayChange() override;
  bool Save() override;
  void UpdateStarting() override;

private:
  struct Stamp {
    bool exists = false;
    uint64_t dev = 0, ino = 0, size = 0;
    int64_t mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const Stamp&) const = default;
  };
  void Load();
  Stamp CurrentStamp() const;

  std::string path_;
  std::string loadError_;
  Stamp stamp_;
};

// Files::WriteFileAtomically (files/AtomicFile.h) that also creates missing
// folders: all-or-nothing, refuses a target that is not a regular file, keeps
// the mode of an existing file and writes through a symbolic link to its
// target. False and error set when it fails (the old file is then untouched).
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error);
