#pragma once
// The window's self-drawn controls as assistive technology sees them (Qt
// carries this to AT-SPI): speed buttons are push buttons, or toggle buttons
// when they belong to a toggle group, named by their hint; a control with an
// attached AccessibleControl is a slider or a button as that says. Each
// action runs the control's own click or value handler.

// Adds the window's controls to Qt's accessibility factories; once per
// program, before the first window is shown.
void InstallSkinAccessibility();
