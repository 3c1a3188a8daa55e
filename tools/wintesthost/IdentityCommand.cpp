// `identity`: reads the instance record byte by byte at the offsets hosts
// use, and asks the dispatcher who the plug-in is. Record invariants are
// checked here; the values are printed for the caller to compare.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/wintesthost/Checks.h"
#include "tools/wintesthost/Commands.h"
#include "tools/wintesthost/PluginModule.h"

namespace {

// Offsets of the record's fields as hosts read them, per pointer width.
struct RecordLayout {
  size_t dispatcher, process, setParameter, getParameter, numPrograms, numParams, numInputs,
      numOutputs, flags, resvd1, resvd2, initialDelay, realQualities, offQualities, ioRatio,
      object, user, uniqueID, version, processReplacing, future, size;
};
constexpr RecordLayout kLayout32 = {4,  8,  12, 16, 20, 24, 28, 32, 36, 40, 44,
                                    48, 52, 56, 60, 64, 68, 72, 76, 80, 84, 144};
constexpr RecordLayout kLayout64 = {8,  16, 24, 32, 40, 44,  48,  52,  56,  64,  72,
                                    80, 84, 88, 92, 96, 104, 112, 116, 120, 128, 192};

int32_t readInt(const unsigned char* base, size_t offset) {
  int32_t v;
  std::memcpy(&v, base + offset, 4);
  return v;
}
const void* readPointer(const unsigned char* base, size_t offset) {
  const void* p;
  std::memcpy(&p, base + offset, sizeof p);
  return p;
}
std::string fourCC(int32_t v) {
  char s[5] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
               static_cast<char>(v), 0};
  return s;
}

std::string textOf(const PluginModule& m, int32_t opcode, int32_t index = 0) {
  char text[256];
  std::memset(text, 0, sizeof text);
  m.dispatch(opcode, index, 0, text);
  text[sizeof text - 1] = 0;
  return text;
}

}  // namespace

int runIdentity(PluginModule& plugin) {
  const RecordLayout& L = sizeof(void*) == 4 ? kLayout32 : kLayout64;
  const auto* rec = reinterpret_cast<const unsigned char*>(plugin.effect());
  std::printf("pointerBits=%d\n", static_cast<int>(sizeof(void*) * 8));
  std::printf("recordSize=%d\n", static_cast<int>(L.size));
  std::printf("exports.main=%d\n", plugin.exports("main") ? 1 : 0);
  std::printf("exports.VSTPluginMain=%d\n", plugin.exports("VSTPluginMain") ? 1 : 0);

  check(readInt(rec, 0) == kEffectMagic, "magic is 'VstP'");
  check(plugin.insideImage(readPointer(rec, L.dispatcher)), "dispatcher points into the module");
  check(plugin.insideImage(readPointer(rec, L.process)), "process points into the module");
  check(plugin.insideImage(readPointer(rec, L.setParameter)), "setParameter points into the module");
  check(plugin.insideImage(readPointer(rec, L.getParameter)), "getParameter points into the module");
  check(plugin.insideImage(readPointer(rec, L.processReplacing)),
        "processReplacing points into the module");
  check(readPointer(rec, L.object) != nullptr, "object is set");
  check(readPointer(rec, L.user) == nullptr, "user is null");
  check(readPointer(rec, L.resvd1) == nullptr && readPointer(rec, L.resvd2) == nullptr,
        "reserved fields are zero");
  check(readInt(rec, L.initialDelay) == 0 && readInt(rec, L.realQualities) == 0 &&
            readInt(rec, L.offQualities) == 0,
        "delay and qualities are zero");
  bool futureZero = true;
  for (size_t i = L.future; i < L.size; ++i) futureZero = futureZero && rec[i] == 0;
  check(futureZero, "future bytes are zero up to the end of the record");
  // The fields the C++ view of the record sees must be the ones read raw.
  check(reinterpret_cast<const unsigned char*>(&plugin.effect()->future) == rec + L.future &&
            sizeof(AEffect) == L.size,
        "the record type matches the host's layout");

  float ioRatio;
  std::memcpy(&ioRatio, rec + L.ioRatio, 4);
  std::printf("numPrograms=%d\n", readInt(rec, L.numPrograms));
  std::printf("numParams=%d\n", readInt(rec, L.numParams));
  std::printf("numInputs=%d\n", readInt(rec, L.numInputs));
  std::printf("numOutputs=%d\n", readInt(rec, L.numOutputs));
  std::printf("flags=0x%x\n", static_cast<unsigned>(readInt(rec, L.flags)));
  std::printf("ioRatio=%g\n", static_cast<double>(ioRatio));
  std::printf("uniqueID=%s\n", fourCC(readInt(rec, L.uniqueID)).c_str());
  std::printf("version=%d\n", readInt(rec, L.version));

  std::printf("identify=%s\n", fourCC(static_cast<int32_t>(plugin.dispatch(effIdentify))).c_str());
  std::printf("vstVersion=%d\n", static_cast<int>(plugin.dispatch(effGetVstVersion)));
  std::printf("category=%d\n", static_cast<int>(plugin.dispatch(effGetPlugCategory)));
  std::printf("vendor=%s\n", textOf(plugin, effGetVendorString).c_str());
  std::printf("product=%s\n", textOf(plugin, effGetProductString).c_str());
  std::printf("vendorVersion=%d\n", static_cast<int>(plugin.dispatch(effGetVendorVersion)));
  for (const char* word : {"receiveVstEvents", "receiveVstMidiEvent", "offline"}) {
    std::printf("canDo.%s=%d\n", word,
                static_cast<int>(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(word))));
  }
  for (int i = 0; i < readInt(rec, L.numParams) && i < 16; ++i)
    std::printf("param%d=%s\n", i, textOf(plugin, effGetParamName, i).c_str());
  std::printf("programName=%s\n", textOf(plugin, effGetProgramName).c_str());
  void* chunk = nullptr;
  std::printf("chunkSize=%d\n", static_cast<int>(plugin.dispatch(effGetChunk, 0, 0, &chunk)));
  ERect* rect = nullptr;
  if (plugin.dispatch(effEditGetRect, 0, 0, &rect) && rect)
    std::printf("editRect=%d %d %d %d\n", rect->top, rect->left, rect->bottom, rect->right);
  else
    std::printf("editRect=none\n");

  VstIntPtr closed = plugin.close();
  std::printf("close=%d\n", static_cast<int>(closed));
  check(closed == 1, "effClose answers 1");
  return checkFailures == 0 ? 0 : 1;
}
