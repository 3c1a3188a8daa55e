// The editor interface: its defaults, and the editor opcodes of both
// dispatchers with and without an editor.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/vst2/SpyEffect.h"

namespace {
VstIntPtr dispatch(AudioEffect& fx, int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  AEffect* e = fx.getAeffect();
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

class CountingEditor : public AEffEditor {
 public:
  using AEffEditor::AEffEditor;
  void update() override { ++updates; }
  int updates = 0;
};
}  // namespace

TEST(Editor, DefaultEditorAnswersHarmlessly) {
  SpyEffect fx;
  auto* editor = new AEffEditor(&fx);
  fx.setEditor(editor);
  ERect* rect = reinterpret_cast<ERect*>(&fx);  // garbage the editor must overwrite
  EXPECT_EQ(dispatch(fx, effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  int window = 0;
  EXPECT_EQ(dispatch(fx, effEditOpen, 0, 0, &window), 0);
  EXPECT_EQ(editor->getSystemWindow(), &window);
  EXPECT_EQ(dispatch(fx, effEditKeyDown, 65, 13, nullptr, 2.0f), -1);
  EXPECT_EQ(dispatch(fx, effEditKeyUp, 65, 13, nullptr, 2.0f), -1);
  EXPECT_EQ(dispatch(fx, effSetEditKnobMode, 0, 2), 0);
  EXPECT_EQ(dispatch(fx, effEditIdle), 0);
  EXPECT_EQ(dispatch(fx, effEditClose), 0);
}

TEST(Editor, PostedUpdateRunsOnceOnTheNextIdle) {
  SpyEffect fx;
  auto* editor = new CountingEditor(&fx);
  fx.setEditor(editor);
  dispatch(fx, effEditIdle);
  EXPECT_EQ(editor->updates, 0);
  editor->postUpdate();
  dispatch(fx, effEditIdle);
  dispatch(fx, effEditIdle);
  EXPECT_EQ(editor->updates, 1);
}

TEST(Editor, OpcodesReachTheEditorWithTheirArguments) {
  SpyEffect fx;
  auto* editor = new SpyEditor(&fx);
  fx.setEditor(editor);
  ERect* rect = nullptr;
  EXPECT_EQ(dispatch(fx, effEditGetRect, 0, 0, &rect), 11);
  EXPECT_EQ(rect, &editor->rect);
  int window = 0;
  EXPECT_EQ(dispatch(fx, effEditOpen, 0, 0, &window), 12);
  EXPECT_EQ(editor->getSystemWindow(), &window);
  EXPECT_EQ(dispatch(fx, effEditIdle), 0);
  EXPECT_EQ(dispatch(fx, effEditClose), 0);
  EXPECT_EQ(editor->log, (std::vector<std::string>{"getRect", "open", "idle", "close"}));

  EXPECT_EQ(dispatch(fx, effEditKeyDown, 65, 13, nullptr, 2.0f), 21);
  EXPECT_EQ(editor->key.character, 65);
  EXPECT_EQ(editor->key.virt, 13);
  EXPECT_EQ(editor->key.modifier, 2);
  // Only the low byte of value and of the truncated opt travel.
  EXPECT_EQ(dispatch(fx, effEditKeyUp, -3, 0x1FF, nullptr, 259.9f), 22);
  EXPECT_EQ(editor->key.character, -3);
  EXPECT_EQ(editor->key.virt, 0xFF);
  EXPECT_EQ(editor->key.modifier, 3);
  // A modifier the host sends as garbage does not overflow the conversion.
  EXPECT_EQ(dispatch(fx, effEditKeyDown, 1, 1, nullptr, std::nanf("")), 21);
  EXPECT_EQ(editor->key.modifier, 0);

  EXPECT_EQ(dispatch(fx, effSetEditKnobMode, 0, 2), 23);
  EXPECT_EQ(editor->knobMode, 2);
}

TEST(Editor, WithoutEditorTheOpcodesAnswerZero) {
  SpyEffect fx;
  ERect* rect = nullptr;
  int window = 0;
  EXPECT_EQ(dispatch(fx, effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  for (int32_t opcode : {effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
    EXPECT_EQ(dispatch(fx, opcode, 65, 13, &window, 2.0f), 0) << opcode;
  EXPECT_EQ(fx.getEditor(), nullptr);
}

TEST(Editor, SetEditorKeepsTheFlagInStepAndTheEffectDeletesIt) {
  int deleted = 0;
  {
    SpyEffect fx;
    fx.hasClip(true);
    fx.setEditor(new SpyEditor(&fx, &deleted));
    EXPECT_EQ(fx.getAeffect()->flags, kFlagHasEditor | kFlagHasClip);
    EXPECT_NE(fx.getEditor(), nullptr);
  }
  EXPECT_EQ(deleted, 1);

  SpyEffect fx;
  auto* editor = new SpyEditor(&fx, &deleted);
  fx.setEditor(editor);
  fx.setEditor(nullptr);  // the editor could not be created after all
  EXPECT_EQ(fx.getAeffect()->flags, 0);
  delete editor;
}
