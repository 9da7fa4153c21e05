#pragma once
// Replacing a file all-or-nothing: the new bytes go to a temporary file in
// the target's folder, are flushed to disk (fsync), and the temporary file is
// renamed over the target; then the folder is flushed so the rename lasts.
// At every moment the target is either the old file or the new one, whole.
//
// - A target that exists and is not a regular file (a folder, FIFO, device
//   node, or a symbolic link to one) is refused. A symbolic link to a regular
//   file (or to a name that does not exist yet) is followed: the file it
//   names is replaced and the link stays.
// - A read-only target is refused, as the platform's own file writes do.
// - The new file keeps the old one's permission bits (and owner, where
//   allowed); a new file gets 0666 less the umask.
// - Temporary files of our own that an interrupted earlier save of the same
//   target left beside it are removed by the next save (only names of our own
//   patterns for that target, whose process is gone; never other files).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace Files {

struct AtomicWriteOptions {
  enum class TempName {
    Hidden, // ".<name>.<pid>.<n>.tmp" beside the target
    Tilde,  // "<name>~" (the tag writers' name; an old one is replaced)
  };
  TempName tempName = TempName::Hidden;
  // Create missing folders above the target (else a missing folder fails).
  bool createFolders = false;
  // Runs once the temporary file is complete, just before the rename
  // (tests use it to stop the process between the two steps).
  std::function<void(const std::string& tempPath)> beforeRename;
};

class AtomicFile {
public:
  explicit AtomicFile(std::string path, AtomicWriteOptions options = {});
  ~AtomicFile(); // an uncommitted temporary file is removed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Checks the target, removes stale temporary files and creates the
  // temporary file. False with Error() set when the save cannot start.
  bool Open();
  // Appends bytes to the temporary file.
  bool Write(const void* data, std::size_t size);
  bool Write(std::string_view data) { return Write(data.data(), data.size()); }
  // Flushes, renames over the target and flushes the folder. On failure the
  // target is unchanged and the temporary file is gone.
  bool Commit();
  // Gives up: removes the temporary file; the target is unchanged.
  void Abandon();

  // "Cannot write <path>: <reason>" after a failure, else empty.
  const std::string& Error() const { return error_; }
  // The file that is replaced (links resolved), known after Open().
  const std::string& TargetPath() const { return target_; }
  const std::string& TempPath() const { return temp_; }

  // Tests only: make the next saves fail at a chosen step.
  enum class Fault {
    None,
    Write,  // every Write fails (the temporary file exists by then)
    Rename, // the rename over the target fails
  };
  static void SetFaultForTests(Fault fault);

private:
  bool Fail(const std::string& why);
  bool FailErrno(int err);
  bool ResolveTarget();
  void RemoveStaleTemps() const;

  std::string path_;
  AtomicWriteOptions options_;
  std::string target_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
  bool failed_ = false;
};

// One call: the whole of data, all-or-nothing. False with *error set
// ("Cannot write <path>: <reason>") when it fails.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error,
                         const AtomicWriteOptions& options = {});

// Whether `name` (a file name, no folder) is one of our temporary names for a
// target named `targetName` in the same folder; pid receives the process
// that made it (0 when the name does not say).
// Creates `dir` and its parents (with `mode` less the umask); true when it
// is a folder afterwards.
bool MakeFolders(const std::string& dir, unsigned mode);

bool IsOurTempName(const std::string& name, const std::string& targetName, long& pid);

} // namespace Files
