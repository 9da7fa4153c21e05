#pragma once
// What a control that the skin draws is to a screen reader and the keyboard,
// where its class alone does not say it: a slider (its value, range, text and
// steps), a button that is no speed button, and actions beyond the click.
// Attached to the control as a child object; the control's accessibility
// interface and the window's keyboard handling read it from there.
#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QWidget;

class AccessibleControl : public QObject {
  Q_OBJECT
public:
  explicit AccessibleControl(QWidget* control);
  // The description attached to `control`, or null.
  static AccessibleControl* Of(const QObject* control);

  struct SliderParts {
    std::function<int()> Value;
    std::function<int()> Maximum;        // the minimum is 0
    std::function<QString()> Text;       // the value as the control shows it
    std::function<void(int)> SetValue;   // the same handler a pointer uses
    int Step = 1;                        // arrow keys
    int PageStep = 1;                    // Page Up and Page Down
  };
  bool IsSlider() const { return static_cast<bool>(Slider.Value); }
  SliderParts Slider;

  // A control that acts as a button without being one: what a press does.
  std::function<void()> Press;

  // Actions beyond the press, such as what a right click does.
  struct Action {
    QString Name;
    QString Description;
    std::function<void()> Run;
  };
  std::vector<Action> Actions;

  // Moves a slider by `steps` of `size` from its value, kept inside its range.
  void StepSlider(int steps, int size);
};
