#include "tools/lv2host/Lv2Instance.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr uint32_t kDefaultAtomSize = 65536;

// Bytes of a MIDI message by its status byte.
uint32_t midiSize(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

bool isKnownRequirement(const char* uri)
{
    // Properties of the plug-in rather than things to give: this host runs
    // every buffer apart and is not a live host, so it meets them all.
    for (const char* met : {LV2_CORE__inPlaceBroken, LV2_CORE__isLive, LV2_CORE__hardRTCapable})
        if (std::string(uri) == met)
            return true;
    return false;
}

}  // namespace

Lv2Instance::~Lv2Instance()
{
    if (instance_ != nullptr) {
        lilv_instance_deactivate(instance_);
        worker_.stop();
        lilv_instance_free(instance_);
    }
    if (world_ != nullptr)
        lilv_world_free(world_);
    if (features_) {
        std::error_code ignored;
        std::filesystem::remove_all(features_->scratchDir(), ignored);
    }
}

bool Lv2Instance::open(const std::string& bundle, const std::string& uri, double sampleRate, uint32_t maxBlock,
                       std::string& error)
{
    maxBlock_ = maxBlock;
    world_ = lilv_world_new();
    std::error_code failed;
    std::string folder = std::filesystem::absolute(bundle, failed).string();
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    LilvNode* bundleNode = lilv_new_file_uri(world_, nullptr, folder.c_str());
    lilv_world_load_bundle(world_, bundleNode);
    lilv_node_free(bundleNode);
    LilvNode* uriNode = lilv_new_uri(world_, uri.c_str());
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uriNode);
    lilv_node_free(uriNode);
    if (plugin_ == nullptr) {
        error = "no plug-in " + uri + " in " + bundle;
        return false;
    }

    if (!readPorts(world_, plugin_, maxBlock, kDefaultAtomSize, ports_, error))
        return false;
    uint32_t sequenceSize = kDefaultAtomSize;
    for (size_t i = 0; i < ports_.size(); ++i) {
        const Lv2Port& port = ports_[i];
        if (port.kind == Lv2Port::Kind::audio && !port.input)
            audioOutputs_.push_back(int(i));
        if (port.kind == Lv2Port::Kind::atom && port.input) {
            if (midiInput_ < 0 && port.midi)
                midiInput_ = int(i);
            if (messageInput_ < 0 && port.controlDesignation)
                messageInput_ = int(i);
        }
        sequenceSize = std::max(sequenceSize, port.atomCapacity);
    }
    if (messageInput_ < 0)
        messageInput_ = midiInput_;

    char scratch[] = "/tmp/lv2host-scratch.XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        error = "cannot make a scratch folder in /tmp";
        return false;
    }
    features_ = std::make_unique<HostFeatures>(urids_, worker_, sampleRate, maxBlock, sequenceSize, scratch);

    LilvNodes* required = lilv_plugin_get_required_features(plugin_);
    LILV_FOREACH (nodes, i, required) {
        const char* feature = lilv_node_as_uri(lilv_nodes_get(required, i));
        if (!features_->gives(feature) && !isKnownRequirement(feature))
            error = "the plug-in requires " + std::string(feature) + ", which this host does not give";
    }
    lilv_nodes_free(required);
    if (!error.empty())
        return false;

    instance_ = lilv_plugin_instantiate(plugin_, sampleRate, features_->list());
    if (instance_ == nullptr) {
        error = "the plug-in did not instantiate";
        return false;
    }
    for (Lv2Port& port : ports_)
        lilv_instance_connect_port(instance_, port.index, port.buffer());
    loadDefaultState();
    worker_.start(lilv_instance_get_handle(instance_),
                  static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface)));
    lilv_instance_activate(instance_);
    return true;
}

Lv2Port* Lv2Instance::controlInput(const std::string& symbol)
{
    for (Lv2Port& port : ports_)
        if (port.kind == Lv2Port::Kind::control && port.input && port.symbol == symbol)
            return &port;
    return nullptr;
}

