#pragma once
// A message box with the error icon and an OK button: the platform's (modal
// where the platform's boxes are, beside the host elsewhere), or one the
// panel draws itself when the platform has none.

class Frame;

// Owned by the frame's window when a frame is given, by no window otherwise.
void showErrorMessage(Frame* frame, const char* caption, const char* message);
