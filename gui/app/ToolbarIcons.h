#pragma once
// The toolbar's 16x16 pictures and the program icon, painted here so that the program carries
// no image files of its own.

#include <QIcon>

enum class ToolbarIconKind { kOpen, kExportCsv, kCopy, kAssess, kConfigure, kDownload, kAbout };

QIcon ToolbarIcon(ToolbarIconKind kind);
QIcon ProgramIcon();
