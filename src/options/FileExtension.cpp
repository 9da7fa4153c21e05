#include "options/FileExtension.h"

#include "platform/RegistryStore.h"

#include <algorithm>
#include <cstring>

namespace {

std::string WithDot(const std::string& ext) { return !ext.empty() && ext[0] == '.' ? ext : "." + ext; }

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return static_cast<unsigned char>(low(x)) < static_cast<unsigned char>(low(y));
  });
}

// Groups the writes of one operation into a single save of the registry.
class UpdateGroup {
public:
  explicit UpdateGroup(RegistryStore& store) : store_(store) { store_.BeginUpdate(); }
  ~UpdateGroup() {
    if (!ended_) store_.EndUpdate();
  }
  bool End() {
    ended_ = true;
    return store_.EndUpdate();
  }

private:
  RegistryStore& store_;
  bool ended_ = false;
};

} // namespace

// ---------------------------------------------------------------------------

TExtCommand::TExtCommand(const std::string& Verb, const std::string& Caption, const std::string& Params)
    : verb_(Verb), caption_(Caption), params_(Params == "%1" ? "\"%1\"" : Params) {
  if (params_.find("%1") == std::string::npos) params_ += " \"%1\"";
}

int TExtCommands::Add(std::unique_ptr<TExtCommand> command) {
  if (!command) return -1;
  commands_.push_back(std::move(command));
  return static_cast<int>(commands_.size()) - 1;
}

int TExtCommands::Add(const std::string& Verb, const std::string& Caption) { return Add(Verb, Caption, "%1"); }

int TExtCommands::Add(const std::string& Verb, const std::string& Caption, const std::string& Params) {
  if (defaultVerb_.empty()) defaultVerb_ = Verb;
  return Add(std::make_unique<TExtCommand>(Verb, Caption, Params));
}

TExtCommand* TExtCommands::GetCommand(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return commands_[static_cast<size_t>(index)].get();
}

// ---------------------------------------------------------------------------

TExtInfo::TExtInfo(const std::string& Ext, const std::string& Path, const std::string& Description, uint32_t EditFlags)
    : description_(Description), editFlags_(EditFlags) {
  SetExt(Ext);
  SetPath(Path);
}

void TExtInfo::SetExt(const std::string& value) {
  ext_ = value;
  if (description_.empty()) {
    description_ = (!value.empty() && value[0] == '.' ? value.substr(1) : value) + " File";
  }
}

void TExtInfo::SetPath(const std::string& value) {
  path_ = value;
  if (icon_.empty() && !value.empty()) icon_ = value + ",0";
}

std::string AssociationCommandLine(const std::string& programPath) { return "\"" + programPath + "\" \"%1\""; }

// ---------------------------------------------------------------------------

TRegExtension::TRegExtension(RegistryStore& root) : registry_(root) {}

TRegExtension::~TRegExtension() { Clear(); }

int TRegExtension::Add(std::unique_ptr<TExtInfo> info) {
  if (!info) return -1;
  extensions_.push_back(std::move(info));
  return static_cast<int>(extensions_.size()) - 1;
}

int TRegExtension::Add(const std::string& Ext, const std::string& Path) {
  std::string description = (!Ext.empty() && Ext[0] == '.' ? Ext.substr(1) : Ext) + " File";
  return Add(Ext, Path, description, 0);
}

int TRegExtension::Add(const std::string& Ext, const std::string& Path, const std::string& Description) {
  return Add(Ext, Path, Description, 0);
}

int TRegExtension::Add(const std::string& Ext, const std::string& Path, const std::string& Description,
                       uint32_t EditFlags) {
  return Add(std::make_unique<TExtInfo>(Ext, Path, Description, EditFlags));
}

void TRegExtension::Clear() { extensions_.clear(); }

TExtInfo* TRegExtension::GetExt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return extensions_[static_cast<size_t>(index)].get();
}

bool TRegExtension::CreateExtension(TExtInfo* info) {
  if (!info || info->Ext().empty() || info->Path().empty()) return false;
  // An extension given without its dot still names the ".ext" key; a lone
  // dot or a name with a key separator is no extension.
  const std::string ext = WithDot(info->Ext());
  if (ext.size() < 2 || ext.find('\\') != std::string::npos) return false;
  const std::string type = ext.substr(1) + "file";
  const std::string typeKey = "\\" + type;

  UpdateGroup group(registry_);
  if (!WriteValue("\\" + ext, "", type)) return false;
  if (!WriteValue(typeKey, "", info->Description())) return false;
  const uint32_t flags = info->EditFlags();
  const unsigned char bytes[4] = {static_cast<unsigned char>(flags), static_cast<unsigned char>(flags >> 8),
                                  static_cast<unsigned char>(flags >> 16), static_cast<unsigned char>(flags >> 24)};
  if (!WriteBinary(typeKey, "EditFlags", 4, bytes)) return false;
  if (!WriteValue(typeKey + "\\DefaultIcon", "", info->Icon())) return false;

  TExtCommands& commands = info->Commands();
  if (commands.GetCount() == 0 && commands.AddDefaultOpen()) commands.Add("open", "&Open", "\"%1\"");
  const std::string shellKey = typeKey + "\\shell";
  for (int i = 0; i < commands.GetCount(); ++i) {
    const TExtCommand* command = commands.GetCommand(i);
    // A failing verb is skipped; the others are still written.
    if (!WriteValue(shellKey, "", commands.DefaultVerb())) continue;
    const std::string verbKey = shellKey + "\\" + command->Verb();
    if (!WriteValue(verbKey, "", command->Caption())) continue;
    WriteValue(verbKey + "\\command", "", "\"" + info->Path() + "\" " + command->Params());
  }
  return group.End();
}

