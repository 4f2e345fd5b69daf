#include "platform/sim/registry/SimClassesRoot.h"

#include "platform/sim/processes/SimSessions.h"

const char16_t kSimClassesHive[] = u"HKEY_CLASSES_ROOT";

bool SimIsClassesPath(const SimRegPath& logical) { return logical.hive == kSimClassesHive; }

SimRegPath SimClassesUserPath(const SimRegPath& logical) {
  SimRegPath user;
  user.hive = u"HKEY_USERS";
  user.parts = {SimUserHiveName(SimOwnIdentity().user_sid), u"Software", u"Classes"};
  user.parts.insert(user.parts.end(), logical.parts.begin(), logical.parts.end());
  return user;
}

SimRegPath SimClassesMachinePath(const SimRegPath& logical) {
  SimRegPath machine;
  machine.hive = u"HKEY_LOCAL_MACHINE";
  machine.parts = {u"SOFTWARE", u"Classes"};
  machine.parts.insert(machine.parts.end(), logical.parts.begin(), logical.parts.end());
  return machine;
}
