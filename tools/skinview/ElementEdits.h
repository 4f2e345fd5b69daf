// Changes made to a loaded dialog before it is drawn, so that each page of
// a skin (hidden at load) can be drawn headless as the program shows it:
//   --show ID, --hide ID, --disable ID, --text ID=TEXT, --attr ID:NAME=VALUE
// Each goes to the first element of that id, as the program's own calls do.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CVuDialogView;

struct ElementEdit {
  enum Kind { kShow, kHide, kDisable, kText, kAttribute };
  Kind kind = kShow;
  int id = 0;
  std::string name;   // kAttribute
  std::string value;  // kText (UTF-8), kAttribute
};

bool IsElementEditOption(const std::string& option);
// Reads one edit from its option and argument; false for a malformed argument.
bool ParseElementEdit(const std::string& option, const std::string& argument, ElementEdit* edit);

// Applies the edits in order; an id the layout lacks is named on err and
// makes the result false (the rest are still applied).
bool ApplyElementEdits(CVuDialogView* dialog, const std::vector<ElementEdit>& edits, std::FILE* err);