Lv2Port* Lv2Instance::controlInput(int n)
{
    for (Lv2Port& port : ports_)
        if (port.kind == Lv2Port::Kind::control && port.input && n-- == 0)
            return &port;
    return nullptr;
}

std::vector<const Lv2Port*> Lv2Instance::controlInputs() const
{
    std::vector<const Lv2Port*> controls;
    for (const Lv2Port& port : ports_)
        if (port.kind == Lv2Port::Kind::control && port.input)
            controls.push_back(&port);
    return controls;
}

std::string Lv2Instance::pathParameter() const
{
    LilvNode* writable = lilv_new_uri(world_, LV2_PATCH__writable);
    LilvNode* range = lilv_new_uri(world_, "http://www.w3.org/2000/01/rdf-schema#range");
    LilvNode* pathType = lilv_new_uri(world_, LV2_ATOM__Path);
    std::string found;
    int count = 0;
    LilvNodes* parameters = lilv_world_find_nodes(world_, lilv_plugin_get_uri(plugin_), writable, nullptr);
    LILV_FOREACH (nodes, i, parameters) {
        const LilvNode* parameter = lilv_nodes_get(parameters, i);
        if (lilv_world_ask(world_, parameter, range, pathType)) {
            found = lilv_node_as_uri(parameter);
            ++count;
        }
    }
    lilv_nodes_free(parameters);
    lilv_node_free(pathType);
    lilv_node_free(range);
    lilv_node_free(writable);
    return count == 1 ? found : std::string();
}

void Lv2Instance::queuePathParameter(const std::string& parameter, const std::string& path)
{
    pending_.push_back({parameter, path});
}

void Lv2Instance::writeInputs(const std::vector<BlockMidi>& midi)
{
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, urids_.mapFeature());
    const LV2_URID midiEvent = urids_.map(LV2_MIDI__MidiEvent);
    for (size_t i = 0; i < ports_.size(); ++i) {
        Lv2Port& port = ports_[i];
        if (port.kind != Lv2Port::Kind::atom)
            continue;
        auto* bytes = reinterpret_cast<uint8_t*>(port.atomBuffer.data());
        if (!port.input) {
            // An output comes in holding its capacity, for the plug-in to fill.
            auto* atom = reinterpret_cast<LV2_Atom*>(bytes);
            atom->size = port.atomCapacity - uint32_t(sizeof(LV2_Atom));
            atom->type = urids_.map(LV2_ATOM__Chunk);
            continue;
        }
        lv2_atom_forge_set_buffer(&forge, bytes, port.atomCapacity);
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        if (int(i) == messageInput_) {
            for (const PathMessage& message : pending_) {
                LV2_Atom_Forge_Frame object;
                lv2_atom_forge_frame_time(&forge, 0);
                lv2_atom_forge_object(&forge, &object, 0, urids_.map(LV2_PATCH__Set));
                lv2_atom_forge_key(&forge, urids_.map(LV2_PATCH__property));
                lv2_atom_forge_urid(&forge, urids_.map(message.parameter.c_str()));
                lv2_atom_forge_key(&forge, urids_.map(LV2_PATCH__value));
                lv2_atom_forge_path(&forge, message.path.c_str(), uint32_t(message.path.size()));
                lv2_atom_forge_pop(&forge, &object);
            }
            pending_.clear();
        }
        if (int(i) == midiInput_) {
            for (const BlockMidi& event : midi) {
                lv2_atom_forge_frame_time(&forge, event.deltaFrames);
                const uint32_t size = midiSize(event.bytes[0]);
                lv2_atom_forge_atom(&forge, size, midiEvent);
                lv2_atom_forge_write(&forge, event.bytes, size);
            }
        }
        lv2_atom_forge_pop(&forge, &sequence);
    }
}

void Lv2Instance::run(uint32_t frames, const std::vector<BlockMidi>& midi)
{
    writeInputs(midi);
    runPlugin(frames);
    finishBlock();
}

