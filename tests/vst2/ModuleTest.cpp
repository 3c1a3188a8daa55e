// The test effect loaded as a real module, the way a host sees it: its
// entry points, its export tables, and the instances it creates.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "vst2/testfx/TestEffect.h"
#include "tools/hostlib/PluginHost.h"

namespace {
std::string run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// The names in the "[Ordinal/Name Pointer] Table" of a PE export table.
std::set<std::string> peExports(const std::string& dump) {
  std::set<std::string> names;
  std::istringstream lines(dump);
  std::string line;
  bool inTable = false;
  while (std::getline(lines, line)) {
    if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
      inTable = true;
    } else if (inTable) {
      const auto close = line.find(']');
      if (line.find('[') == std::string::npos || close == std::string::npos) break;
      names.insert(line.substr(line.find_first_not_of(' ', close + 1)));
    }
  }
  return names;
}

class Module : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.load(TESTFX_MODULE)) << module.error(); }
  PluginModule module;
};

std::set<std::string> elfExports(const std::string& path) {
  std::set<std::string> names;
  std::istringstream lines(run("nm -D --defined-only '" + path + "'"));
  std::string address, type, name;
  while (lines >> address >> type >> name) names.insert(name);
  return names;
}

const std::set<std::string> kEntryPoints{"VSTPluginMain", "main"};
}  // namespace

TEST(ModuleExports, LinuxModulesExportOnlyTheirEntryPoints) {
  EXPECT_EQ(elfExports(TESTFX_MODULE), kEntryPoints);
#ifdef SHIPPED_MODULE
  EXPECT_EQ(elfExports(SHIPPED_MODULE), kEntryPoints);
#endif
}

// The cross builds leave their modules next to the source tree; checked
// whenever they are there.
TEST(ModuleExports, WindowsModulesExportMainAndVstPluginMainUndecorated) {
  int checked = 0;
  for (const char* dll : {"build-win32/testfx-x86.dll", "build-win64/testfx-x64.dll", "build-win32/parvolino-x86.dll",
                          "build-win64/parvolino-x64.dll"}) {
    const std::filesystem::path path = std::filesystem::path(SOURCE_DIR) / dll;
    if (!std::filesystem::exists(path)) continue;
    const std::string dump = run("x86_64-w64-mingw32-objdump -p '" + path.string() + "' 2>/dev/null");
    if (dump.empty()) continue;
    EXPECT_EQ(peExports(dump), kEntryPoints) << dll;
    // Only system DLLs may be imported: the runtime is linked in.
    EXPECT_EQ(dump.find("libstdc++"), std::string::npos) << dll;
    EXPECT_EQ(dump.find("libgcc"), std::string::npos) << dll;
    EXPECT_EQ(dump.find("libwinpthread"), std::string::npos) << dll;
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "the Windows modules are not built";
}

TEST_F(Module, BothEntryNamesCreateAnInstance) {
  EXPECT_EQ(module.entryName(), "VSTPluginMain");
  for (const char* name : {"VSTPluginMain", "main"}) {
    auto entry = reinterpret_cast<PluginEntryProc>(module.symbol(name));
    ASSERT_NE(entry, nullptr) << name;
    PluginInstance fx;
    AEffect* e = fx.create(entry);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->flags, 0x121);
    EXPECT_EQ(e->uniqueID, kTestEffectID);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(fx.close(), 1);
  }
}

TEST_F(Module, MainAsksTheVersionAndGivesUpWhenTheHostAnswersZero) {
  PluginInstance refused;
  refused.host().setAnswer(audioMasterVersion, 0);
  EXPECT_EQ(refused.create(module), nullptr);
  auto calls = refused.host().calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(calls[0].effect, nullptr);
  EXPECT_EQ(calls[0].index, 0);
  EXPECT_EQ(calls[0].value, 0);
  EXPECT_EQ(calls[0].ptr, nullptr);
  EXPECT_EQ(calls[0].opt, 0.0f);
  // A null host callback is refused without a call.
  EXPECT_EQ(module.entry()(nullptr), nullptr);

  PluginInstance accepted;
  ASSERT_NE(accepted.create(module), nullptr);
  EXPECT_EQ(accepted.host().count(audioMasterVersion), 1u);
}

