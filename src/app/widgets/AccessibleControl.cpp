#include "app/widgets/AccessibleControl.h"

#include <QAccessible>
#include <QWidget>

#include <algorithm>

namespace {
// The object name under which the description hangs below its control.
constexpr const char* AttachedName = "velmaris_accessible_control";
} // namespace

AccessibleControl::AccessibleControl(QWidget* control) : QObject(control) {
  setObjectName(QString::fromLatin1(AttachedName));
  // An interface that assistive technology asked for before this
  // description existed does not know it: it is dropped, and the next
  // question makes one that does.
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(control))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

AccessibleControl* AccessibleControl::Of(const QObject* control) {
  if (!control) return nullptr;
  return control->findChild<AccessibleControl*>(QString::fromLatin1(AttachedName), Qt::FindDirectChildrenOnly);
}

void AccessibleControl::StepSlider(int steps, int size) {
  if (!IsSlider() || !Slider.SetValue) return;
  const int target = std::clamp(Slider.Value() + steps * size, 0, std::max(0, Slider.Maximum()));
  if (target != Slider.Value()) Slider.SetValue(target);
}