bool TRegExtension::Register() {
  bool result = false;
  {
    UpdateGroup group(registry_);
    for (const auto& info : extensions_) {
      result = CreateExtension(info.get());
      if (!result) break;
    }
    if (!group.End()) result = false;
  }
  AssocChanged();
  return result;
}

bool TRegExtension::Unregister(const std::string& Ext) {
  const std::string ext = WithDot(Ext);
  bool result = false;
  {
    UpdateGroup group(registry_);
    if (IsRegistered(ext)) {
      const std::string type = ReadValue("\\" + ext, "");
      result = DeleteTree("\\" + ext);
      // A type name is one key directly under the root; anything else
      // (a path into another branch) is not followed.
      if (!type.empty() && type.find('\\') == std::string::npos) result = DeleteTree("\\" + type);
    }
    if (!group.End()) result = false;
  }
  AssocChanged();
  return result;
}

bool TRegExtension::IsRegistered(const std::string& Ext) { return registry_.KeyExists("\\" + WithDot(Ext)); }

std::unique_ptr<TExtInfo> TRegExtension::GetExtInfo(const std::string& Ext) {
  const std::string ext = WithDot(Ext);
  if (!IsRegistered(ext)) return nullptr;
  const std::string type = ReadValue("\\" + ext, "");
  if (type.empty()) return nullptr;
  const std::string typeKey = "\\" + type;

  unsigned char bytes[4] = {0, 0, 0, 0};
  ReadBinary(typeKey, "EditFlags", 4, bytes);
  const uint32_t flags = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  const std::string description = ReadValue(typeKey, "");
  const std::string commandLine = ReadValue(typeKey + "\\shell\\open\\command", "");

  auto info = std::make_unique<TExtInfo>(ext, commandLine, description, flags);
  info->SetIcon(ReadValue(typeKey + "\\DefaultIcon", ""));
  info->Commands().SetDefaultVerb(ReadValue(typeKey + "\\shell", ""));

  std::vector<std::string> verbs;
  GetSubkeys(typeKey + "\\shell", verbs);
  for (const std::string& verb : verbs) {
    const std::string verbKey = typeKey + "\\shell\\" + verb;
    info->Commands().Add(verb, ReadValue(verbKey, ""), ReadValue(verbKey + "\\command", ""));
  }
  return info;
}

const std::vector<std::string>& TRegExtension::GetRegExts() {
  if (registeredExtsStale_) {
    registeredExts_.clear();
    std::vector<std::string> names;
    registry_.GetSubkeys("\\", names);
    for (std::string& name : names) {
      if (name.size() > 1 && name[0] == '.') registeredExts_.push_back(std::move(name));
    }
    std::sort(registeredExts_.begin(), registeredExts_.end(), LessNoCase);
    registeredExtsStale_ = false;
  }
  return registeredExts_;
}

bool TRegExtension::DeleteKey(const std::string& Key) {
  UpdateGroup group(registry_);
  bool result = DeleteTree(Key);
  return group.End() && result;
}

bool TRegExtension::DeleteTree(const std::string& key) {
  // Never the root: that would empty the whole registry.
  if (key.empty() || key == "\\" || !registry_.KeyExists(key)) return false;
  std::vector<std::string> subkeys;
  registry_.GetSubkeys(key, subkeys);
  for (const std::string& sub : subkeys) {
    if (!DeleteTree(key + "\\" + sub)) return false;
  }
  return registry_.DeleteKey(key);
}

void TRegExtension::GetSubkeys(const std::string& Key, std::vector<std::string>& list) {
  list.clear();
  if (Key.empty()) return;
  registry_.GetSubkeys(Key, list);
}

std::string TRegExtension::ReadValue(const std::string& Key, const std::string& Name) {
  std::string value;
  if (!registry_.ReadString(Key, Name, value)) return {};
  return value;
}

bool TRegExtension::WriteValue(const std::string& Key, const std::string& Name, const std::string& Value) {
  return registry_.WriteString(Key, Name, Value);
}

bool TRegExtension::ReadBinary(const std::string& Key, const std::string& Name, int Size, void* Buffer) {
  if (Size < 0 || (Size > 0 && !Buffer)) return false;
  std::string bytes;
  if (!registry_.ReadBinary(Key, Name, bytes)) return false;
  if (bytes.size() > static_cast<size_t>(Size)) return false;
  if (!bytes.empty()) std::memcpy(Buffer, bytes.data(), bytes.size());
  return true;
}

bool TRegExtension::WriteBinary(const std::string& Key, const std::string& Name, int Size, const void* Buffer) {
  if (Size < 0 || (Size > 0 && !Buffer)) return false;
  return registry_.WriteBinary(Key, Name, Buffer, static_cast<size_t>(Size));
}

void TRegExtension::AssocChanged() {
  registeredExtsStale_ = true;
  if (!onAssocChanged_) return;
  try {
    onAssocChanged_();
  } catch (...) {
    // The desktop update is a courtesy; the registry itself is already saved.
  }
}
