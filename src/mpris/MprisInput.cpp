#include "mpris/MprisInput.h"

#include <QMetaType>
#include <QStringList>

#include <cmath>
#include <limits>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include "playlist/Kconvert.h"
#include "text/Utf8Text.h"

namespace MprisInput {

qlonglong SeekTarget(qlonglong positionUs, qlonglong offsetUs) {
  qlonglong target = 0;
  if (!__builtin_add_overflow(positionUs, offsetUs, &target)) return target;
  return offsetUs > 0 ? std::numeric_limits<qlonglong>::max() : std::numeric_limits<qlonglong>::min();
}

bool VolumeLevel(double volume, float& level) {
  if (std::isnan(volume)) return false;
  // Clamped as a double: a double beyond float's range has no float value.
  level = static_cast<float>(volume < 0.0 ? 0.0 : volume > 1.0 ? 1.0 : volume);
  return true;
}

namespace {

struct PropertyType {
  const char* Name;
  QMetaType::Type Type;
  const char* BusType;
};
constexpr PropertyType kWritable[] = {
    {"LoopStatus", QMetaType::QString, "a string (s)"},
    {"Shuffle", QMetaType::Bool, "a boolean (b)"},
    {"Rate", QMetaType::Double, "a double (d)"},
    {"Volume", QMetaType::Double, "a double (d)"},
};

// The kernel's own files (/proc/self/mem, /sys/...) call themselves regular.
bool IsKernelFile(const std::string& path) {
  struct statfs fs {};
  return ::statfs(path.c_str(), &fs) == 0 && (fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC);
}

QString Shown(const std::string& bytes) { return QString::fromStdString(Utf8Text::MessageText(bytes)); }

} // namespace

QString PropertyValueRefusal(const QString& property, const QVariant& value) {
  for (const PropertyType& p : kWritable) {
    if (property != QLatin1String(p.Name)) continue;
    if (value.metaType().id() != p.Type) return QStringLiteral("%1 takes %2").arg(property, QLatin1String(p.BusType));
    if (p.Type == QMetaType::Double && std::isnan(value.toDouble()))
      return QStringLiteral("%1 takes a number").arg(property);
    if (property == QLatin1String("LoopStatus") &&
        !QStringList{QStringLiteral("None"), QStringLiteral("Track"), QStringLiteral("Playlist")}.contains(value.toString()))
      return QStringLiteral("LoopStatus is None, Track or Playlist");
    return {};
  }
  return {};
}

UriPath LocalFileOfUri(const QString& uri) {
  const std::string text = uri.toStdString();
  const std::string path = Kconvert::FileUriToPath(text);
  // FileUriToPath gives back what it cannot read as a local file URI.
  if (path == text || path.empty() || path[0] != '/')
    return {{}, QStringLiteral("Not a local file URI: %1").arg(Shown(text))};
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {{}, QStringLiteral("%1 does not exist.").arg(Shown(path))};
  if (!S_ISREG(st.st_mode) || IsKernelFile(path))
    return {{}, QStringLiteral("%1 is not a regular file.").arg(Shown(path))};
  if (st.st_size == 0) return {{}, QStringLiteral("%1 is empty.").arg(Shown(path))};
  return {path, {}};
}

} // namespace MprisInput
