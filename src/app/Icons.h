#pragma once
// Pictures of the toolbar and command buttons, drawn rather than shipped as files so
// that they stay sharp at any scale and share one palette.

#include <QIcon>

namespace zort {

QIcon WriteToDeviceIcon();   // arrow into the tracker
QIcon ReadFromDeviceIcon();  // arrow out of the tracker
QIcon RestoreDefaultsIcon();
QIcon HistoryIcon();  // the backups kept before each write
QIcon FleetIcon();    // many trackers set up at once
QIcon StatusIcon();   // the live sky and network
QIcon OpenFileIcon();
QIcon SaveFileIcon();
QIcon CommandFileIcon();
QIcon ServiceIcon();
QIcon FirmwareIcon();

}  // namespace zort
