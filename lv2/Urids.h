#pragma once
// The URIs the DSP and the UI speak, mapped once per instance through the
// host's URID map.

#include <lv2/urid/urid.h>

struct Lv2Urids {
    Lv2Urids() = default;
    explicit Lv2Urids(const LV2_URID_Map& map) { mapAll(map); }

    // Atom types and LV2's own vocabulary.
    LV2_URID atomBool = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomObject = 0;
    LV2_URID atomPath = 0;
    LV2_URID atomSequence = 0;
    LV2_URID atomString = 0;
    LV2_URID atomVector = 0;
    LV2_URID atomUrid = 0;
    LV2_URID atomEventTransfer = 0;
    LV2_URID midiEvent = 0;
    LV2_URID patchGet = 0;
    LV2_URID patchSet = 0;
    LV2_URID patchProperty = 0;
    LV2_URID patchValue = 0;
    LV2_URID stateChanged = 0;
    LV2_URID atomBeatTime = 0;

    // The plug-in's parameters and state keys.
    LV2_URID sample = 0;
    LV2_URID keepSamples = 0;
    LV2_URID keptCopy = 0;

    // Message types between the DSP and its UI, and their keys (lv2/Protocol.h).
    LV2_URID uiOn = 0;
    LV2_URID uiOff = 0;
    LV2_URID status = 0;
    LV2_URID overview = 0;
    LV2_URID grains = 0;
    LV2_URID loadFailed = 0;
    LV2_URID notice = 0;
    LV2_URID path = 0;
    LV2_URID origin = 0;
    LV2_URID keep = 0;
    LV2_URID overLimit = 0;
    LV2_URID onlyCopiesAnyway = 0;
    LV2_URID samplesPerMs = 0;
    LV2_URID loading = 0;
    LV2_URID loadingPath = 0;
    LV2_URID loadingPermille = 0;
    LV2_URID loaded = 0;
    LV2_URID serial = 0;
    LV2_URID channels = 0;
    LV2_URID rate = 0;
    LV2_URID frames = 0;
    LV2_URID firstBucket = 0;
    LV2_URID bucketCount = 0;
    LV2_URID ranges = 0;
    LV2_URID sampleLength = 0;
    LV2_URID voiceCount = 0;
    LV2_URID firstVoice = 0;
    LV2_URID voices = 0;
    LV2_URID message = 0;

    void mapAll(const LV2_URID_Map& map);
};