TEST_F(Module, InstancesAreIndependent) {
  PluginInstance a, b;
  ASSERT_NE(a.create(module), nullptr);
  ASSERT_NE(b.create(module), nullptr);
  EXPECT_NE(a.effect(), b.effect());
  EXPECT_NE(a.effect()->object, b.effect()->object);
  a.setParameter(0, 0.5f);
  b.setParameter(0, 0.25f);
  EXPECT_EQ(a.getParameter(0), 0.5f);
  EXPECT_EQ(b.getParameter(0), 0.25f);
  a.setProgram(3);
  EXPECT_EQ(a.program(), 3);
  EXPECT_EQ(b.program(), 0);
  EXPECT_EQ(a.close(), 1);
  EXPECT_EQ(b.getParameter(0), 0.25f);  // b survives a's close
}

TEST_F(Module, HostTalksToTheModuleThroughEveryKindOfCall) {
  PluginInstance fx;
  ASSERT_NE(fx.create(module), nullptr);
  fx.open();
  fx.setSampleRate(48000.0f);
  fx.setBlockSize(64);
  fx.resume();
  EXPECT_EQ(fx.parameterName(2), "Param2");
  fx.setParameter(1, 0.5f);
  EXPECT_EQ(fx.parameterDisplay(1), "0.500000");
  EXPECT_EQ(fx.parameterLabel(0), "units");
  fx.setProgram(2);
  EXPECT_EQ(fx.programName(), "Program 2");
  EXPECT_EQ(fx.dispatch(effGetVu), 16383);
  EXPECT_EQ(fx.dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(fx.canDo("receiveVstEvents"), 1);
  EXPECT_EQ(fx.canDo("offline"), -1);
  EXPECT_EQ(fx.dispatch(effGetPlugCategory), 2);
  EXPECT_EQ(fx.dispatch(effGetVstVersion), 2200);
  EXPECT_EQ(fx.dispatch(effKeysRequired), 1);
  EXPECT_EQ(fx.text(effGetEffectName, 0), "TestFx");
  EXPECT_EQ(fx.dispatch(100), 0);

  auto rect = fx.editorRect();
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->right, 200);
  EXPECT_EQ(rect->bottom, 100);
  EXPECT_EQ(fx.dispatch(effEditKeyDown, 65, 13, nullptr, 2.0f), 65 << 16 | 13 << 8 | 2);
  EXPECT_EQ(fx.dispatch(effSetEditKnobMode, 0, 2), 3);

  MidiEventList events;
  for (int i = 0; i < 40; ++i) events.noteOn(i, 0, 60 + i % 12, 100);  // longer than the declared two
  EXPECT_EQ(fx.processEvents(events), 40);

  fx.setParameter(0, 0.125f);
  fx.runProcess(64);
  EXPECT_EQ(fx.output(0)[0], 0.125f);
  EXPECT_EQ(fx.output(1)[63], 0.125f);
  fx.runProcess(64);  // the host clears before each accumulating call
  EXPECT_EQ(fx.output(0)[5], 0.125f);
  fx.setParameter(0, -1.0f);
  fx.runProcessReplacing(32);
  EXPECT_EQ(fx.output(1)[31], -1.0f);
  EXPECT_EQ(fx.output(1)[32], 0.125f);
  fx.suspend();
}

TEST_F(Module, AttachRoutineRecordsTheModulesLoadAddress) {
  PluginInstance fx;
  ASSERT_NE(fx.create(module), nullptr);
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(module.entry()), &info), 0);
  EXPECT_EQ(fx.dispatch(effVendorSpecific), reinterpret_cast<VstIntPtr>(info.dli_fbase));
  EXPECT_NE(info.dli_fbase, nullptr);
}

TEST(ModuleLoading, ReportsWhatIsWrong) {
  PluginModule missing;
  EXPECT_FALSE(missing.load("/nonexistent/module.so"));
  EXPECT_FALSE(missing.error().empty());
  EXPECT_FALSE(missing.loaded());
  PluginModule noEntry;
  EXPECT_FALSE(noEntry.load(LIBM_PATH)) << "a library without entry points must be refused";
  EXPECT_NE(noEntry.error().find("neither"), std::string::npos) << noEntry.error();
}
