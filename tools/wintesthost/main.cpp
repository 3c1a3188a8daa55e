// A small Windows host for testing the plug-in DLLs under Wine.
//   parvolino-wintesthost identity DLL
//   parvolino-wintesthost render DLL SCORE OUT.wav [--block FRAMES]
//   parvolino-wintesthost editor DLL [--capture BMP] [--final-capture BMP] [--sample WAV]
//                         [--hold-ms MS | --quit-file PATH] [--pos X Y] [--drop FILE]... [--drop-capture BMP]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/wintesthost/Checks.h"
#include "tools/wintesthost/Commands.h"
#include "tools/wintesthost/ImageFiles.h"
#include "tools/wintesthost/PluginModule.h"
#include "tools/render/ScoreReader.h"
#include "tools/wintesthost/ScoreRenderer.h"

int checkFailures = 0;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: parvolino-wintesthost identity DLL\n"
               "       parvolino-wintesthost render DLL SCORE OUT.wav [--block FRAMES]\n"
               "       parvolino-wintesthost editor DLL [--capture BMP] [--final-capture BMP] [--sample WAV]\n"
               "                             [--hold-ms MS | --quit-file PATH] [--pos X Y] [--drop FILE]... [--drop-capture BMP]\n"
               "                             [--dpi-aware]\n");
  return 2;
}

int runRender(PluginModule& plugin, const std::string& scorePath, const std::string& outPath, int32_t block) {
  RenderPlan plan;
  std::string error;
  if (!readScoreFile(scorePath, plan, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const uint32_t rate = plan.sampleRate.value_or(44100);
  prepareInstance(plugin.effect(), rate, block);
  if (!loadBank(plugin.effect(), plan.samplePath.value_or(""), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  RenderResult result;
  const int64_t frames = planFrames(plan, rate);
  renderPlan(plugin.effect(), plan, frames, block, result);
  plugin.dispatch(effMainsChanged, 0, 0);
  if (!writeFloatWav(outPath, result.left, result.right, rate)) {
    std::fprintf(stderr, "%s: cannot write\n", outPath.c_str());
    return 1;
  }
  float peak = 0.0f;
  for (float v : result.left) peak = v > peak ? v : (-v > peak ? -v : peak);
  std::printf("rendered %lld frames, peak %.6f, to %s\n", static_cast<long long>(frames),
              static_cast<double>(peak), outPath.c_str());
  return check(plugin.close() == 1, "effClose answers 1") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string command = argv[1];
  PluginModule plugin;
  std::string error;
  if (!plugin.load(argv[2], error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (command == "identity" && argc == 3) return runIdentity(plugin);
  if (command == "render" && (argc == 5 || argc == 7)) {
    int32_t block = 512;
    if (argc == 7) {
      if (std::string(argv[5]) != "--block" || (block = std::atoi(argv[6])) <= 0) return usage();
    }
    return runRender(plugin, argv[3], argv[4], block);
  }
  if (command == "editor") {
    EditorOptions o;
    for (int i = 3; i < argc; ++i) {
      std::string a = argv[i];
      bool more = i + 1 < argc;
      if (a == "--capture" && more) o.capture = argv[++i];
      else if (a == "--final-capture" && more) o.finalCapture = argv[++i];
      else if (a == "--sample" && more) o.samplePath = argv[++i];
      else if (a == "--quit-file" && more) o.quitFile = argv[++i];
      else if (a == "--hold-ms" && more) o.holdMs = std::atoi(argv[++i]);
      else if (a == "--drop" && more) o.dropFiles.push_back(argv[++i]);
      else if (a == "--drop-capture" && more) o.dropCapture = argv[++i];
      else if (a == "--dpi-aware") o.dpiAware = true;
      else if (a == "--pos" && i + 2 < argc) {
        o.x = std::atoi(argv[++i]);
        o.y = std::atoi(argv[++i]);
      } else return usage();
    }
    return runEditor(plugin, o);
  }
  return usage();
}
