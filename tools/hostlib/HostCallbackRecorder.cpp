#include <algorithm>

#include "tools/hostlib/PluginHost.h"

namespace {
// Which recorder answers for which record; shared by every instance.
std::mutex registryMutex;
std::map<AEffect*, HostCallbackRecorder*>& registry() {
  static std::map<AEffect*, HostCallbackRecorder*> map;
  return map;
}
thread_local HostCallbackRecorder* creating = nullptr;

VstIntPtr recordingCallback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                            float opt) {
  HostCallbackRecorder* recorder = nullptr;
  if (effect) {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = registry().find(effect);
    if (found != registry().end()) recorder = found->second;
  }
  if (!recorder) recorder = creating;
  if (!recorder) return 0;  // a call from an instance nobody hosts any more
  return recorder->answer(HostCall{effect, opcode, index, value, ptr, opt});
}
}  // namespace

HostCallbackRecorder::HostCallbackRecorder() { answers[audioMasterVersion] = 2400; }

HostCallbackRecorder::~HostCallbackRecorder() {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto& map = registry();
  for (auto it = map.begin(); it != map.end();) it = it->second == this ? map.erase(it) : std::next(it);
}

void HostCallbackRecorder::setAnswer(int32_t opcode, VstIntPtr value) {
  std::lock_guard<std::mutex> lock(mutex);
  answers[opcode] = value;
  handlers.erase(opcode);
}

void HostCallbackRecorder::setHandler(int32_t opcode, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex);
  handlers[opcode] = std::move(handler);
}

VstIntPtr HostCallbackRecorder::answer(const HostCall& call) {
  Handler handler;
  VstIntPtr result = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back(call);
    auto h = handlers.find(call.opcode);
    if (h != handlers.end()) {
      handler = h->second;
    } else {
      auto a = answers.find(call.opcode);
      if (a != answers.end()) result = a->second;
    }
  }
  return handler ? handler(call) : result;
}

std::vector<HostCall> HostCallbackRecorder::calls() const {
  std::lock_guard<std::mutex> lock(mutex);
  return log;
}

std::vector<HostCall> HostCallbackRecorder::callsOf(int32_t opcode) const {
  std::lock_guard<std::mutex> lock(mutex);
  std::vector<HostCall> found;
  std::copy_if(log.begin(), log.end(), std::back_inserter(found),
               [opcode](const HostCall& c) { return c.opcode == opcode; });
  return found;
}

size_t HostCallbackRecorder::count(int32_t opcode) const {
  std::lock_guard<std::mutex> lock(mutex);
  return static_cast<size_t>(
      std::count_if(log.begin(), log.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

size_t HostCallbackRecorder::size() const {
  std::lock_guard<std::mutex> lock(mutex);
  return log.size();
}

void HostCallbackRecorder::clear() {
  std::lock_guard<std::mutex> lock(mutex);
  log.clear();
}

audioMasterCallback HostCallbackRecorder::callback() { return recordingCallback; }

void HostCallbackRecorder::bind(AEffect* effect) {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry()[effect] = this;
}

void HostCallbackRecorder::unbind(AEffect* effect) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto found = registry().find(effect);
  if (found != registry().end() && found->second == this) registry().erase(found);
}

HostCallbackRecorder::CreationScope::CreationScope(HostCallbackRecorder& recorder) : previous(creating) {
  creating = &recorder;
}

HostCallbackRecorder::CreationScope::~CreationScope() { creating = previous; }
