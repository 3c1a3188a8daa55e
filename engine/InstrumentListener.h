#pragma once
// What the instrument tells the plug-in format that carries it.

#include <cstdint>

class InstrumentListener {
public:
    virtual ~InstrumentListener() = default;
    // A parameter's value changed, or (index -1) the current program's
    // sample or what the panel shows of it. From any thread, the audio
    // thread included (pitch bend moves Speed): never block here.
    virtual void parameterChanged(int32_t index, float value) = 0;
    // The instrument itself moved a parameter (pitch bend drives Speed), for
    // the host to record as automation. Audio thread.
    virtual void parameterAutomated(int32_t index, float value) = 0;
    // The user changed what the saved state holds (a sample loaded, keeping
    // turned on or off): the host should count its project as changed.
    // User-interface thread.
    virtual void stateChanged() = 0;
};
