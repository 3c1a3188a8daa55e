#include "tests/editor/PanelFixture.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "vst2/GranularPlugin.h"
#include "vst2/PluginFactory.h"
#include "vst2/Vst2Editor.h"

namespace paneltest {

void registerTestArtwork() {
    std::vector<uint32_t> strip(60 * 3660);
    for (int32_t row = 0; row < 3660; row++)
        for (int32_t column = 0; column < 60; column++)
            strip[row * 60 + column] = headless::rgb(static_cast<uint8_t>(4 * (row / 60)), 0, 0);
    headless::addBitmapResource(200, 60, 3660, strip);

    std::vector<uint32_t> button(80 * 50);
    for (int32_t i = 0; i < 80 * 50; i++)
        button[i] = i < 80 * 25 ? buttonUpPixel : buttonDownPixel;
    headless::addBitmapResource(201, 80, 50, button);

    headless::addBitmapResource(202, 400, 200, std::vector<uint32_t>(400 * 200, backgroundPixel));
}

int32_t shownFrame(platform::WindowHandle panel, int32_t parameter) {
    const Point centre = knobCentre(parameter);
    const uint32_t pixel = headless::windowPixel(panel, centre.h, centre.v);
    return static_cast<int32_t>((pixel >> 16) / 4);
}

void writeWav(const std::string& path, int32_t frames, uint32_t rate, uint16_t channels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, file); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, file); };
    const uint32_t dataBytes = static_cast<uint32_t>(frames) * 2 * channels;
    std::fwrite("RIFF", 1, 4, file);
    u32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1);  // integer PCM
    u16(channels);
    u32(rate);
    u32(rate * 2 * channels);
    u16(static_cast<uint16_t>(2 * channels));
    u16(16);
    std::fwrite("data", 1, 4, file);
    u32(dataBytes);
    for (int32_t i = 0; i < frames; i++) {
        u16(static_cast<uint16_t>(static_cast<int16_t>(8000.0 * std::sin(i * 0.05))));
        if (channels > 1)
            u16(static_cast<uint16_t>(static_cast<int16_t>(4000.0 * std::sin(i * 0.0007))));
    }
    std::fclose(file);
}

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/parvolino-panel-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

GranularPlugin* pluginOf(PluginInstance& fx) {
    return static_cast<GranularPlugin*>(static_cast<AudioEffect*>(fx.effect()->object));
}

GranularEngine* engineOf(PluginInstance& fx) {
    return &pluginOf(fx)->instrument();
}

PluginEditor* editorOf(PluginInstance& fx) {
    return pluginOf(fx)->vst2Editor()->panel();
}

namespace {

AEffect* instrumentEntry(audioMasterCallback host) {
    AudioEffect* effect = createEffectInstance(host);
    return effect ? effect->getAeffect() : nullptr;
}

}  // namespace

bool createInstrument(PluginInstance& fx) {
    return fx.create(&instrumentEntry) != nullptr;
}

std::string labelText(TextLabel* label) {
    char text[64] = {};
    if (label)
        label->getText(text);
    return text;
}

std::vector<HostCall> callsOf(PluginInstance& fx, std::initializer_list<int32_t> opcodes) {
    std::vector<HostCall> wanted;
    for (const HostCall& call : fx.host().calls())
        for (int32_t opcode : opcodes)
            if (call.opcode == opcode)
                wanted.push_back(call);
    return wanted;
}

std::vector<float> automatedValues(PluginInstance& fx, int32_t index) {
    std::vector<float> values;
    for (const HostCall& call : callsOf(fx, {audioMasterAutomate})) {
        if (call.index != index)
            continue;
        if (values.empty() || std::fabs(values.back() - call.opt) > 1e-4f)
            values.push_back(call.opt);
    }
    return values;
}

void PanelTest::SetUp() {
    headless::reset();
    if (!realArtwork)
        registerTestArtwork();
    ASSERT_TRUE(createInstrument(fx));
    fx.setSampleRate(44100.0f);
    engine = engineOf(fx);
    editor = editorOf(fx);
    // The knob mode is shared by the whole process: start every test circular.
    fx.dispatch(effSetEditKnobMode, 0, 0);
    openPanel();
}

void PanelTest::TearDown() {
    if (editor->getFrame())
        closePanel();
    fx.close();
    headless::reset();
}

void PanelTest::openPanel() {
    hostWindow = headless::createHostWindow(300, 200, 400, 290);
    ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, hostWindow), 1);
    ASSERT_NE(editor->getFrame(), nullptr);
    panel = editor->getFrame()->getSystemWindow();
    headless::paintAll();
    idle();
    fx.host().clear();
}

void PanelTest::closePanel() {
    fx.dispatch(effEditClose);
    platform::destroyWindow(hostWindow);
}

void PanelTest::settleLoads() {
    for (int i = 0; i < 5000 && engine->isLoadingSample(); ++i) {
        idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace paneltest
