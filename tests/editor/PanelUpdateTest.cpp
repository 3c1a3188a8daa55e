// The panel following the host: parameter and program changes, the value
// displays' shaping, closing and reopening.
#include <cstdio>
#include <cstring>

#include "gui/controls/AnimKnob.h"
#include "tests/editor/PanelFixture.h"
#include "vst2/Vst2Editor.h"

namespace paneltest {
namespace {

using PanelUpdates = PanelTest;

TEST_F(PanelUpdates, FreshPanelShowsTheCurrentValues) {
    EXPECT_EQ(shownFrame(panel, 0), 30);
    EXPECT_EQ(shownFrame(panel, 1), 30);
    EXPECT_EQ(shownFrame(panel, 2), 30);
    EXPECT_EQ(shownFrame(panel, 3), 6);
    EXPECT_EQ(labelText(editor->getValueLabel(0)), "1.000");
    EXPECT_EQ(labelText(editor->getValueLabel(1)), "92.9 ms");
    EXPECT_EQ(labelText(editor->getValueLabel(2)), "6.00");
    EXPECT_EQ(labelText(editor->getValueLabel(3)), "1.13 ms");
    EXPECT_EQ(labelText(editor->getFileLabel()), "");
    EXPECT_EQ(headless::windowPixel(panel, 50, 70), buttonUpPixel);
    EXPECT_EQ(headless::windowPixel(panel, 5, 5), backgroundPixel);
}

TEST_F(PanelUpdates, DisplayTextsAreShortenedAndGetTheirUnit) {
    const struct {
        int32_t index;
        float value;
        const char* shown;
    } cases[] = {
        {0, 0.5f, "1.000"}, {1, 0.5f, "92.9 ms"}, {1, 1.0f, "183 ms"}, {2, 0.5f, "6.00"},
        {2, 1.0f, "10.5"},  {3, 0.1f, "1.13 ms"}, {3, 1.0f, "11.3 ms"}, {0, 1.0f, "2.000"},
    };
    for (const auto& c : cases) {
        fx.setParameter(c.index, c.value);
        EXPECT_EQ(labelText(editor->getValueLabel(c.index)), c.shown) << c.index << " at " << c.value;
    }
}

TEST_F(PanelUpdates, HostParameterChangesReachKnobAndDisplayAtTheNextIdle) {
    fx.setParameter(2, 1.0f);
    // Stored at once, drawn at the idle.
    EXPECT_EQ(labelText(editor->getValueLabel(2)), "10.5");
    EXPECT_EQ(shownFrame(panel, 2), 30);
    idle();
    EXPECT_EQ(shownFrame(panel, 2), 60);
    EXPECT_FALSE(editor->getKnob(2)->isDirty());
    // The knob only moves: nothing is reported back to the host.
    EXPECT_EQ(fx.host().count(audioMasterAutomate), 0u);

    // Indices the panel has no view for are ignored.
    fx.setParameter(7, 0.3f);
    fx.setParameter(-2, 0.3f);
    engine->setParameter(4, 0.9f);
    idle();
    for (int32_t i = 0; i < 4; i++)
        EXPECT_EQ(editor->getKnob(i)->getValue(), fx.getParameter(i));
}

TEST_F(PanelUpdates, ProgramChangesMoveEveryKnobAndThePathDisplay) {
    ScratchFolder folder;
    const std::string sample = folder.file("program-one.wav");
    writeWav(sample, 3000);

    // Program 1 with values of its own and a sample; program 3 with a sample
    // that is not there.
    std::vector<unsigned char> bank = fx.getChunk();
    ASSERT_EQ(bank.size(), 1200u);
    GranularProgram one;
    std::memcpy(&one, bank.data() + 300, 300);
    const float values[4] = {0.0f, 1.0f, 0.25f, 0.75f};
    std::memcpy(one.values, values, sizeof values);
    std::snprintf(one.samplePath, sizeof one.samplePath, "%s", sample.c_str());
    std::memcpy(bank.data() + 300, &one, 300);
    GranularProgram three;
    std::memcpy(&three, bank.data() + 900, 300);
    std::snprintf(three.samplePath, sizeof three.samplePath, "%s", folder.file("missing.wav").c_str());
    std::memcpy(bank.data() + 900, &three, 300);
    fx.setChunk(bank);
    idle();

    fx.setProgram(1);
    idle();
    EXPECT_EQ(shownFrame(panel, 0), 0);
    EXPECT_EQ(shownFrame(panel, 1), 60);
    EXPECT_EQ(shownFrame(panel, 2), 15);
    EXPECT_EQ(shownFrame(panel, 3), 45);
    EXPECT_EQ(labelText(editor->getValueLabel(2)), "3.75");
    EXPECT_EQ(labelText(editor->getFileLabel()), sample);

    // A program without a path takes over the shown sample; one whose
    // sample is nowhere says so.
    fx.setProgram(2);
    idle();
    EXPECT_EQ(labelText(editor->getFileLabel()), sample);
    EXPECT_EQ(shownFrame(panel, 0), 30);
    fx.setProgram(3);
    idle();
    EXPECT_EQ(labelText(editor->getFileLabel()), "Missing: " + folder.file("missing.wav"));
    // Back to a program whose sample is there: the plain path again.
    fx.setProgram(1);
    idle();
    EXPECT_EQ(labelText(editor->getFileLabel()), sample);
}

TEST_F(PanelUpdates, ClosingAndReopeningRebuildsThePanelFromTheEffect) {
    fx.setParameter(1, 1.0f);
    closePanel();
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_FALSE(headless::isWindow(panel));
    EXPECT_EQ(editor->getKnob(1), nullptr);

    // While closed, changes touch no view.
    fx.setParameter(0, 0.0f);
    fx.setParameter(-1, 0.0f);
    idle();

    openPanel();
    EXPECT_EQ(shownFrame(panel, 0), 0);
    EXPECT_EQ(shownFrame(panel, 1), 60);
    EXPECT_EQ(labelText(editor->getValueLabel(0)), "0.000");
    EXPECT_EQ(labelText(editor->getValueLabel(1)), "183 ms");

    ERect* rect = nullptr;
    EXPECT_EQ(fx.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 400);
}

// An instrument whose display texts are shorter than the panel's cuts.
class TerseController : public Vst2Controller {
public:
    using Vst2Controller::Vst2Controller;
    std::string parameterDisplay(int32_t) override { return "ab"; }
};

TEST(PanelShortDisplays, TextShorterThanTheCutKeepsItsTextAndLosesTheUnit) {
    headless::reset();
    {
        GranularPlugin plugin(nullptr);
        TerseController controller(plugin, plugin.instrument());
        PluginEditor* panel = new PluginEditor(&controller);
        Vst2Editor vst2Editor(nullptr, panel);
        Vst2Editor* editor = &vst2Editor;
        ERect* rect = nullptr;
        EXPECT_EQ(editor->getRect(&rect), 1);
        EXPECT_EQ(rect->bottom, 290);  // before any open: the panel and the strip under it
        // A screen that asks for twice the size gets a panel twice as big,
        // which the toolkit still draws at its own size.
        headless::setScreenScale(200);
        EXPECT_EQ(editor->getRect(&rect), 1);
        EXPECT_EQ(rect->right, 800);
        EXPECT_EQ(rect->bottom, 580);
        headless::setScreenScale(150);
        EXPECT_EQ(editor->getRect(&rect), 1);
        EXPECT_EQ(rect->right, 600);
        EXPECT_EQ(rect->bottom, 435);
        headless::setScreenScale(100);
        EXPECT_EQ(editor->getRect(&rect), 1);
        EXPECT_EQ(rect->right, 400);
        const platform::WindowHandle host = headless::createHostWindow(0, 0, 400, 200);
        ASSERT_EQ(editor->open(host), 1);
        for (int32_t i = 0; i < 4; i++)
            EXPECT_EQ(labelText(panel->getValueLabel(i)), "ab") << i;
        // The host may destroy the effect with the panel still open.
    }
    headless::reset();
}

}  // namespace
}  // namespace paneltest
