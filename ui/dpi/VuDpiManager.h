// DPI scaling of the skinned UI: whether dialogs are scaled at all, by which
// factor, and which images drawn for that factor replace the normal ones.
// Layouts are written in pixels for 96 DPI. Used from the UI thread, which
// owns every window; the settings are read lazily and kept.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/dpi.h"
#include "platform/types.h"

class VuDpiManager {
 public:
  // The process-wide manager: made and initialised on first use, never destroyed.
  static VuDpiManager& Instance();

  // Tests make a fresh manager of their own per test with this constructor
  // (the process-wide one cannot be reset); it initialises on first use too.
  VuDpiManager();
  // Only a test's manager is ever destroyed: it takes its hidden window along.
  ~VuDpiManager();
  VuDpiManager(const VuDpiManager&) = delete;
  VuDpiManager& operator=(const VuDpiManager&) = delete;

  // ("switch" and the registry allow it) or "debug"; computed once.
  bool IsEnabled();
  // The largest supported rate not above DPI / 96, at least 1.0.
  float GetScale();
  // value times the scale, truncated, when enabled; value unchanged otherwise.
  int Scale(int value);
  // The DPI in use: "debugdpi" in debug mode, else the hidden window's, measured once.
  int GetDpi();
  // With mode 2 and scaling on, makes the calling thread per-monitor aware
  // (v2) and returns the context to restore; null when nothing changed.
  DPI_AWARENESS_CONTEXT EnterThreadContext();
  void LeaveThreadContext(DPI_AWARENESS_CONTEXT previous);
  // The "supportrate" list in its own order.
  const std::vector<float>& GetSupportedRates();

  // The image drawn for scale that stands in for image id of type (an
  // extension) in sub_dir: its path and the scale it was drawn for. False
  // (normal image, to be scaled) at scale 1.0, or when no drawn image is near
  // enough. Candidates are looked for under "<program dir>ressrc\chs\dpiimg".
  bool GetDpiImage(int id, const std::u16string& type, const std::u16string& sub_dir,
                   float scale, std::u16string* path, float* image_scale);
  // The same choice given which candidate files exist.
  static bool ChooseDpiImage(const std::u16string& image_dir, int id, const std::u16string& type,
                             const std::u16string& sub_dir, float scale,
                             const std::vector<float>& rates,
                             const std::function<bool(const std::u16string&)>& exists,
                             std::u16string* path, float* image_scale);
  // "%s\%.1f\%s\%d_%.1f.%s" of the image folder, scale, sub_dir, id, scale and type.
  static std::u16string DpiImagePath(const std::u16string& image_dir, int id,
                                     const std::u16string& type, const std::u16string& sub_dir,
                                     float scale);

  // "<process name>_hiddenDpiAwarenessWindow".
  std::u16string HiddenWindowClass();

 private:
  void EnsureInitialised();
  void Initialise();
  bool IsSupportedProcess();
  bool RegistryAllows();
  int MeasureDpi();
  void LoadPaths();

  int ReadDebug();
  int ReadDebugDpi();
  int ReadMode();
  int ReadInt(const char16_t* key, int default_value);
  std::u16string ReadText(const char16_t* key, const char16_t* default_value);

  std::atomic<LONG> initialised_{0};
  int debug_ = -1;
  int debug_dpi_ = -1;
  int enabled_ = -1;
  int cached_dpi_ = 0;
  std::u16string support_processes_;
  int mode_ = 0;
  std::vector<float> supported_rates_;

  bool paths_loaded_ = false;
  std::u16string program_dir_;    // with its trailing separator; empty when unknown
  std::u16string settings_path_;  // empty: the defaults
  std::u16string process_name_;
  HWND hidden_window_ = nullptr;  // the one this manager made
};
