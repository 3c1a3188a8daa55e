#pragma once
// The notify port as run() fills it: an atom sequence of the host's
// capacity, every event at frame 0, each message written only where it fits
// whole. The host gets patch:Set of the parameters and state:StateChanged;
// the UI gets the messages of lv2/Protocol.h.

#include "lv2/Urids.h"

#include <lv2/atom/forge.h>

#include <cstdint>

class NotifyWriter {
public:
    explicit NotifyWriter(const Lv2Urids& urids, LV2_URID_Map* map);

    // Starts the block's sequence in the port's buffer (null: not connected).
    void begin(LV2_Atom_Sequence* port);
    void end();
    // True when the sequence has room for an event of this many bytes.
    bool hasRoom(uint32_t bytes) const;

    // patch:Set of a parameter, as the host shows it.
    void setPath(LV2_URID property, const char* path);
    void setBool(LV2_URID property, bool value);
    void stateChanged();

    // A message to the UI: starts an object of the type, for the caller to
    // add properties to; false (nothing written) when there is no room for
    // the largest message.
    bool beginMessage(LV2_URID type, LV2_Atom_Forge_Frame& object);
    void endMessage(LV2_Atom_Forge_Frame& object) { lv2_atom_forge_pop(&forge_, &object); }
    LV2_Atom_Forge& forge() { return forge_; }

private:
    // Starts a patch:Set of the property, up to its value; false when there is no room.
    bool beginPatchSet(LV2_URID property, LV2_Atom_Forge_Frame& object);

    const Lv2Urids& urids_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame sequence_{};
    LV2_Atom_Sequence* port_ = nullptr;
};
