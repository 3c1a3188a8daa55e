#include "tools/lv2host/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/resize-port/resize-port.h>

#include <algorithm>
#include <cmath>

namespace {

// Nodes freed on scope exit.
struct Node {
    LilvNode* node;
    Node(LilvWorld* world, const char* uri) : node(lilv_new_uri(world, uri)) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    operator const LilvNode*() const { return node; }
};

}  // namespace

void* Lv2Port::buffer()
{
    if (kind == Kind::control)
        return &value;
    if (kind == Kind::atom)
        return atomBuffer.data();
    return samples.empty() ? nullptr : samples.data();
}

bool readPorts(LilvWorld* world, const LilvPlugin* plugin, uint32_t maxBlock, uint32_t defaultAtomSize,
               std::vector<Lv2Port>& ports, std::string& error)
{
    Node input(world, LV2_CORE__InputPort), audio(world, LV2_CORE__AudioPort), control(world, LV2_CORE__ControlPort),
        cv(world, LV2_CORE__CVPort), atom(world, LV2_ATOM__AtomPort), midiEvent(world, LV2_MIDI__MidiEvent),
        optional(world, LV2_CORE__connectionOptional), designation(world, LV2_CORE__designation),
        controlRole(world, LV2_CORE__control), minimumSize(world, LV2_RESIZE_PORT__minimumSize);

    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimums(count), maximums(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minimums.data(), maximums.data(), defaults.data());
    ports.assign(count, Lv2Port{});
    for (uint32_t i = 0; i < count; ++i) {
        const LilvPort* lilvPort = lilv_plugin_get_port_by_index(plugin, i);
        Lv2Port& port = ports[i];
        port.index = i;
        port.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, lilvPort));
        port.input = lilv_port_is_a(plugin, lilvPort, input);
        port.optional = lilv_port_has_property(plugin, lilvPort, optional);
        if (lilv_port_is_a(plugin, lilvPort, control)) {
            port.kind = Lv2Port::Kind::control;
            port.value = !std::isnan(defaults[i]) ? defaults[i] : !std::isnan(minimums[i]) ? minimums[i] : 0.0f;
        } else if (lilv_port_is_a(plugin, lilvPort, audio) || lilv_port_is_a(plugin, lilvPort, cv)) {
            port.kind = lilv_port_is_a(plugin, lilvPort, audio) ? Lv2Port::Kind::audio : Lv2Port::Kind::cv;
            port.samples.assign(std::max<uint32_t>(maxBlock, 1), 0.0f);
        } else if (lilv_port_is_a(plugin, lilvPort, atom)) {
            port.kind = Lv2Port::Kind::atom;
            port.midi = port.input && lilv_port_supports_event(plugin, lilvPort, midiEvent);
            uint32_t size = defaultAtomSize;
            if (LilvNode* declared = lilv_port_get(plugin, lilvPort, minimumSize)) {
                if (lilv_node_is_int(declared))
                    size = std::max<uint32_t>(size, uint32_t(std::max(0, lilv_node_as_int(declared))));
                lilv_node_free(declared);
            }
            port.atomCapacity = (size + 7) / 8 * 8;
            port.atomBuffer.assign(port.atomCapacity / 8, 0);
        } else if (!port.optional) {
            error = "port " + std::to_string(i) + " (" + port.symbol + ") is of a kind this host does not know";
            return false;
        }
        if (LilvNodes* roles = lilv_port_get_value(plugin, lilvPort, designation)) {
            port.controlDesignation = lilv_nodes_contains(roles, controlRole);
            lilv_nodes_free(roles);
        }
    }
    return true;
}
