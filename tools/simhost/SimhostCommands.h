// The commands of the simhost tool; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int CmdNew(const Args& args);
int CmdInstallSample(const Args& args);
int CmdDump(const Args& args);
int CmdReg(const Args& args);
int CmdReboot(const Args& args);
int CmdPs(const Args& args);
int CmdRun(const Args& args);
int CmdEnv(const Args& args);
int CmdFact(const Args& args);
int CmdVolume(const Args& args);
int CmdSvc(const Args& args);
int CmdSession(const Args& args);
int CmdRoute(const Args& args);
int CmdProtect(const Args& args);
int CmdGrant(const Args& args);
int CmdJunction(const Args& args);
int CmdScreenshot(const Args& args);
int CmdInput(const Args& args);

// Selects the machine in dir for this process; prints the reason on failure.
bool OpenMachine(const std::string& dir);
int Usage();
int Fail(const std::string& message);
