#pragma once
#include <string>
#include <utility>

// The entry object owned by one playlist line: the file's full path exactly
// as it was added (not normalised, not made absolute, not tested for
// existence). It is set when the entry is made and never changes.
class TKObjectString {
public:
  explicit TKObjectString(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

private:
  const std::string path_;
};
