#pragma once
// Colour helpers for the classic controls: background and font colour set
// through the palette so skins can recolour any control.
#include <QColor>
#include <QWidget>

inline void SetControlColor(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, c);
  pal.setColor(QPalette::Base, c);
  pal.setColor(QPalette::Button, c);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

inline void SetControlFontColor(QWidget* w, const QColor& c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, c);
  pal.setColor(QPalette::Text, c);
  pal.setColor(QPalette::ButtonText, c);
  w->setPalette(pal);
}

inline QColor ControlColor(const QWidget* w) { return w->palette().color(QPalette::Window); }
inline QColor ControlFontColor(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
