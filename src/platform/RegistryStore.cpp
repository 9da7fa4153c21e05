#include "platform/RegistryStore.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>

#include "files/AtomicFile.h"
#include "files/SafeRead.h"

namespace {

const char kSignature[] = "Velmaris Registry 1";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool ValidKeyName(std::string_view name) {
  if (name.empty() || name.size() > MemoryRegistryStore::kMaxKeyNameLength) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// Splits a key path into its components. An optional leading "\" is skipped;
// "" and "\" give no components (the root). Empty components, names the file
// form could not hold and paths deeper than the limit are refused.
bool SplitKey(std::string_view key, std::vector<std::string_view>& parts) {
  parts.clear();
  if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  if (key.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t end = key.find('\\', start);
    std::string_view part = key.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!ValidKeyName(part)) return false;
    if (parts.size() >= MemoryRegistryStore::kMaxDepth) return false;
    parts.push_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return true;
}

const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (unsigned char c : s) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte written as two hexadecimal digits at `pos`, or -1.
int HexByte(std::string_view s, size_t pos) {
  const int hi = pos < s.size() ? HexDigit(s[pos]) : -1;
  const int lo = pos + 1 < s.size() ? HexDigit(s[pos + 1]) : -1;
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Reads a quoted text starting at line[pos] (which must be '"'); pos ends
// after the closing quote.
bool ParseQuoted(std::string_view line, size_t& pos, std::string& out, std::string& why) {
  out.clear();
  if (pos >= line.size() || line[pos] != '"') {
    why = "a quoted text was expected";
    return false;
  }
  ++pos;
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) break;
    char e = line[pos++];
    if (e == '\\' || e == '"') {
      out += e;
    } else if (e == 'x') {
      const int byte = HexByte(line, pos);
      if (byte < 0) {
        why = "a bad \\x escape";
        return false;
      }
      out += static_cast<char>(byte);
      pos += 2;
    } else {
      why = "an unknown escape";
      return false;
    }
  }
  why = "a quoted text is not closed";
  return false;
}

bool ParseHex(std::string_view s, std::string& out, std::string& why) {
  out.clear();
  out.reserve(s.size() / 3 + 1);
  size_t pos = 0;
  while (pos < s.size()) {
    const int byte = HexByte(s, pos);
    if (byte < 0) {
      why = "bad hexadecimal bytes";
      return false;
    }
    out += static_cast<char>(byte);
    pos += 2;
    if (pos == s.size()) break;
    if (s[pos] != ',' || pos + 1 == s.size()) {
      why = "bad hexadecimal bytes";
      return false;
    }
    ++pos;
  }
  return true;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void AppendKeyText(std::string& out, const MemoryRegistryStore::Key& key, std::string& path) {
  size_t mark = path.size();
  if (!path.empty()) path += '\\';
  path += key.name;
  // A key without values that has subkeys is implied by their lines, which
  // keeps the text about as long as the tree's own description.
  const bool written = !key.values.empty() || key.subkeys.empty();
  if (written) {
    out += '[';
    out += path;
    out += "]\n";
  }
  for (const auto& [lower, value] : key.values) {
    if (value.name.empty()) {
      out += '@';
    } else {
      AppendQuoted(out, value.name);
    }
    out += '=';
    if (value.binary) {
      out += "hex:";
      for (size_t i = 0; i < value.data.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(value.data[i]);
        if (i) out += ',';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    } else {
      AppendQuoted(out, value.data);
    }
    out += '\n';
  }
  if (written) out += '\n';
  for (const auto& [lower, sub] : key.subkeys) AppendKeyText(out, *sub, path);
  path.resize(mark);
}

} // namespace

// ---------------------------------------------------------------------------
// MemoryRegistryStore

MemoryRegistryStore::MemoryRegistryStore() : root_(std::make_unique<Key>()) {}
MemoryRegistryStore::~MemoryRegistryStore() = default;

MemoryRegistryStore::Key* MemoryRegistryStore::Find(const std::string& key) const {
  std::vector<std::string_view> parts;
  if (!SplitKey(key, parts)) return nullptr;
  Key* k = root_.get();
  for (std::string_view part : parts) {
    auto it = k->subkeys.find(Lower(part));
    if (it == k->subkeys.end()) return nullptr;
    k = it->second.get();
  }
  return k;
}

MemoryRegistryStore::Key* MemoryRegistryStore::FindOrCreate(const std::string& key, bool& created) {
  created = false;
  std::vector<std::string_view> parts;
  if (!SplitKey(key, parts)) {
    error_ = "Invalid key name \"" + key + "\"";
    return nullptr;
  }
  Key* k = root_.get();
  for (std::string_view part : parts) {
    auto& slot = k->subkeys[Lower(part)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = std::string(part);
      created = true;
    }
    k = slot.get();
  }
  return k;
}

bool MemoryRegistryStore::Changed() {
  if (updateDepth_ > 0) {
    dirty_ = true;
    return true;
  }
  return Save();
}

void MemoryRegistryStore::BeginUpdate() {
  if (updateDepth_++ == 0) {
    UpdateStarting();
    dirty_ = false;
  }
}

bool MemoryRegistryStore::EndUpdate() {
  if (updateDepth_ == 0) return true;
  if (--updateDepth_ > 0 || !dirty_) return true;
  dirty_ = false;
  return Save();
}

bool MemoryRegistryStore::KeyExists(const std::string& key) const { return Find(key) != nullptr; }

bool MemoryRegistryStore::CreateKey(const std::string& key) {
  if (updateDepth_ == 0) UpdateStarting();
  if (Find(key)) return true;
  if (!MayChange()) return false;
  bool created = false;
  if (!FindOrCreate(key, created)) return false;
  return Changed();
}

bool MemoryRegistryStore::WriteValue(const std::string& key, const std::string& name, bool binary, std::string data) {
  if (updateDepth_ == 0) UpdateStarting();
  std::vector<std::string_view> parts;
  if (!SplitKey(key, parts) || parts.empty()) {
    error_ = "Invalid key name \"" + key + "\"";
    return false;
  }
  if (name.size() > kMaxValueNameLength) {
    error_ = "Value name too long";
    return false;
  }
  if (!MayChange()) return false;
  bool created = false;
  Key* k = FindOrCreate(key, created);
  if (!k) return false;
  auto [it, added] = k->values.try_emplace(Lower(name));
  Value& v = it->second;
  if (!created && !added && v.name == name && v.binary == binary && v.data == data) return true;
  v.name = name;
  v.binary = binary;
  v.data = std::move(data);
  return Changed();
}

bool MemoryRegistryStore::ReadString(const std::string& key, const std::string& name, std::string& value) const {
  const Key* k = Find(key);
  if (!k) return false;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end() || it->second.binary) return false;
  value = it->second.data;
  return true;
}

bool MemoryRegistryStore::WriteString(const std::string& key, const std::string& name, const std::string& value) {
  return WriteValue(key, name, false, value);
}

bool MemoryRegistryStore::ReadBinary(const std::string& key, const std::string& name, std::string& bytes) const {
  const Key* k = Find(key);
  if (!k) return false;
  auto it = k->values.find(Lower(name));
  if (it == k->values.end() || !it->second.binary) return false;
  bytes = it->second.data;
  return true;
}

bool MemoryRegistryStore::WriteBinary(const std::string& key, const std::string& name, const void* data, size_t size) {
  if (size && !data) return false;
  return WriteValue(key, name, true, std::string(static_cast<const char*>(data), size));
}

bool MemoryRegistryStore::GetSubkeys(const std::string& key, std::vector<std::string>& names) const {
  names.clear();
  const Key* k = Find(key);
  if (!k) return false;
  names.reserve(k->subkeys.size());
  for (const auto& [lower, sub] : k->subkeys) names.push_back(sub->name);
  return true;
}

bool MemoryRegistryStore::DeleteKey(const std::string& key) {
  if (updateDepth_ == 0) UpdateStarting();
  std::vector<std::string_view> parts;
  if (!SplitKey(key, parts) || parts.empty()) {
    error_ = "Cannot delete key \"" + key + "\"";
    return false;
  }
  Key* parent = root_.get();
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = parent->subkeys.find(Lower(parts[i]));
    if (it == parent->subkeys.end()) return false;
    parent = it->second.get();
  }
  auto it = parent->subkeys.find(Lower(parts.back()));
  if (it == parent->subkeys.end()) return false;
  if (!it->second->subkeys.empty()) {
    error_ = "Key \"" + key + "\" has subkeys";
    return false;
  }
  if (!MayChange()) return false;
  parent->subkeys.erase(it);
  return Changed();
}

