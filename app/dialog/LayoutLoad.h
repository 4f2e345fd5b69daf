// Loads a dialog's layout and collects what the loaders found wrong, so that
// the log can say why a window could not be shown.
#pragma once

#include <string>

class CVuDialogView;

// True when the layout loaded; problems gets "DOCUMENT:LINE: MESSAGE" lines
// joined with "; " either way.
bool LoadLayoutWithProblems(CVuDialogView* view, std::u16string* problems);
