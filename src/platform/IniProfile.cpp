#include "platform/IniProfile.h"

#include "files/AtomicFile.h"
#include "files/SafeRead.h"

namespace {

IniProfile::BeforeRenameHook g_beforeRename = nullptr;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s, std::size_t from = 0, std::size_t to = std::string::npos) {
  if (to > s.size()) to = s.size();
  while (from < to && IsBlank(s[from])) ++from;
  while (to > from && IsBlank(s[to - 1])) --to;
  return s.substr(from, to - from);
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsAllBlank(const std::string& s) {
  for (char c : s) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

const char kBom[] = "\xEF\xBB\xBF";

// Larger than any settings file; a bigger one is not ours and is left alone.
constexpr std::size_t kMaxIniBytes = 16u * 1024u * 1024u;

// Reads a whole regular file. 1: read, 0: missing, -1: exists but unreadable
// (not a regular file, too large, no access).
int ReadWholeFile(const std::string& path, std::string& out) {
  Files::ReadResult r = Files::ReadRegularFile(path, kMaxIniBytes);
  out = std::move(r.data);
  if (r.status == Files::ReadStatus::Missing) return 0;
  return r.Ok() ? 1 : -1;
}

} // namespace

void IniProfile::SetBeforeRenameHook(BeforeRenameHook hook) { g_beforeRename = hook; }

void IniProfile::Clear() {
  sections_.clear();
  sections_.emplace_back();
  byName_.clear();
  existed_ = false;
  loadFailed_ = false;
  dirty_ = false;
}

bool IniProfile::Load(const std::string& path) {
  std::string text;
  int r = ReadWholeFile(path, text);
  LoadFromText(path, text);
  existed_ = r == 1;
  loadFailed_ = r < 0;
  return r >= 0;
}

void IniProfile::LoadFromText(const std::string& path, const std::string& text) {
  Clear();
  path_ = path;
  const std::size_t n = text.size();
  std::size_t pos = 0;
  bool first = true;
  while (pos < n) {
    std::size_t end = text.find_first_of("\r\n", pos);
    Eol eol;
    std::size_t next;
    if (end == std::string::npos) {
      end = n;
      next = n;
      eol = Eol::None;
    } else if (text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') {
      eol = Eol::CrLf;
      next = end + 2;
    } else {
      eol = text[end] == '\r' ? Eol::Cr : Eol::Lf;
      next = end + 1;
    }
    AddLine(text.substr(pos, end - pos), eol, first);
    first = false;
    pos = next;
  }
  existed_ = true;
}

void IniProfile::Classify(Line& line, std::size_t from) {
  const std::string& t = line.text;
  std::size_t i = from;
  while (i < t.size() && IsBlank(t[i])) ++i;
  line.kind = Kind::Other;
  if (i >= t.size() || t[i] == ';' || t[i] == '#') return;
  if (t[i] == '[') {
    line.kind = Kind::Header;
    line.eq = i; // offset of the "["
    return;
  }
  std::size_t eq = t.find('=', i);
  if (eq == std::string::npos) return;
  std::size_t nameEnd = eq;
  while (nameEnd > i && IsBlank(t[nameEnd - 1])) --nameEnd;
  if (nameEnd == i) return; // "=value" has no key name
  line.kind = Kind::Key;
  line.eq = eq;
}

void IniProfile::AddLine(std::string text, Eol eol, bool firstOfFile) {
  Line line;
  line.text = std::move(text);
  line.eol = eol;
  std::size_t from = (firstOfFile && line.text.compare(0, 3, kBom) == 0) ? 3 : 0;
  Classify(line, from);
  if (line.kind == Kind::Header) {
    std::size_t open = line.eq + 1;
    std::size_t close = line.text.find(']', open);
    std::string name = Lower(Trim(line.text, open, close));
    sections_.emplace_back();
    sections_.back().header = std::move(line);
    byName_[name].push_back(sections_.size() - 1);
    return;
  }
  Section& sec = sections_.back();
  if (line.kind == Kind::Key) {
    std::string key = Lower(Trim(line.text, from, line.eq));
    sec.keys.try_emplace(std::move(key), sec.body.size());
    sec.body.push_back(std::move(line));
    sec.insertAt = sec.body.size();
  } else {
    sec.body.push_back(std::move(line));
  }
}

const IniProfile::Line* IniProfile::FindKey(const std::string& lowSection, const std::string& lowKey) const {
  if (lowSection.empty() || lowKey.empty()) return nullptr;
  auto it = byName_.find(lowSection);
  if (it == byName_.end()) return nullptr;
  // A section that appears twice is searched in file order, as one.
  for (std::size_t idx : it->second) {
    const Section& sec = sections_[idx];
    auto k = sec.keys.find(lowKey);
    if (k != sec.keys.end()) return &sec.body[k->second];
  }
  return nullptr;
}

IniProfile::Line* IniProfile::FindKey(const std::string& lowSection, const std::string& lowKey) {
  return const_cast<Line*>(static_cast<const IniProfile*>(this)->FindKey(lowSection, lowKey));
}

bool IniProfile::HasKey(const std::string& section, const std::string& key) const {
  return FindKey(Lower(Trim(section)), Lower(Trim(key))) != nullptr;
}

std::string IniProfile::ReadString(const std::string& section, const std::string& key, const std::string& def,
                                   std::size_t bufferSize) const {
  std::string value;
  if (const Line* line = FindKey(Lower(Trim(section)), Lower(Trim(key)))) {
    value = Trim(line->text, line->eq + 1);
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
  } else {
    value = def;
  }
  std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
  if (value.size() > limit) value.resize(limit);
  return value;
}

bool IniProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const std::string sec = Trim(section);
  const std::string name = Trim(key);
  if (sec.empty() || name.empty() || HasLineBreak(sec) || HasLineBreak(name)) return false;
  if (sec.find(']') != std::string::npos || name.find('=') != std::string::npos) return false;
  if (name[0] == '[' || name[0] == ';' || name[0] == '#') return false;

  // A line break would end the line and start another key or section.
  std::string v = value.substr(0, value.find_first_of("\r\n"));
  if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) ||
                     (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()))) {
    v = '"' + v + '"';
  }

  const std::string lowSec = Lower(sec);
  const std::string lowKey = Lower(name);
  if (Line* line = FindKey(lowSec, lowKey)) {
    // Keep the key as spelled in the file and the blanks after "=".
    std::size_t start = line->eq + 1;
    if (!v.empty()) {
      while (start < line->text.size() && IsBlank(line->text[start])) ++start;
    }
    if (line->text.compare(start, std::string::npos, v) != 0) {
      line->text.replace(start, std::string::npos, v);
      dirty_ = true;
    }
    return true;
  }

  std::size_t target;
  auto it = byName_.find(lowSec);
  if (it != byName_.end()) {
    target = it->second.front();
  } else {
    // A new section goes at the end, after a blank line when the file has text.
    Section& last = sections_.back();
    const Line* lastLine = !last.body.empty() ? &last.body.back() : (sections_.size() > 1 ? &last.header : nullptr);
    if (lastLine && !IsAllBlank(lastLine->text)) {
      Line blank;
      last.body.push_back(blank);
    }
    sections_.emplace_back();
    Line header;
    header.text = "[" + sec + "]";
    header.kind = Kind::Header;
    header.eq = 0;
    sections_.back().header = std::move(header);
    target = sections_.size() - 1;
    byName_[lowSec].push_back(target);
  }
  Section& s = sections_[target];
  Line line;
  line.text = name + "=" + v;
  line.kind = Kind::Key;
  line.eq = name.size();
  // Only non-key lines follow insertAt, so the key index stays valid.
  s.body.insert(s.body.begin() + static_cast<std::ptrdiff_t>(s.insertAt), std::move(line));
  s.keys.emplace(lowKey, s.insertAt);
  ++s.insertAt;
  dirty_ = true;
  return true;
}

