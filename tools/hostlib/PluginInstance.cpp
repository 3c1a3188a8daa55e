#include <algorithm>
#include <cstring>

#include "tools/hostlib/PluginHost.h"

void AudioBuffers::resize(int32_t channels, int32_t frames) {
  numFrames = frames < 0 ? 0 : frames;
  data.assign(channels < 0 ? 0 : static_cast<size_t>(channels), std::vector<float>(numFrames, 0.0f));
  views.clear();
  for (auto& channel : data) views.push_back(channel.data());
}

void AudioBuffers::clear() { fill(0.0f); }

void AudioBuffers::fill(float value) {
  for (auto& channel : data) std::fill(channel.begin(), channel.end(), value);
}

PluginInstance::~PluginInstance() { close(); }

AEffect* PluginInstance::create(const PluginModule& module) { return create(module.entry()); }

AEffect* PluginInstance::create(PluginEntryProc entry) {
  if (!entry) return nullptr;
  return create([entry](audioMasterCallback callback) { return entry(callback); });
}

AEffect* PluginInstance::create(const std::function<AEffect*(audioMasterCallback)>& factory) {
  close();
  {
    HostCallbackRecorder::CreationScope scope(recorder);
    record = factory(HostCallbackRecorder::callback());
  }
  if (record) recorder.bind(record);
  return record;
}

VstIntPtr PluginInstance::close() {
  if (!record) return 0;
  AEffect* closing = record;
  record = nullptr;
  const VstIntPtr result = closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
  recorder.unbind(closing);
  return result;
}

VstIntPtr PluginInstance::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
  return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void PluginInstance::setBlockSize(int32_t frames) {
  blockSize = frames;
  dispatch(effSetBlockSize, 0, frames);
}

std::string PluginInstance::text(int32_t opcode, int32_t index) {
  char buffer[256];
  std::memset(buffer, 0x7f, sizeof buffer);
  dispatch(opcode, index, 0, buffer);
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

void PluginInstance::setParameter(int32_t index, float value) { record->setParameter(record, index, value); }

float PluginInstance::getParameter(int32_t index) { return record->getParameter(record, index); }

VstIntPtr PluginInstance::canDo(const std::string& word) {
  std::vector<char> text(word.begin(), word.end());
  text.push_back(0);
  return dispatch(effCanDo, 0, 0, text.data());
}

std::vector<unsigned char> PluginInstance::getChunk(bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr PluginInstance::setChunk(const std::vector<unsigned char>& chunk, bool isPreset) {
  std::vector<unsigned char> copy(chunk);  // the plug-in may not keep or change the host's data
  return dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(copy.size()), copy.data());
}

std::optional<ERect> PluginInstance::editorRect() {
  ERect* rect = nullptr;
  dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect) return std::nullopt;
  return *rect;
}

void PluginInstance::prepareBuffers(int32_t frames) {
  const int32_t size = std::max(frames, blockSize);
  if (inputs.channels() != record->numInputs || inputs.frames() < size) inputs.resize(record->numInputs, size);
  if (outputs.channels() != record->numOutputs || outputs.frames() < size)
    outputs.resize(record->numOutputs, size);
}

void PluginInstance::runProcess(int32_t frames) {
  prepareBuffers(frames);
  outputs.clear();
  record->process(record, inputs.pointers(), outputs.pointers(), frames);
}

void PluginInstance::runProcessReplacing(int32_t frames) {
  prepareBuffers(frames);
  record->processReplacing(record, inputs.pointers(), outputs.pointers(), frames);
}
