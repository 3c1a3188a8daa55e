#include "engine/NoteRatio.h"

void buildNoteRatio(float (&noteRatio)[kNoteCount])
{
    // Running products in double, each entry stored as float.
    double ratio = 1.0;
    noteRatio[60] = 1.0f;
    for (int note = 61; note < kNoteCount; ++note) {
        ratio *= 1.0594630943592953;
        noteRatio[note] = static_cast<float>(ratio);
    }
    ratio = 1.0;
    for (int note = 59; note >= 0; --note) {
        ratio *= 0.9438743126816934;
        noteRatio[note] = static_cast<float>(ratio);
    }
}
