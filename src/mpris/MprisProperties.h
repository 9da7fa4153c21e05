#pragma once
// org.freedesktop.DBus.Properties of the media controls' object, answered
// here instead of by Qt: Qt converts a value set with another type than the
// property's ("yes" or 7 for a boolean becomes true), so Set checks the value
// as it was sent (MprisInput::PropertyValueRefusal) before anything changes.
class MprisService;

// Adds the interface to `service` (an adaptor it owns), before it registers.
void AddMprisProperties(MprisService& service);
