#pragma once
// A modal message box with the error icon and an OK button.

class Frame;

// Owned by the frame's window when a frame is given, by no window otherwise.
void showErrorMessage(Frame* frame, const char* caption, const char* message);
