#pragma once
// Registering file extensions in the class registry: which program opens a
// file type, its description, icon and menu verbs; reading such a
// registration back and removing it.
//
// Layout written for an extension E (".mp3") with type name T ("mp3file"):
//   \E                       default = T
//   \T                       default = description, "EditFlags" = 4 bytes LE
//   \T\DefaultIcon           default = icon ("<program>,0")
//   \T\shell                 default = default verb
//   \T\shell\<verb>          default = caption
//   \T\shell\<verb>\command  default = "<program>" <params>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RegistryStore;

// One menu verb of a file type.
class TExtCommand {
public:
  // Params equal to %1 becomes "%1" (quoted); params without %1 get " "%1""
  // appended, so the file name is always passed.
  TExtCommand(const std::string& Verb, const std::string& Caption, const std::string& Params);
  const std::string& Verb() const { return verb_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Params() const { return params_; }

private:
  std::string verb_, caption_, params_;
};

// The verbs of one file type, in order.
class TExtCommands {
public:
  TExtCommands() = default;
  TExtCommands(const TExtCommands&) = delete;
  TExtCommands& operator=(const TExtCommands&) = delete;

  // Appends a verb; -1 for none, otherwise its index.
  int Add(std::unique_ptr<TExtCommand> command);
  int Add(const std::string& Verb, const std::string& Caption);
  // Makes Verb the default verb when none is set yet.
  int Add(const std::string& Verb, const std::string& Caption, const std::string& Params);
  int GetCount() const { return static_cast<int>(commands_.size()); }
  // Null when index is out of range.
  TExtCommand* GetCommand(int index) const;
  void Clear() { commands_.clear(); }

  const std::string& DefaultVerb() const { return defaultVerb_; }
  void SetDefaultVerb(const std::string& verb) { defaultVerb_ = verb; }
  // Whether writing a type without verbs adds the "open" verb.
  bool AddDefaultOpen() const { return addDefaultOpen_; }
  void SetAddDefaultOpen(bool on) { addDefaultOpen_ = on; }

private:
  std::string defaultVerb_;
  bool addDefaultOpen_ = true;
  std::vector<std::unique_ptr<TExtCommand>> commands_;
};

// How one extension is (or is to be) registered.
class TExtInfo {
public:
  TExtInfo(const std::string& Ext, const std::string& Path, const std::string& Description, uint32_t EditFlags);
  TExtInfo(const TExtInfo&) = delete;
  TExtInfo& operator=(const TExtInfo&) = delete;

  std::string Ext() const { return ext_; }
  // Registering: the program's full path. Read back: the whole open command line.
  std::string Path() const { return path_; }
  std::string Description() const { return description_; }
  std::string Icon() const { return icon_; }
  uint32_t EditFlags() const { return editFlags_; }
  TExtCommands& Commands() { return commands_; }
  const TExtCommands& Commands() const { return commands_; }

  // Also makes the description "<ext without dot> File" while it is empty.
  void SetExt(const std::string& value);
  // Also makes the icon "<path>,0" while it is empty.
  void SetPath(const std::string& value);
  void SetDescription(const std::string& value) { description_ = value; }
  void SetIcon(const std::string& value) { icon_ = value; }
  void SetEditFlags(uint32_t value) { editFlags_ = value; }

private:
  std::string ext_, path_, description_, icon_;
  uint32_t editFlags_ = 0;
  TExtCommands commands_;
};

// The command line registered for opening a file with the program at
// programPath: the quoted path, a blank and "%1" in quotes.
std::string AssociationCommandLine(const std::string& programPath);

// Registers, reads back and removes extensions in a class registry. Key
// names are relative to the registry's root with a leading "\", as in
// "\mp3file\shell". No operation throws: failures are false or empty results.
class TRegExtension {
public:
  explicit TRegExtension(RegistryStore& root);
  ~TRegExtension();
  TRegExtension(const TRegExtension&) = delete;
  TRegExtension& operator=(const TRegExtension&) = delete;

  // The records Register writes. -1 for none, otherwise the record's index.
  int Add(std::unique_ptr<TExtInfo> info);
  // Description "<ext without dot> File".
  int Add(const std::string& Ext, const std::string& Path);
  int Add(const std::string& Ext, const std::string& Path, const std::string& Description);
  int Add(const std::string& Ext, const std::string& Path, const std::string& Description, uint32_t EditFlags);
  void Clear();
  int GetCount() const { return static_cast<int>(extensions_.size()); }
  // Null when index is out of range.
  TExtInfo* GetExt(int index) const;

  // Writes one type's keys; false (and nothing written) without an
  // extension or path, false as soon as a write fails.
  bool CreateExtension(TExtInfo* info);
  // Writes every record in order, stopping at the first failure; the result
  // of the last one written (false for none, or when saving failed).
  bool Register();
  // Deletes the extension's key and its type's key; false when it was not
  // registered or a deletion failed.
  bool Unregister(const std::string& Ext);
  bool IsRegistered(const std::string& Ext);
  // The registration read back; null when not registered or without a type.
  std::unique_ptr<TExtInfo> GetExtInfo(const std::string& Ext);
  // Every extension key under the root (names starting with "." and longer
  // than the dot), sorted without regard to case.
  const std::vector<std::string>& GetRegExts();

  // Deletes a key with all its subkeys; false when it does not exist.
  bool DeleteKey(const std::string& Key);
  void GetSubkeys(const std::string& Key, std::vector<std::string>& list);
  // Empty when the key or value is missing.
  std::string ReadValue(const std::string& Key, const std::string& Name);
  bool WriteValue(const std::string& Key, const std::string& Name, const std::string& Value);
  // Reads up to Size bytes of a byte value; false when it is missing or larger.
  bool ReadBinary(const std::string& Key, const std::string& Name, int Size, void* Buffer);
  bool WriteBinary(const std::string& Key, const std::string& Name, int Size, const void* Buffer);

  // Called after every Register and Unregister, whatever their result: the
  // desktop is told that file associations may have changed.
  void SetAssocChangedHandler(std::function<void()> handler) { onAssocChanged_ = std::move(handler); }

private:
  bool DeleteTree(const std::string& key);
  void AssocChanged();

  RegistryStore& registry_;
  std::vector<std::unique_ptr<TExtInfo>> extensions_;
  std::vector<std::string> registeredExts_;
  bool registeredExtsStale_ = true;
  std::function<void()> onAssocChanged_;
};
