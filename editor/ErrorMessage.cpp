#include "editor/ErrorMessage.h"

#include "gui/Frame.h"
#include "platform/Platform.h"

void showErrorMessage(Frame* frame, const char* caption, const char* message) {
    platform::showMessageBox(frame ? frame->getSystemWindow() : nullptr, message, caption,
                             platform::messageBoxOk | platform::messageBoxIconError);
}
