// parvolino-render: renders MIDI through the plug-in module into a WAV file.

#include "tools/render/RenderCommand.h"

#ifdef PARVOLINO_RENDER_BUILT_IN
#include "tools/render/BuiltInInstrument.h"
#include "tools/render/PanelPicture.h"
#endif

#include <filesystem>
#include <system_error>

namespace {

// The module built next to this tool, found relative to the executable so
// that a moved build tree still works.
std::string pluginNextToExecutable()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        std::filesystem::path candidate = (self.parent_path() / PARVOLINO_RENDER_PLUGIN_RELATIVE).lexically_normal();
        if (std::filesystem::exists(candidate, error))
            return candidate.string();
    }
    return PARVOLINO_RENDER_PLUGIN_BUILT;
}

}  // namespace

int main(int argc, char** argv)
{
    RenderPaths paths;
    paths.defaultPlugin = pluginNextToExecutable();
    paths.defaultSample = PARVOLINO_DEFAULT_SAMPLE;
#ifdef PARVOLINO_RENDER_BUILT_IN
    paths.writePanel = writeBuiltInPanel;
    paths.classicInstrument = classicInstrument;
#endif
    return runRenderCommand(argc, argv, paths);
}
