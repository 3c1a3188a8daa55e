#include "tests/lv2/InProcessLv2.h"

#include "lv2/Ports.h"
#include "lv2/Protocol.h"
#include "lv2/Uris.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>

#include <cstring>

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);
extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index);

using namespace parvolino;

namespace {

constexpr size_t kSequenceBytes = 65536;
constexpr uint32_t kMaxBlock = 8192;

}  // namespace

InProcessLv2::InProcessLv2(double sampleRate)
    : control_(kSequenceBytes / 8), notify_(kSequenceBytes / 8)
{
    audio_[0].resize(kMaxBlock);
    audio_[1].resize(kMaxBlock);
    descriptor_ = lv2_descriptor(0);
    const LV2_Feature mapFeature{LV2_URID__map, &map_};
    const LV2_Feature scheduleFeature{LV2_WORKER__schedule, &schedule_};
    const LV2_Feature* features[] = {&mapFeature, &scheduleFeature, nullptr};
    dsp_ = descriptor_->instantiate(descriptor_, sampleRate, "", features);
    if (dsp_ == nullptr)
        return;
    worker_ = static_cast<const LV2_Worker_Interface*>(descriptor_->extension_data(LV2_WORKER__interface));
    descriptor_->connect_port(dsp_, lv2ports::kControl, control_.data());
    descriptor_->connect_port(dsp_, lv2ports::kNotify, notify_.data());
    descriptor_->connect_port(dsp_, lv2ports::kOutLeft, audio_[0].data());
    descriptor_->connect_port(dsp_, lv2ports::kOutRight, audio_[1].data());
    for (uint32_t i = 0; i < 4; ++i)
        descriptor_->connect_port(dsp_, lv2ports::kFirstParameterPort + i, &controls_[i]);
    descriptor_->activate(dsp_);
}

InProcessLv2::~InProcessLv2()
{
    closeUi();
    if (dsp_ != nullptr) {
        descriptor_->deactivate(dsp_);
        descriptor_->cleanup(dsp_);
    }
}

LV2_URID InProcessLv2::map(const char* uri)
{
    return mapUri(this, uri);
}

LV2_URID InProcessLv2::mapUri(LV2_URID_Map_Handle self, const char* uri)
{
    auto& urids = static_cast<InProcessLv2*>(self)->urids_;
    return urids.emplace(uri, LV2_URID(urids.size() + 1)).first->second;
}

LV2_Worker_Status InProcessLv2::schedule(LV2_Worker_Schedule_Handle self, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<InProcessLv2*>(self)->jobs_.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status InProcessLv2::respond(LV2_Worker_Respond_Handle self, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<InProcessLv2*>(self)->answers_.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

LV2UI_Handle InProcessLv2::openUi(void* parent)
{
    uiDescriptor_ = lv2ui_descriptor(0);
    const LV2_Feature mapFeature{LV2_URID__map, &map_};
    const LV2_Feature parentFeature{LV2_UI__parent, parent};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch_};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize_};
    const LV2_Feature* features[] = {&mapFeature, &parentFeature, &touchFeature, &resizeFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    ui_ = uiDescriptor_->instantiate(uiDescriptor_, lv2uris::kPlugin, "", write, this, &widget, features);
    if (ui_ == nullptr)
        return nullptr;
    uiIdle_ = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor_->extension_data(LV2_UI__idleInterface));
    // As hosts do: the UI hears the control ports' values first.
    for (uint32_t i = 0; i < 4; ++i)
        uiDescriptor_->port_event(ui_, lv2ports::kFirstParameterPort + i, sizeof(float), 0, &controls_[i]);
    return ui_;
}

void InProcessLv2::closeUi()
{
    if (ui_ != nullptr)
        uiDescriptor_->cleanup(ui_);
    ui_ = nullptr;
}

void InProcessLv2::idleUi()
{
    if (ui_ != nullptr && uiIdle_ != nullptr)
        uiIdle_->idle(ui_);
}

