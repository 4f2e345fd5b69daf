// The key of a logged-on user under HKEY_USERS, made as a logon would make it.
#pragma once

class SimDb;

// Creates HKEY_USERS\<hive of this process's user>\Software where missing
// (a user's first logon); once per machine and process.
void SimEnsureOwnHive(SimDb& db);
