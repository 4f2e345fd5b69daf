// The published records of windows, through which other processes of the
// machine find them.
#pragma once

#include <string>

#include "platform/sim/windows/SimWindowState.h"

namespace simwin {

constexpr uint32_t kFlagHidden = 1;  // message-only or child: FindWindowW skips it
// The window's show state, for IsWindowVisible and IsIconic from another process.
constexpr uint32_t kFlagVisible = 2;
constexpr uint32_t kFlagMinimized = 4;

struct RecordHeader {
  uint32_t magic;
  uint32_t pid;
  uint32_t tid;
  uint32_t flags;
  uint64_t created;
  uint32_t class_length;
  uint32_t title_length;
};

struct Record {
  RecordHeader header = {};
  std::u16string class_name;
  std::u16string title;
};

std::string WindowsDir();
std::string RecordPath(HWND hwnd);
// Reads a published record; false unless its owner is alive.
bool ReadLiveRecord(const std::string& path, Record* record, bool* dead = nullptr);
// flags: the window's kind (kFlagHidden); its show state is added from its style.
int Publish(HWND hwnd, Window& window, uint32_t flags, std::string* path);
// Publishes the window again when its show state changed since the last time.
void RepublishState(HWND hwnd, Window& window);
// The published flags of a live window of another process; false when there is none.
bool ReadRemoteFlags(HWND hwnd, uint32_t* flags);
void Unpublish(Window& window);
void RemoveIfDead(const std::string& path);

}  // namespace simwin
