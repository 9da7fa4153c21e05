#include "app/SkinAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QWidget>

#include "app/widgets/AccessibleControl.h"
#include "app/widgets/SpeedButton.h"

namespace {

// A speed button, or any control with an attached description.
class SkinControlAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
  explicit SkinControlAccessible(QWidget* w)
      : QAccessibleWidget(w, RoleOf(w)), button_(qobject_cast<TSpeedButton*>(w)), extra_(AccessibleControl::Of(w)) {}

  static QAccessible::Role RoleOf(const QWidget* w) {
    const AccessibleControl* extra = AccessibleControl::Of(w);
    return extra && extra->IsSlider() ? QAccessible::Slider : QAccessible::Button;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ValueInterface && IsSlider()) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name:
        // The hint is the control's name; the caption of a speed button is a
        // glyph or, for the volume, the value.
        if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
        return widget()->toolTip();
      case QAccessible::Description:
        if (!widget()->accessibleDescription().isEmpty()) return widget()->accessibleDescription();
        // A hint that is not already the name says more.
        return widget()->toolTip() == text(QAccessible::Name) ? QString() : widget()->toolTip();
      case QAccessible::Value:
        return IsSlider() && extra_->Slider.Text ? extra_->Slider.Text() : QString();
      default:
        return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    // The keyboard reaches every control (see SkinKeyboard), although a
    // click gives none of them the focus.
    s.focusable = true;
    if (IsToggle()) {
      s.checkable = true;
      s.checked = button_->Down();
      s.pressed = button_->Down();
    }
    return s;
  }

  // ---- actions ----
  QStringList actionNames() const override {
    QStringList names;
    if (IsSlider()) {
      names << increaseAction() << decreaseAction();
    } else if (button_ || (extra_ && extra_->Press)) {
      names << (IsToggle() ? toggleAction() : pressAction());
    }
    if (extra_)
      for (const AccessibleControl::Action& a : extra_->Actions) names << a.Name;
    return names;
  }

  QString localizedActionDescription(const QString& name) const override {
    if (extra_)
      for (const AccessibleControl::Action& a : extra_->Actions)
        if (a.Name == name) return a.Description;
    return QAccessibleWidget::localizedActionDescription(name);
  }

  void doAction(const QString& name) override {
    if (!widget()->isEnabled()) return;
    if (IsSlider() && (name == increaseAction() || name == decreaseAction())) {
      extra_->StepSlider(name == increaseAction() ? 1 : -1, extra_->Slider.Step);
      return;
    }
    if (name == pressAction() || name == toggleAction()) {
      if (button_) button_->PerformClick();
      else if (extra_ && extra_->Press) extra_->Press();
      return;
    }
    if (extra_)
      for (const AccessibleControl::Action& a : extra_->Actions)
        if (a.Name == name && a.Run) a.Run();
  }

  // ---- value ----
  QVariant currentValue() const override { return IsSlider() ? extra_->Slider.Value() : 0; }
  void setCurrentValue(const QVariant& value) override {
    if (!IsSlider() || !widget()->isEnabled() || !extra_->Slider.SetValue) return;
    extra_->StepSlider(value.toInt() - extra_->Slider.Value(), 1);
  }
  QVariant maximumValue() const override { return IsSlider() ? extra_->Slider.Maximum() : 0; }
  QVariant minimumValue() const override { return 0; }
  QVariant minimumStepSize() const override { return IsSlider() ? extra_->Slider.Step : 0; }

private:
  bool IsSlider() const { return extra_ && extra_->IsSlider(); }
  bool IsToggle() const { return button_ && button_->GroupIndex() != 0 && !IsSlider(); }

  TSpeedButton* button_;
  AccessibleControl* extra_;
};

// The frameless main window is still a window, named by the caption it
// draws (a label named "CaptionLabel").
class SkinWindowAccessible : public QAccessibleWidget {
public:
  explicit SkinWindowAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Window) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name)
      if (const auto* caption = widget()->findChild<QLabel*>(QStringLiteral("CaptionLabel"))) return caption->text();
    return QAccessibleWidget::text(t);
  }
  // What the mouse does to the window's surface (fold, the menu).
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (const AccessibleControl* extra = AccessibleControl::Of(widget()))
      for (const AccessibleControl::Action& a : extra->Actions) names << a.Name;
    return names;
  }
  QString localizedActionDescription(const QString& name) const override {
    if (const AccessibleControl* extra = AccessibleControl::Of(widget()))
      for (const AccessibleControl::Action& a : extra->Actions)
        if (a.Name == name) return a.Description;
    return QAccessibleWidget::localizedActionDescription(name);
  }
  void doAction(const QString& name) override {
    if (const AccessibleControl* extra = AccessibleControl::Of(widget()))
      for (const AccessibleControl::Action& a : extra->Actions)
        if (a.Name == name && a.Run) return a.Run();
    QAccessibleWidget::doAction(name);
  }
};

QAccessibleInterface* SkinControlFactory(const QString& className, QObject* object) {
  auto* w = qobject_cast<QWidget*>(object);
  if (!w) return nullptr;
  if (className == QLatin1String("TFrmMainVelmaris") && w->isWindow()) return new SkinWindowAccessible(w);
  if (className == QLatin1String("TSpeedButton") || AccessibleControl::Of(w)) return new SkinControlAccessible(w);
  return nullptr;
}

} // namespace

void InstallSkinAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(SkinControlFactory);
}
