#include "lv2/Urids.h"

#include "lv2/Protocol.h"
#include "lv2/Uris.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

void Lv2Urids::mapAll(const LV2_URID_Map& map)
{
    using namespace parvolino;
    auto id = [&map](const char* uri) { return map.map(map.handle, uri); };
    atomBool = id(LV2_ATOM__Bool);
    atomFloat = id(LV2_ATOM__Float);
    atomInt = id(LV2_ATOM__Int);
    atomObject = id(LV2_ATOM__Object);
    atomPath = id(LV2_ATOM__Path);
    atomSequence = id(LV2_ATOM__Sequence);
    atomString = id(LV2_ATOM__String);
    atomVector = id(LV2_ATOM__Vector);
    atomUrid = id(LV2_ATOM__URID);
    atomEventTransfer = id(LV2_ATOM__eventTransfer);
    midiEvent = id(LV2_MIDI__MidiEvent);
    patchGet = id(LV2_PATCH__Get);
    patchSet = id(LV2_PATCH__Set);
    patchProperty = id(LV2_PATCH__property);
    patchValue = id(LV2_PATCH__value);
    stateChanged = id(LV2_STATE__StateChanged);
    atomBeatTime = id(LV2_ATOM__beatTime);

    sample = id(lv2uris::kSample);
    keepSamples = id(lv2uris::kKeepSamples);
    keptCopy = id(lv2uris::kKeptCopy);

    uiOn = id(lv2uris::kUiOn);
    uiOff = id(lv2uris::kUiOff);
    status = id(lv2uris::kStatus);
    overview = id(lv2uris::kOverview);
    grains = id(lv2uris::kGrains);
    loadFailed = id(lv2uris::kLoadFailed);
    notice = id(lv2uris::kNotice);
    path = id(lv2protocol::kPath);
    origin = id(lv2protocol::kOrigin);
    keep = id(lv2protocol::kKeep);
    overLimit = id(lv2protocol::kOverLimit);
    onlyCopiesAnyway = id(lv2protocol::kOnlyCopiesAnyway);
    samplesPerMs = id(lv2protocol::kSamplesPerMs);
    loading = id(lv2protocol::kLoading);
    loadingPath = id(lv2protocol::kLoadingPath);
    loadingPermille = id(lv2protocol::kLoadingPermille);
    loaded = id(lv2protocol::kLoaded);
    serial = id(lv2protocol::kSerial);
    channels = id(lv2protocol::kChannels);
    rate = id(lv2protocol::kRate);
    frames = id(lv2protocol::kFrames);
    firstBucket = id(lv2protocol::kFirstBucket);
    bucketCount = id(lv2protocol::kBucketCount);
    ranges = id(lv2protocol::kRanges);
    sampleLength = id(lv2protocol::kSampleLength);
    voiceCount = id(lv2protocol::kVoiceCount);
    firstVoice = id(lv2protocol::kFirstVoice);
    voices = id(lv2protocol::kVoices);
    message = id(lv2protocol::kMessage);
}
