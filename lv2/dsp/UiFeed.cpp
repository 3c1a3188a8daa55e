#include "lv2/dsp/UiFeed.h"

#include "engine/GranularEngine.h"
#include "lv2/Urids.h"
#include "lv2/dsp/NotifyWriter.h"
#include "lv2/dsp/SampleReport.h"

#include <algorithm>
#include <cstring>
#include <utility>

using namespace parvolino::lv2protocol;

UiFeed::UiFeed(const Lv2Urids& urids, float sampleRate)
    : urids_(urids),
      samplesPerMs_(sampleRate * 0.001f),  // as the instrument reckons it
      interval_(std::max(1u, uint32_t(sampleRate / float(kMessagesPerSecond))))
{
}

void UiFeed::uiOn()
{
    ++uis_;
    // A new UI knows nothing yet: everything, and at once.
    statusDirty_ = true;
    overviewNext_ = 0;
    grainsNext_ = -1;
    sinceLast_ = interval_;
}

void UiFeed::uiOff()
{
    if (uis_ > 0)
        --uis_;
}

void UiFeed::loadFailed(const char* message)
{
    copyText(failure_, sizeof failure_, message);
    failurePending_ = true;
}

void UiFeed::afterBlock(uint32_t frames, NotifyWriter& out, const SampleReport& report, LoadState& load,
                        GranularEngine& engine)
{
    sinceLast_ = std::min(sinceLast_ + frames, interval_);
    if (!active() || sinceLast_ < interval_ || !out.hasRoom(kMaxMessageBytes))
        return;
    sinceLast_ = 0;
    // A load's progress, in whole percent, goes with the status.
    if (load.inFlight > 0 && load.watch.permille.load(std::memory_order_relaxed) / 10 != shownPercent_)
        statusDirty_ = true;
    if (failurePending_) {
        writeText(out, urids_.loadFailed, failure_);
        failurePending_ = false;
    } else if (const char* notice = engine.takeNotice()) {
        writeText(out, urids_.notice, notice);
    } else if (overviewNext_ >= 0 && report.serial != 0) {
        // A new sample's overview goes before the status that names it, so
        // the strip never describes one sample with another's particulars.
        writeOverviewPiece(out, report);
    } else if (statusDirty_) {
        writeStatus(out, report, load);
    } else {
        writeGrains(out, engine);
    }
}

void UiFeed::writeStatus(NotifyWriter& out, const SampleReport& report, LoadState& load)
{
    LV2_Atom_Forge_Frame object;
    if (!out.beginMessage(urids_.status, object))
        return;
    LV2_Atom_Forge& forge = out.forge();
    lv2_atom_forge_key(&forge, urids_.path);
    lv2_atom_forge_path(&forge, report.path, uint32_t(strnlen(report.path, sizeof report.path - 1)));
    lv2_atom_forge_key(&forge, urids_.origin);
    lv2_atom_forge_int(&forge, int32_t(report.origin));
    lv2_atom_forge_key(&forge, urids_.keep);
    lv2_atom_forge_bool(&forge, report.keepSamples);
    lv2_atom_forge_key(&forge, urids_.overLimit);
    lv2_atom_forge_bool(&forge, report.overLimit);
    lv2_atom_forge_key(&forge, urids_.onlyCopiesAnyway);
    lv2_atom_forge_bool(&forge, report.onlyCopiesAnyway);
    lv2_atom_forge_key(&forge, urids_.samplesPerMs);
    lv2_atom_forge_float(&forge, samplesPerMs_);
    lv2_atom_forge_key(&forge, urids_.loading);
    lv2_atom_forge_bool(&forge, load.inFlight > 0);
    lv2_atom_forge_key(&forge, urids_.loadingPath);
    lv2_atom_forge_path(&forge, load.path, uint32_t(strnlen(load.path, sizeof load.path - 1)));
    shownPercent_ = load.inFlight > 0 ? load.watch.permille.load(std::memory_order_relaxed) / 10 : 0;
    lv2_atom_forge_key(&forge, urids_.loadingPermille);
    lv2_atom_forge_int(&forge, int32_t(shownPercent_ * 10));
    lv2_atom_forge_key(&forge, urids_.loaded);
    lv2_atom_forge_bool(&forge, load.justLoaded);
    out.endMessage(object);
    load.justLoaded = false;
    statusDirty_ = false;
}