void MemoryRegistryStore::ClearAll() { root_ = std::make_unique<Key>(); }

std::string MemoryRegistryStore::ToText() const {
  std::string out = kSignature;
  out += "\n\n";
  std::string path;
  path.reserve(256);
  for (const auto& [lower, sub] : root_->subkeys) AppendKeyText(out, *sub, path);
  return out;
}

bool MemoryRegistryStore::FromText(const std::string& text, std::string* error) {
  ClearAll();
  if (text.empty()) return true;
  std::string_view all(text);
  size_t pos = 0;
  size_t lineNo = 0;
  Key* current = nullptr;
  std::string why;
  std::string name, data;
  std::vector<std::string_view> parts;
  auto fail = [&](const std::string& reason) {
    ClearAll();
    if (error) *error = "line " + std::to_string(lineNo) + ": " + reason;
    return false;
  };
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string_view::npos) end = all.size();
    std::string_view line = all.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNo == 1) {
      if (line != kSignature) return fail("not a Velmaris registry file");
      continue;
    }
    std::string_view trimmed = TrimRight(line);
    if (trimmed.empty() || trimmed.front() == ';') continue;
    if (trimmed.front() == '[') {
      if (trimmed.size() < 2 || trimmed.back() != ']') return fail("a key line must end with ]");
      std::string_view path = trimmed.substr(1, trimmed.size() - 2);
      if (!SplitKey(path, parts) || parts.empty()) return fail("a bad key name");
      Key* k = root_.get();
      for (std::string_view part : parts) {
        auto& slot = k->subkeys[Lower(part)];
        if (!slot) {
          slot = std::make_unique<Key>();
          slot->name = std::string(part);
        }
        k = slot.get();
      }
      current = k;
      continue;
    }
    if (!current) return fail("a value before the first key");
    size_t p = 0;
    if (trimmed.front() == '@') {
      name.clear();
      p = 1;
    } else if (!ParseQuoted(trimmed, p, name, why)) {
      return fail(why);
    }
    if (name.size() > kMaxValueNameLength) return fail("a value name is too long");
    if (p >= trimmed.size() || trimmed[p] != '=') return fail("= was expected after the value name");
    ++p;
    bool binary = false;
    if (trimmed.substr(p, 4) == "hex:") {
      binary = true;
      if (!ParseHex(trimmed.substr(p + 4), data, why)) return fail(why);
    } else {
      if (!ParseQuoted(trimmed, p, data, why)) return fail(why);
      if (p != trimmed.size()) return fail("unexpected text after a value");
    }
    Value& v = current->values[Lower(name)];
    v.name = name;
    v.binary = binary;
    v.data = data;
  }
  return true;
}