std::string IniProfile::Text() const {
  std::size_t total = 0;
  for (const Section& s : sections_) {
    total += s.header.text.size() + 2;
    for (const Line& l : s.body) total += l.text.size() + 2;
  }
  std::string out;
  out.reserve(total);
  bool pendingEol = false; // a line without a line end that is not the last any more
  auto put = [&](const Line& l) {
    if (pendingEol) out += "\r\n";
    out += l.text;
    pendingEol = false;
    switch (l.eol) {
    case Eol::None: pendingEol = true; break;
    case Eol::CrLf: out += "\r\n"; break;
    case Eol::Lf: out += '\n'; break;
    case Eol::Cr: out += '\r'; break;
    }
  };
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) put(sections_[i].header);
    for (const Line& l : sections_[i].body) put(l);
  }
  return out;
}

bool IniProfile::Flush() {
  if (loadFailed_ || path_.empty()) return false;
  if (!dirty_ && existed_) return true;
  // Through a link to the file it names; a target that is not a plain file,
  // or a file marked read-only, is refused.
  Files::AtomicWriteOptions options;
  if (g_beforeRename) options.beforeRename = [](const std::string& temp) { g_beforeRename(temp); };
  if (!Files::WriteFileAtomically(path_, Text(), nullptr, options)) return false;
  existed_ = true;
  dirty_ = false;
  return true;
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
                                    std::size_t bufferSize, const std::string& path) {
  IniProfile profile;
  profile.Load(path);
  return profile.ReadString(section, key, def, bufferSize);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path) {
  IniProfile profile;
  return profile.Load(path) && profile.WriteString(section, key, value) && profile.Flush();
}