const float* Lv2Instance::output(int channel) const
{
    if (audioOutputs_.empty())
        return nullptr;
    const size_t which = std::min<size_t>(size_t(channel), audioOutputs_.size() - 1);
    return ports_[size_t(audioOutputs_[which])].samples.data();
}

const void* Lv2Instance::portValue(const char* symbol, void* self, uint32_t* size, uint32_t* type)
{
    auto* host = static_cast<Lv2Instance*>(self);
    Lv2Port* port = host->controlInput(symbol);
    if (port == nullptr) {
        *size = *type = 0;
        return nullptr;
    }
    *size = sizeof port->value;
    *type = host->urids_.map(LV2_ATOM__Float);
    return &port->value;
}

void Lv2Instance::setPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type)
{
    auto* host = static_cast<Lv2Instance*>(self);
    Lv2Port* port = host->controlInput(symbol);
    UridMap& urids = host->urids_;
    if (port == nullptr || value == nullptr)
        return;
    if (type == urids.map(LV2_ATOM__Float) && size == sizeof(float))
        port->value = *static_cast<const float*>(value);
    else if (type == urids.map(LV2_ATOM__Double) && size == sizeof(double))
        port->value = float(*static_cast<const double*>(value));
    else if (type == urids.map(LV2_ATOM__Int) && size == sizeof(int32_t))
        port->value = float(*static_cast<const int32_t*>(value));
}

namespace {

std::string folderOf(const std::string& folder)
{
    std::error_code failed;
    std::string absolute = std::filesystem::absolute(folder, failed).string();
    if (!absolute.empty() && absolute.back() != '/')
        absolute += '/';
    return absolute;
}

}  // namespace

bool Lv2Instance::saveState(const std::string& folder, std::string& error)
{
    const std::string dir = folderOf(folder);
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    // As a simple host keeps one instance's state: copies of what the
    // plug-in made, links to outside files and the state itself in one folder.
    LilvState* state = lilv_state_new_from_instance(plugin_, instance_, urids_.mapFeature(),
                                                    (features_->scratchDir() + "/").c_str(), dir.c_str(), dir.c_str(),
                                                    dir.c_str(), portValue, this,
                                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_->list());
    if (state == nullptr) {
        error = "the state could not be taken from the instance";
        return false;
    }
    const int saved = lilv_state_save(world_, urids_.mapFeature(), urids_.unmapFeature(), state, nullptr,
                                      dir.c_str(), "state.ttl");
    lilv_state_free(state);
    if (saved != 0) {
        error = "the state could not be saved into " + dir;
        return false;
    }
    return true;
}

bool Lv2Instance::restore(LilvState* state)
{
    if (state == nullptr)
        return false;
    lilv_state_restore(state, instance_, setPortValue, this, 0, features_->list());
    lilv_state_free(state);
    // A plug-in may finish a restore on its worker (it was given the
    // schedule): a run of no frames takes the answer before anything plays.
    run(0, {});
    return true;
}

void Lv2Instance::loadDefaultState()
{
    LilvNode* feature = lilv_new_uri(world_, LV2_STATE__loadDefaultState);
    const bool wanted = lilv_plugin_has_feature(plugin_, feature);
    lilv_node_free(feature);
    if (!wanted)
        return;
    restore(lilv_state_new_from_world(world_, urids_.mapFeature(), lilv_plugin_get_uri(plugin_)));
}

bool Lv2Instance::restoreState(const std::string& folder, std::string& error)
{
    const std::string file = folderOf(folder) + "state.ttl";
    if (!restore(lilv_state_new_from_file(world_, urids_.mapFeature(), nullptr, file.c_str())))
        return error = "no state could be read from " + file, false;
    return true;
}

bool Lv2Instance::applyPreset(const std::string& uri, std::string& error)
{
    LilvNode* preset = lilv_new_uri(world_, uri.c_str());
    lilv_world_load_resource(world_, preset);
    LilvState* state = lilv_state_new_from_world(world_, urids_.mapFeature(), preset);
    lilv_node_free(preset);
    if (!restore(state))
        return error = "no preset " + uri, false;
    return true;
}