// ---------------------------------------------------------------------------
// FileRegistryStore

FileRegistryStore::FileRegistryStore(std::string path) : path_(std::move(path)) { Load(); }

std::string FileRegistryStore::DefaultPath() {
  std::string base;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.local/share";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/velmaris/classes.reg";
}

FileRegistryStore::Stamp FileRegistryStore::CurrentStamp() const {
  Stamp s;
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = static_cast<uint64_t>(st.st_dev);
  s.ino = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  s.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  return s;
}

void FileRegistryStore::Load() {
  ClearAll();
  loadError_.clear();
  stamp_ = CurrentStamp();
  // Never waits on a FIFO and never reads more than a registry file can hold.
  const Files::ReadResult r = Files::ReadRegularFile(path_, kMaxFileSize);
  switch (r.status) {
  case Files::ReadStatus::Missing: return;
  case Files::ReadStatus::Ok: break;
  case Files::ReadStatus::TooLarge: loadError_ = path_ + " is too large to be a registry file"; return;
  case Files::ReadStatus::NotRegular:
  case Files::ReadStatus::Failed: loadError_ = "Cannot read " + path_ + ": " + r.error; return;
  }
  std::string why;
  if (!FromText(r.data, &why)) loadError_ = path_ + " is damaged (" + why + ")";
}

void FileRegistryStore::Refresh() {
  if (CurrentStamp() != stamp_) Load();
}

void FileRegistryStore::UpdateStarting() { Refresh(); }

bool FileRegistryStore::MayChange() {
  if (loadError_.empty()) return true;
  error_ = loadError_ + "; the file associations cannot be saved";
  return false;
}

bool FileRegistryStore::Save() {
  std::string err;
  const std::string text = ToText();
  if (text.size() > kMaxFileSize) {
    err = "Cannot write " + path_ + ": the registry has grown too large";
  } else if (WriteFileAtomically(path_, text, &err)) {
    stamp_ = CurrentStamp();
    return true;
  }
  error_ = err;
  // Go back to what the disk holds, so what is read matches what is kept.
  Load();
  return false;
}

// ---------------------------------------------------------------------------

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
  Files::AtomicWriteOptions options;
  options.createFolders = true;
  return Files::WriteFileAtomically(path, data, error, options);
}
