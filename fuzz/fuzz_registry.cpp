// Arbitrary bytes as a classes.reg file: load it, walk every key, read the
// associations back, check that the saved form reads back the same, then
// remove every registration in memory.
#include "FuzzSupport.h"
#include "options/FileExtension.h"
#include "platform/RegistryStore.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_registry: %s\n", what);
    std::abort();
  }
}

size_t Walk(const RegistryStore& store, const std::string& key, size_t depth) {
  std::vector<std::string> names;
  Check(store.GetSubkeys(key, names), "a listed key cannot be opened");
  Check(depth <= MemoryRegistryStore::kMaxDepth, "key tree deeper than allowed");
  size_t count = 1;
  std::string value;
  store.ReadString(key, "", value);
  store.ReadBinary(key, "EditFlags", value);
  const std::string prefix = key == "\\" ? std::string() : key;
  for (const std::string& name : names) count += Walk(store, prefix + "\\" + name, depth + 1);
  return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".reg");
  FileRegistryStore store(path);
  const size_t keys = Walk(store, "\\", 0);

  TRegExtension reg(store);
  const std::vector<std::string> exts = reg.GetRegExts();
  for (const std::string& ext : exts) {
    if (auto info = reg.GetExtInfo(ext)) {
      Check(info->Ext() == ext, "read-back extension differs");
      for (int i = 0; i < info->Commands().GetCount(); ++i) {
        Check(info->Commands().GetCommand(i)->Params().find("%1") != std::string::npos, "verb without %1");
      }
    }
  }

  // What is saved reads back as the same tree.
  const std::string text = store.ToText();
  MemoryRegistryStore copy;
  std::string error;
  Check(copy.FromText(text, &error), "saved form does not read back");
  Check(copy.ToText() == text, "saved form changes when read back");
  Check(Walk(copy, "\\", 0) == keys, "key count changes when read back");

  TRegExtension edit(copy);
  for (const std::string& ext : exts) edit.Unregister(ext);
  Check(edit.GetRegExts().empty(), "an extension survived Unregister");
  return 0;
}
