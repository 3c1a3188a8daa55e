#include "lv2/dsp/NotifyWriter.h"

#include "lv2/Protocol.h"

#include <cstring>

namespace {

// A patch:Set of one parameter with a path of at most kMaxPathBytes.
constexpr uint32_t kLargestPatchSet = 128 + parvolino::lv2protocol::kMaxPathBytes;

}  // namespace

NotifyWriter::NotifyWriter(const Lv2Urids& urids, LV2_URID_Map* map) : urids_(urids)
{
    lv2_atom_forge_init(&forge_, map);
}

void NotifyWriter::begin(LV2_Atom_Sequence* port)
{
    port_ = port;
    if (port_ == nullptr)
        return;
    // The host hands the port over holding its capacity in the atom's size.
    const uint32_t capacity = port_->atom.size + uint32_t(sizeof(LV2_Atom));
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(port_), capacity);
    if (capacity < sizeof(LV2_Atom_Sequence) || lv2_atom_forge_sequence_head(&forge_, &sequence_, 0) == 0)
        port_ = nullptr;
}

void NotifyWriter::end()
{
    if (port_ != nullptr)
        lv2_atom_forge_pop(&forge_, &sequence_);
    port_ = nullptr;
}

bool NotifyWriter::hasRoom(uint32_t bytes) const
{
    // The event's time and the padding to the next event come on top.
    return port_ != nullptr && forge_.size - forge_.offset >= uint64_t(bytes) + sizeof(LV2_Atom_Event) + 8;
}

bool NotifyWriter::beginPatchSet(LV2_URID property, LV2_Atom_Forge_Frame& object)
{
    if (!hasRoom(kLargestPatchSet))
        return false;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, urids_.patchSet);
    lv2_atom_forge_key(&forge_, urids_.patchProperty);
    lv2_atom_forge_urid(&forge_, property);
    lv2_atom_forge_key(&forge_, urids_.patchValue);
    return true;
}

void NotifyWriter::setPath(LV2_URID property, const char* path)
{
    LV2_Atom_Forge_Frame object;
    if (!beginPatchSet(property, object))
        return;
    lv2_atom_forge_path(&forge_, path, uint32_t(strnlen(path, parvolino::lv2protocol::kMaxPathBytes - 1)));
    lv2_atom_forge_pop(&forge_, &object);
}

void NotifyWriter::setBool(LV2_URID property, bool value)
{
    LV2_Atom_Forge_Frame object;
    if (!beginPatchSet(property, object))
        return;
    lv2_atom_forge_bool(&forge_, value);
    lv2_atom_forge_pop(&forge_, &object);
}

void NotifyWriter::stateChanged()
{
    if (!hasRoom(64))
        return;
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, urids_.stateChanged);
    lv2_atom_forge_pop(&forge_, &object);
}

bool NotifyWriter::beginMessage(LV2_URID type, LV2_Atom_Forge_Frame& object)
{
    if (!hasRoom(parvolino::lv2protocol::kMaxMessageBytes))
        return false;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, type);
    return true;
}
