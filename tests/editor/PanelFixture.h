#pragma once
// The real instrument created in this process, driven through its dispatcher
// by the test host library, with its panel open in a host window of the
// headless backend. Test artwork makes film frames and button states
// readable from the panel's pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/PluginEditor.h"
#include "editor/TextLabel.h"
#include "engine/GranularEngine.h"
#include "gui/Frame.h"
#include "platform/headless/HeadlessControl.h"
#include "tests/controls/ScriptedMouse.h"
#include "tools/hostlib/PluginHost.h"
#include "vst2/GranularPlugin.h"

namespace paneltest {

// Knob film frame k is filled with red 4k; the button's states are dark
// blue (up) and bright green (down); the background is flat grey.
constexpr uint32_t buttonUpPixel = headless::rgb(0, 0, 90);
constexpr uint32_t buttonDownPixel = headless::rgb(0, 250, 0);
constexpr uint32_t backgroundPixel = headless::rgb(66, 66, 74);
void registerTestArtwork();

// The film frame the knob of a parameter shows, read from its centre pixel.
int32_t shownFrame(platform::WindowHandle panel, int32_t parameter);

// Knob centres in panel coordinates.
inline Point knobCentre(int32_t parameter) { return Point(80 + 80 * parameter, 150); }

// A minimal 16-bit WAV file: a sine, and in a second channel a slower,
// quieter one.
void writeWav(const std::string& path, int32_t frames, uint32_t rate = 44100, uint16_t channels = 1);

// A folder of its own under the temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string file(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// The instance's plug-in, instrument and editor behind a record made in
// this process.
GranularPlugin* pluginOf(PluginInstance& fx);
GranularEngine* engineOf(PluginInstance& fx);
PluginEditor* editorOf(PluginInstance& fx);
// Creates an instance of the real instrument in this process.
bool createInstrument(PluginInstance& fx);

std::string labelText(TextLabel* label);

// Calls of the given opcodes, in order.
std::vector<HostCall> callsOf(PluginInstance& fx, std::initializer_list<int32_t> opcodes);
// The values reported for automation, consecutive near-equal ones merged.
std::vector<float> automatedValues(PluginInstance& fx, int32_t index);

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the panel in a new host window, lets it paint, idles once and
    // forgets the host calls made so far.
    void openPanel();
    void closePanel();
    void idle() { fx.dispatch(effEditIdle); }
    // Idles, as a host does, until a load the user asked for has finished
    // on the loader's thread and the panel has taken it up.
    void settleLoads();
    void gesture(const std::vector<Pose>& poses)
    {
        perform(panel, poses);
        settleLoads();
    }

    // Set before SetUp: the module's own artwork instead of the test
    // artwork, for pictures people look at.
    bool realArtwork = false;
    PluginInstance fx;
    GranularEngine* engine = nullptr;
    PluginEditor* editor = nullptr;
    platform::WindowHandle hostWindow = nullptr;
    platform::WindowHandle panel = nullptr;
};

}  // namespace paneltest
