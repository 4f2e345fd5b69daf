// The framework's process-wide start: where resources come from, and the
// three shared documents (skins 10000, styles 10001, strings 10002) loaded
// once before any dialog. Also the state every dialog view shares: the
// current modal dialog and the paint lock.
#pragma once

#include <mutex>
#include <string>

#include "platform/types.h"
#include "platform/xml.h"

constexpr int kVuSkinDocumentId = 10000;
constexpr int kVuStyleDocumentId = 10001;
constexpr int kVuStringDocumentId = 10002;

class VuFramework {
 public:
  // Sets the primary resource directory, empties the PNG pool, then loads
  // the skin, style and string documents. Returns the number of shared
  // documents (sources) read without a problem.
  static int Initialize(const std::u16string& primary_directory);
  // Every source's copy of one shared document merged into its pool
  // (first definition wins), each read inside a DocumentScope("<id>.xml");
  // a copy that does not parse or has another root tag is reported and
  // skipped. Returns the number of copies merged.
  static int LoadSharedDocument(int id);

  // The window of the innermost running DoModal (null when none).
  static HWND CurrentModalDialog();
  static void SetCurrentModalDialog(HWND window);

  // Held while a view paints: elements are shared by the views of a thread.
  static std::recursive_mutex& PaintLock();
};

// Parses text into document; on failure reports a parse error (with the
// document name in force) and returns false. A root other than root_tag is
// reported too.
bool VuParseDocument(const std::string& text, const char* root_tag, ZXmlDocument* document);
