// Drags a list of files from the test host onto a point of the screen with
// OLE, as the desktop shell would, and reports what the target answered.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct FileDragResult {
  HRESULT result = E_FAIL;           // what DoDragDrop returned
  DWORD finalEffect = 0;             // the effect handed back to the source at the end
  std::vector<DWORD> feedbackEffects;  // distinct effects shown while dragging
};

// Moves the cursor to `screenPoint`, drags the files (CF_HDROP) for a few
// tracking passes and drops them there. OLE must be initialised.
FileDragResult dragFilesTo(POINT screenPoint, const std::vector<std::string>& files);
