#pragma once
// Makes the desktop follow the program's file associations.
//
// The class registry says which extensions open with the program; desktops
// on Linux learn that from freedesktop.org files instead. After each change
// of the registry, XdgSync brings those files in line:
//   $XDG_DATA_HOME/applications/velmaris.desktop   the program, with the MIME
//                                                  types it is associated with
//   $XDG_DATA_HOME/mime/packages/velmaris.xml      MIME types for .vpls and .b4s
//   $XDG_CONFIG_HOME/mimeapps.list                 velmaris.desktop as the default
//                                                  application of those types
// and removes what is no longer associated. Only entries naming
// velmaris.desktop are touched in mimeapps.list; every other line stays.
// Afterwards update-desktop-database and update-mime-database run on the
// changed folders when they are installed.

#include <string>
#include <vector>

class TRegExtension;

struct XdgPaths {
  std::string DataHome;   // $XDG_DATA_HOME or ~/.local/share
  std::string ConfigHome; // $XDG_CONFIG_HOME or ~/.config
  static XdgPaths FromEnvironment();
};

// The extensions the program handles, with their MIME types.
struct XdgFileType {
  const char* Ext;
  const char* MimeType;
  const char* Comment; // set for types the program defines itself
  const char* Glob;
  const char* SubClassOf;
};
const std::vector<XdgFileType>& XdgFileTypes();

// The extensions (of XdgFileTypes) whose registered open command runs the
// program at programPath, compared without regard to case.
std::vector<std::string> AssociatedExtensions(TRegExtension& registry, const std::string& programPath);

class XdgSync {
public:
  explicit XdgSync(std::string programPath, XdgPaths paths = XdgPaths::FromEnvironment());

  // Whether to run the database tools after a change (on by default).
  void SetRunTools(bool on) { runTools_ = on; }
  // How long to wait for one tool before giving up on it.
  void SetToolTimeoutMs(int ms) { toolTimeoutMs_ = ms; }

  // Reads the associations from the registry and applies them.
  bool Sync(TRegExtension& registry);
  // Makes the desktop files say that exactly these extensions open with the
  // program. False when a file could not be written (LastError says which).
  bool Apply(const std::vector<std::string>& extensions);

  const std::string& LastError() const { return error_; }

  // The tools run by the last Apply, as "name folder" (for logs and tests).
  const std::vector<std::string>& ToolsRun() const { return toolsRun_; }

  static constexpr const char* kDesktopFileName = "velmaris.desktop";

  // The contents written, exposed for tests.
  std::string DesktopEntry(const std::vector<std::string>& mimeTypes) const;
  static std::string MimePackage(const std::vector<const XdgFileType*>& types);
  // mimeapps.list text with velmaris.desktop made the default of `wanted`
  // and withdrawn from `unwanted`; other lines stay as they are.
  static std::string UpdateMimeApps(const std::string& text, const std::vector<std::string>& wanted,
                                    const std::vector<std::string>& unwanted);

private:
  bool WriteOrRemove(const std::string& path, const std::string* contents, bool& changed);
  void RunTool(const char* tool, const std::string& folder);

  std::string programPath_;
  XdgPaths paths_;
  bool runTools_ = true;
  int toolTimeoutMs_ = 10000;
  std::string error_;
  std::vector<std::string> toolsRun_;
};

// Makes registry call XdgSync for programPath after every Register and
// Unregister.
void ConnectXdgSync(TRegExtension& registry, const std::string& programPath);
