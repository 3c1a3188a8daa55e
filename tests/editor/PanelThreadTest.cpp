// Pitch bends set Speed from inside process on the audio thread, and notes
// play there, while the panel idles and redraws on this thread, the strip
// showing the grains: the audio side must leave every view alone, and the
// panel must catch up at its next idle.
#include <atomic>
#include <thread>

#include "editor/SampleStrip.h"
#include "editor/WaveformView.h"
#include "gui/controls/AnimKnob.h"
#include "tests/editor/PanelFixture.h"

namespace paneltest {
namespace {

TEST(PanelThreads, PitchBendsOnTheAudioThreadReachThePanelThroughItsIdle) {
    headless::reset();
    registerTestArtwork();
    {
        PluginInstance fx;
        ASSERT_TRUE(createInstrument(fx));
        fx.setSampleRate(44100.0f);
        fx.setBlockSize(64);
        fx.resume();
        // Without a sample the instrument ignores its MIDI.
        ScratchFolder folder;
        writeWav(folder.file("bend.wav"), 2000);
        ASSERT_EQ(engineOf(fx)->loadSampleFile(folder.file("bend.wav").c_str()), nullptr);
        PluginEditor* editor = editorOf(fx);
        const platform::WindowHandle host = headless::createHostWindow(0, 0, 400, 200);
        ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, host), 1);
        const platform::WindowHandle panel = editor->getFrame()->getSystemWindow();
        headless::paintAll();

        std::atomic<bool> stop{false};
        std::atomic<int> blocks{0};
        std::thread audio([&] {
            MidiEventList events;
            for (int i = 0; !stop.load() || i < 200; i++) {
                events.clear();
                // Unsigned, so a long run wraps instead of overflowing.
                const unsigned n = static_cast<unsigned>(i);
                events.pitchBend(0, 0, static_cast<int>((n * 997u) % 16384u));
                events.pitchBend(32, 1, static_cast<int>((n * 7919u) % 16384u));
                if (n % 8 == 0)
                    events.noteOn(40, 0, 40 + static_cast<int>(n / 8 % 40), 100);
                fx.processEvents(events);
                fx.runProcess(64);
                blocks.fetch_add(1);
            }
        });
        int grainsShown = 0;
        for (int pass = 0; pass < 3000 || blocks.load() < 200; pass++) {
            headless::advanceClock(SampleStrip::liveInterval / 4);
            fx.dispatch(effEditIdle);
            grainsShown += editor->getStrip().getWaveform()->columnLook(100).grain > 0;
            if (pass % 25 == 0)
                editor->getFrame()->redraw();
        }
        stop.store(true);
        audio.join();

        EXPECT_GT(grainsShown, 0);

        // The last bends are shown after one more idle.
        fx.dispatch(effEditIdle);
        const float speed = fx.getParameter(0);
        EXPECT_EQ(editor->getKnob(0)->getValue(), speed);
        EXPECT_FALSE(editor->getKnob(0)->isDirty());
        EXPECT_EQ(shownFrame(panel, 0), editor->getKnob(0)->frameOffset() / 60);
        char display[24] = {};
        fx.effect()->dispatcher(fx.effect(), effGetParamDisplay, 0, 0, display, 0.0f);
        EXPECT_EQ(labelText(editor->getValueLabel(0)), std::string(display, 5));
        EXPECT_GT(fx.host().count(audioMasterAutomate), 200u);

        fx.dispatch(effEditClose);
        fx.close();
    }
    headless::reset();
}

}  // namespace
}  // namespace paneltest
