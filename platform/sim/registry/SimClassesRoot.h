// HKEY_CLASSES_ROOT as Windows shows it: the user's classes
// (HKEY_CURRENT_USER\Software\Classes) merged over the machine's
// (HKEY_LOCAL_MACHINE\SOFTWARE\Classes).
#pragma once

#include "platform/sim/registry/SimRegistryPath.h"

// The pseudo-hive of a path seen through HKEY_CLASSES_ROOT; its parts are
// relative to the classes.
extern const char16_t kSimClassesHive[];

bool SimIsClassesPath(const SimRegPath& logical);

// The two keys a classes path may stand for (before WOW64 redirection):
// HKEY_USERS\<user>\Software\Classes\... and HKEY_LOCAL_MACHINE\SOFTWARE\Classes\...
SimRegPath SimClassesUserPath(const SimRegPath& logical);
SimRegPath SimClassesMachinePath(const SimRegPath& logical);
