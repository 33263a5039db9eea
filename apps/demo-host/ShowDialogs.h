#pragma once

#include <QString>

// `--show NAME`: once the Connect dialog is up, drives it as a person would
// so that one of the library's windows opens over it: "shortcut" (Create
// Desktop Shortcut on a session) and "duplicate" (Duplicate on a session).
// False for a name it does not know.
bool IsKnownShowName(const QString& name);
void ScheduleShow(const QString& name);
