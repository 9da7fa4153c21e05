#pragma once
// What the media controls accept from the bus. Any program on the session
// bus can send any value: arithmetic on them saturates instead of
// overflowing, a property set with another type than the property's own is
// refused, and a URI names a regular local file before anything is changed.
#include <QString>
#include <QVariant>

#include <string>

namespace MprisInput {

// position + offset (microseconds), held to the range of qlonglong.
qlonglong SeekTarget(qlonglong positionUs, qlonglong offsetUs);

// A volume from the bus as the player's level: 0..1; below 0 is 0, above 1
// is 1. Not a number: false.
bool VolumeLevel(double volume, float& level);

// Why a value sent for a writable player property does not fit it, or ""
// when it fits: LoopStatus takes a string (None, Track or Playlist), Shuffle
// a boolean, Rate and Volume a double (a number). No conversion: "yes" or 7
// is no boolean.
QString PropertyValueRefusal(const QString& property, const QVariant& value);

// A URI given to OpenUri as the file's path (bytes, percent escapes decoded
// byte for byte, so names that are not UTF-8 arrive as they are on disk),
// or why it is refused: not a file:// URI of this machine, no such file,
// not a regular file (a device, FIFO, folder, a file of /proc or /sys, also
// behind a link) or an empty one.
struct UriPath {
  std::string Path;
  QString Refusal;  // empty when Path can be opened
};
UriPath LocalFileOfUri(const QString& uri);

} // namespace MprisInput
