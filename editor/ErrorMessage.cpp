#include "editor/ErrorMessage.h"

#include <cstdio>

#include "editor/DrawnMessageBox.h"
#include "gui/Frame.h"
#include "platform/Platform.h"

void showErrorMessage(Frame* frame, const char* caption, const char* message) {
    if (platform::startMessageBox(frame ? frame->getSystemWindow() : nullptr, message, caption,
                                  platform::messageBoxOk | platform::messageBoxIconError))
        return;
    // The platform cannot show a box: the panel draws one, or, with no
    // panel open, standard error is all there is.
    if (!DrawnMessageBox::show(frame, caption, message))
        std::fprintf(stderr, "parvolino: %s: %s\n", caption ? caption : "", message ? message : "");
}
