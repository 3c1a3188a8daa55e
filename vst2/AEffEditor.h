// The editor interface the effect base forwards the host's editor opcodes to.
// Every operation has a harmless default, so an editor that does nothing
// still answers the host correctly.
#pragma once

#include "vst2/VstInterface.h"

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect);
  // The effect base deletes its editor through this destructor.
  virtual ~AEffEditor();

  // Stores a pointer to the editor's size in *rect (null by default).
  virtual int32_t getRect(ERect** rect);
  // window is the host's parent window.
  virtual int32_t open(void* window);
  virtual void close();
  // Runs a pending update, once.
  virtual void idle();
  virtual void update();
  virtual void postUpdate();
  // Answer -1 when the key is not used.
  virtual int32_t onKeyDown(VstKeyCode& keyCode);
  virtual int32_t onKeyUp(VstKeyCode& keyCode);
  virtual int32_t setKnobMode(int32_t mode);

  AudioEffect* getEffect() const { return effect; }
  void* getSystemWindow() const { return systemWindow; }

 protected:
  AudioEffect* effect;  // not owned
  void* systemWindow;   // the host's parent window, null until open
  int32_t updateFlag;   // non-zero while an update is pending
};