void UiFeed::writeText(NotifyWriter& out, uint32_t type, const char* text)
{
    LV2_Atom_Forge_Frame object;
    if (!out.beginMessage(type, object))
        return;
    LV2_Atom_Forge& forge = out.forge();
    lv2_atom_forge_key(&forge, urids_.message);
    lv2_atom_forge_string(&forge, text, uint32_t(strnlen(text, kMaxTextBytes - 1)));
    out.endMessage(object);
}

void UiFeed::writeOverviewPiece(NotifyWriter& out, const SampleReport& report)
{
    LV2_Atom_Forge_Frame object;
    if (!out.beginMessage(urids_.overview, object))
        return;
    const int32_t first = overviewNext_;
    const int32_t count = std::min(bucketsPerPiece(report.channels), SampleOverview::kBuckets - first);
    LV2_Atom_Forge& forge = out.forge();
    const std::pair<LV2_URID, int32_t> particulars[] = {
        {urids_.serial, int32_t(report.serial)}, {urids_.channels, int32_t(report.channels)},
        {urids_.rate, int32_t(report.rate)},     {urids_.frames, int32_t(report.frames)},
        {urids_.firstBucket, first},             {urids_.bucketCount, count},
    };
    for (const auto& [key, value] : particulars) {
        lv2_atom_forge_key(&forge, key);
        lv2_atom_forge_int(&forge, value);
    }
    // Each channel's stretch of the piece, one after the other: whole
    // pairs of floats, so the vector needs no padding.
    lv2_atom_forge_key(&forge, urids_.ranges);
    LV2_Atom_Forge_Frame vector;
    lv2_atom_forge_vector_head(&forge, &vector, sizeof(float), urids_.atomFloat);
    for (uint32_t c = 0; c < report.channels; ++c)
        lv2_atom_forge_raw(&forge, &report.ranges[(size_t(c) * SampleOverview::kBuckets + size_t(first)) * 2],
                           uint32_t(count) * 2 * sizeof(float));
    lv2_atom_forge_pop(&forge, &vector);
    out.endMessage(object);
    overviewNext_ = first + count < SampleOverview::kBuckets ? first + count : -1;
}

void UiFeed::writeGrains(NotifyWriter& out, GranularEngine& engine)
{
    // One snapshot at a time: a newer one is taken once every part of this
    // one has gone.
    if (grainsNext_ < 0) {
        if (!engine.takeGrainSnapshot())
            return;
        grainsNext_ = 0;
    }
    const GrainSnapshot& snapshot = engine.grainSnapshot();
    const int32_t first = grainsNext_;
    uint32_t used = 0;
    int32_t voice = first;
    for (; voice < snapshot.voiceCount; ++voice) {
        const GrainSnapshot::Voice& shown = snapshot.voices[voice];
        const int32_t grains = std::clamp(shown.grainCount, 0, GrainSnapshot::kMaxGrains);
        if (used + uint32_t(kVoiceHeaderInts + 2 * grains) > kMaxVoiceInts)
            break;
        voiceInts_[used++] = grains * 2 + (shown.takingGrains ? 1 : 0);
        voiceInts_[used++] = shown.startPoint;
        voiceInts_[used++] = shown.scatter;
        voiceInts_[used++] = shown.grainLength;
        for (int32_t g = 0; g < grains; ++g) {
            voiceInts_[used++] = shown.grains[g].position;
            voiceInts_[used++] = shown.grains[g].age;
        }
    }
    grainsNext_ = voice < snapshot.voiceCount ? voice : -1;

    LV2_Atom_Forge_Frame object;
    if (!out.beginMessage(urids_.grains, object))
        return;
    LV2_Atom_Forge& forge = out.forge();
    const std::pair<LV2_URID, int32_t> particulars[] = {
        {urids_.serial, int32_t(snapshot.sampleSerial)},
        {urids_.sampleLength, snapshot.sampleLength},
        {urids_.voiceCount, snapshot.voiceCount},
        {urids_.firstVoice, first},
    };
    for (const auto& [key, value] : particulars) {
        lv2_atom_forge_key(&forge, key);
        lv2_atom_forge_int(&forge, value);
    }
    lv2_atom_forge_key(&forge, urids_.voices);
    lv2_atom_forge_vector(&forge, sizeof(int32_t), urids_.atomInt, used, voiceInts_);
    out.endMessage(object);
}
