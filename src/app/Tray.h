#pragma once
// Whether the window may hide in the tray.
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <functional>

// The tray needs a notification area; without one the window would vanish
// for good, so it only goes to the taskbar. Headless runs (the offscreen
// platform) keep the tray path so it behaves as on a desktop. `asked`
// (tests) answers in place of the desktop.
inline bool TrayUsable(const std::function<bool()>& asked) {
  if (asked) return asked();
  return QSystemTrayIcon::isSystemTrayAvailable() || QGuiApplication::platformName() == QLatin1String("offscreen");
}