void InProcessLv2::setControl(int32_t parameter, float value)
{
    controls_[parameter] = value;
    if (ui_ != nullptr)
        uiDescriptor_->port_event(ui_, lv2ports::kFirstParameterPort + uint32_t(parameter), sizeof value, 0, &value);
}

void InProcessLv2::write(LV2UI_Controller self, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
{
    auto* host = static_cast<InProcessLv2*>(self);
    if (port == lv2ports::kControl && protocol == host->map(LV2_ATOM__eventTransfer)) {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        host->fromUi_.emplace_back(bytes, bytes + size);
    } else if (port >= lv2ports::kFirstParameterPort && port < lv2ports::kPortCount && protocol == 0 &&
               size == sizeof(float)) {
        const float value = *static_cast<const float*>(buffer);
        host->controls_[port - lv2ports::kFirstParameterPort] = value;
        host->portWrites.emplace_back(port, value);
    }
}

void InProcessLv2::touch(LV2UI_Feature_Handle self, uint32_t port, bool grabbed)
{
    static_cast<InProcessLv2*>(self)->touches.emplace_back(port, grabbed);
}

int InProcessLv2::resize(LV2UI_Feature_Handle self, int width, int height)
{
    auto* host = static_cast<InProcessLv2*>(self);
    host->resizedWidth = width;
    host->resizedHeight = height;
    return 0;
}

void InProcessLv2::setSample(const std::string& path)
{
    std::vector<uint8_t> message(path.size() + 256);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map_);
    lv2_atom_forge_set_buffer(&forge, message.data(), message.size());
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, map(LV2_PATCH__Set));
    lv2_atom_forge_key(&forge, map(LV2_PATCH__property));
    lv2_atom_forge_urid(&forge, map(lv2uris::kSample));
    lv2_atom_forge_key(&forge, map(LV2_PATCH__value));
    lv2_atom_forge_path(&forge, path.c_str(), uint32_t(path.size()));
    lv2_atom_forge_pop(&forge, &object);
    message.resize(lv2_atom_total_size(reinterpret_cast<const LV2_Atom*>(message.data())));
    fromUi_.push_back(std::move(message));
}

void InProcessLv2::writeControlSequence(const std::vector<Midi>& midi)
{
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map_);
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(control_.data()), kSequenceBytes);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    for (const std::vector<uint8_t>& atom : fromUi_) {
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_write(&forge, atom.data(), uint32_t(atom.size()));
    }
    fromUi_.clear();
    for (const Midi& event : midi) {
        lv2_atom_forge_frame_time(&forge, event.frame);
        lv2_atom_forge_atom(&forge, 3, map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge, event.bytes.data(), 3);
    }
    lv2_atom_forge_pop(&forge, &sequence);
}

void InProcessLv2::run(uint32_t frames, const std::vector<Midi>& midi)
{
    writeControlSequence(midi);
    auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
    notify->atom.size = uint32_t(kSequenceBytes - sizeof(LV2_Atom));
    notify->atom.type = map(LV2_ATOM__Chunk);
    descriptor_->run(dsp_, frames);

    // The worker, as a host that waits for it after each block.
    std::vector<std::vector<uint8_t>> jobs;
    jobs.swap(jobs_);
    for (const std::vector<uint8_t>& job : jobs)
        worker_->work(dsp_, respond, this, uint32_t(job.size()), job.data());
    std::vector<std::vector<uint8_t>> answers;
    answers.swap(answers_);
    for (const std::vector<uint8_t>& answer : answers)
        worker_->work_response(dsp_, uint32_t(answer.size()), answer.data());

    LV2_ATOM_SEQUENCE_FOREACH (notify, event) {
        const LV2_Atom& body = event->body;
        const LV2_URID type =
            body.type == map(LV2_ATOM__Object) ? reinterpret_cast<const LV2_Atom_Object&>(body).body.otype : 0;
        notified.push_back({type, uint32_t(sizeof(LV2_Atom)) + body.size});
        if (ui_ != nullptr)
            uiDescriptor_->port_event(ui_, lv2ports::kNotify, uint32_t(sizeof(LV2_Atom)) + body.size,
                                      map(LV2_ATOM__eventTransfer), &body);
    }
}
