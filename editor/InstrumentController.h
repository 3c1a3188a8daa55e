#pragma once
// What the panel knows of the instrument and asks of it, whatever plug-in
// format carries the two: in the same process (VST 2) the controller calls
// the instrument; across ports and messages (LV2, where the panel may live
// in another process) it keeps a copy of what the instrument last said.
// Every call comes from the panel's user-interface thread.
//
// Changes reach the panel through PluginEditor::setParameter (index -1:
// the sample, or what the strip shows of it), from any thread.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/SampleStatus.h"

struct GrainSnapshot;
struct SampleOverview;

class InstrumentController {
public:
    virtual ~InstrumentController() = default;

    // Parameters by index (0 Speed, 1 Length, 2 Density, 3 Random), values
    // 0.0 to 1.0, and the instrument's display text (at most 8 characters).
    virtual float parameter(int32_t index) = 0;
    virtual std::string parameterDisplay(int32_t index) = 0;
    // A user's gesture on a parameter: the host records the values set in
    // between as one edit, and as automation.
    virtual void beginEdit(int32_t index) = 0;
    virtual void setParameter(int32_t index, float value) = 0;
    virtual void endEdit(int32_t index) = 0;
    // While a control tracks the mouse in a loop of its own, from time to
    // time: the host's own idle work.
    virtual void hostIdle() = 0;

    virtual SampleStatus sampleStatus() = 0;
    // The files are tried in order until one loads, in the background; the
    // sample before goes on playing. False when nothing could be asked.
    virtual bool requestSampleLoad(const char* const* paths, int32_t count) = 0;
    virtual void cancelSampleLoad() = 0;
    virtual LoadProgress loadProgress() = 0;
    // At the panel's idle: a load that ended since, and a failure's message.
    // A loaded sample has told the host its project changed.
    virtual LoadOutcome finishSampleLoad(std::string& failure) = 0;
    // Saved with the instance; tells the host its project changed.
    virtual void setKeepSamples(bool keep) = 0;

    // The sample as the strip draws it (null before the first), and the
    // voices as the audio thread last showed them: true when a newer
    // snapshot was taken since; grainSnapshot() is the one taken last.
    virtual std::shared_ptr<const SampleOverview> sampleOverview() = 0;
    virtual bool takeGrainSnapshot() = 0;
    virtual const GrainSnapshot& grainSnapshot() = 0;
    // A failure the host's own calls could not report (a save or a restore
    // short of memory), once; empty when there is none.
    virtual std::string takeNotice() = 0;
};
