#include "tools/render/PluginRenderer.h"

#include "tools/render/BlockScheduler.h"

PluginRenderer::~PluginRenderer()
{
    instance_.close();  // before the module goes
}

bool PluginRenderer::fail(const std::string& what)
{
    error_ = what;
    return false;
}

bool PluginRenderer::setUp(const RenderJob& job)
{
    job_ = job;
    if (job.entry == nullptr && !module_.load(job.pluginPath))
        return fail("cannot load the plug-in module " + job.pluginPath + ": " + module_.error());

    // Answer as a real host does: version 2400, automation, idle and MIDI
    // requests accepted, rate and block size on request.
    HostCallbackRecorder& host = instance_.host();
    host.setAnswer(audioMasterVersion, 2400);
    host.setAnswer(audioMasterAutomate, 1);
    host.setAnswer(audioMasterIdle, 1);
    host.setAnswer(audioMasterWantMidi, 1);
    host.setAnswer(audioMasterGetSampleRate, VstIntPtr(job.sampleRate));
    host.setAnswer(audioMasterGetBlockSize, job.blockSize);

    AEffect* effect = job.entry != nullptr ? instance_.create(job.entry) : instance_.create(module_);
    if (effect == nullptr)
        return fail(job.pluginPath + ": the module's entry point returned no plug-in");
    if (effect->magic != kEffectMagic)
        return fail(job.pluginPath + ": the module returned a record that is not a plug-in");
    if (effect->numOutputs < 1)
        return fail(job.pluginPath + ": the plug-in has no outputs");
    if ((effect->flags & kFlagProgramChunks) == 0)
        return fail(job.pluginPath + ": the plug-in does not take a program bank");

    instance_.open();
    instance_.setSampleRate(float(job.sampleRate));
    instance_.setBlockSize(job.blockSize);
    instance_.resume();
    if (instance_.setChunk(job.bank) == 0)
        return fail(job.pluginPath + ": the plug-in refused the program bank");
    for (const ParamSetting& p : job.params)
        instance_.setParameter(p.index, p.value);
    return true;
}

ProgramBank PluginRenderer::currentBank()
{
    std::vector<unsigned char> chunk = instance_.getChunk();
    return ProgramBank(chunk.begin(), chunk.end());
}

bool PluginRenderer::render(const BlockSink& sink, const ProgressSink& progress)
{
    AEffect* effect = instance_.effect();
    BlockScheduler scheduler(job_.events, job_.lengthFrames, job_.blockSize);
    RenderBlock block;
    MidiEventList list;
    int32_t right = effect->numOutputs > 1 ? 1 : 0;
    while (scheduler.next(block)) {
        for (const ParamSetting& p : block.paramsBefore)
            instance_.setParameter(p.index, p.value);
        if (block.overfull)
            ++overfull_;
        list.clear();
        for (const BlockMidi& m : block.midi)
            list.add(m.deltaFrames, m.bytes[0], m.bytes[1], m.bytes[2]);
        if (list.size() > 0)
            instance_.processEvents(list);
        instance_.runProcess(block.frames);
        if (!sink(instance_.output(0), instance_.output(right), block.frames))
            return false;
        // The host log is not needed here; keep it from growing.
        instance_.host().clear();
        if (progress)
            progress(block.startFrame + block.frames);
    }
    return true;
}
