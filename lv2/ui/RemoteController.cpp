#include "lv2/ui/RemoteController.h"

#include "editor/PanelEditor.h"
#include "engine/ParameterMapping.h"
#include "lv2/Ports.h"
#include "lv2/Protocol.h"

#include <lv2/atom/util.h>

#include <algorithm>
#include <array>
#include <cstring>

using namespace parvolino;

namespace {

// The rate the DSP runs at is told in its first status; the instrument's
// default until then.
constexpr float kDefaultSamplesPerMs = 44100.0f * 0.001f;

int32_t intOf(const LV2_Atom* atom, LV2_URID intType, int32_t otherwise = 0)
{
    return atom != nullptr && atom->type == intType ? reinterpret_cast<const LV2_Atom_Int*>(atom)->body : otherwise;
}

bool boolOf(const LV2_Atom* atom, LV2_URID boolType)
{
    return atom != nullptr && atom->type == boolType && reinterpret_cast<const LV2_Atom_Bool*>(atom)->body != 0;
}

std::string textOf(const LV2_Atom* atom)
{
    if (atom == nullptr)
        return {};
    const char* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(atom));
    return std::string(text, strnlen(text, atom->size));
}

// The values of an object's properties with these keys, in their order;
// null for a key the object lacks.
template <size_t N>
std::array<const LV2_Atom*, N> propertiesOf(const LV2_Atom_Object& object, const std::array<LV2_URID, N>& keys)
{
    std::array<const LV2_Atom*, N> values{};
    LV2_ATOM_OBJECT_FOREACH (&object, property) {
        for (size_t i = 0; i < N; ++i)
            if (property->key == keys[i])
                values[i] = &property->value;
    }
    return values;
}

// The elements of an atom:Vector of the type, and how many there are.
template <typename T>
const T* vectorOf(const LV2_Atom* atom, const Lv2Urids& urids, LV2_URID childType, uint32_t& count)
{
    count = 0;
    if (atom == nullptr || atom->type != urids.atomVector || atom->size < sizeof(LV2_Atom_Vector_Body))
        return nullptr;
    const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(atom);
    if (vector->body.child_type != childType || vector->body.child_size != sizeof(T))
        return nullptr;
    count = (atom->size - uint32_t(sizeof(LV2_Atom_Vector_Body))) / uint32_t(sizeof(T));
    return reinterpret_cast<const T*>(&vector->body + 1);
}

}  // namespace

RemoteController::RemoteController(const Lv2Urids& urids, LV2_URID_Map* map, const Host& host)
    : urids_(urids),
      host_(host),
      samplesPerMs_(kDefaultSamplesPerMs),
      grains_(std::make_unique<GrainSnapshot>()),
      incomingGrains_(std::make_unique<GrainSnapshot>())
{
    lv2_atom_forge_init(&forge_, map);
    std::copy(std::begin(kDefaultValues), std::end(kDefaultValues), values_);
}

void RemoteController::greet()
{
    send(urids_.uiOn);
    send(urids_.patchGet);
}

void RemoteController::leave()
{
    send(urids_.uiOff);
}

void RemoteController::portChanged(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    values_[index] = sanitizeParameterValue(index, value);
    if (editor_ != nullptr)
        editor_->setParameter(index, values_[index]);
}

float RemoteController::parameter(int32_t index)
{
    return index >= 0 && index < kNumParams ? values_[index] : 0.0f;
}

std::string RemoteController::parameterDisplay(int32_t index)
{
    char text[24] = {};
    if (index >= 0 && index < kNumParams)
        parameterDisplayText(index, values_[index], samplesPerMs_, text);
    return text;
}

void RemoteController::beginEdit(int32_t index)
{
    if (host_.touch != nullptr && index >= 0 && index < kNumParams)
        host_.touch->touch(host_.touch->handle, lv2ports::kFirstParameterPort + uint32_t(index), true);
}

void RemoteController::endEdit(int32_t index)
{
    if (host_.touch != nullptr && index >= 0 && index < kNumParams)
        host_.touch->touch(host_.touch->handle, lv2ports::kFirstParameterPort + uint32_t(index), false);
}

void RemoteController::setParameter(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    // The host records the port's new value (automation, the session) and
    // hands it to the DSP; the panel shows it at once.
    host_.write(host_.controller, lv2ports::kFirstParameterPort + uint32_t(index), sizeof value, 0, &value);
    portChanged(index, value);
}

bool RemoteController::requestSampleLoad(const char* const* paths, int32_t count)
{
    // The DSP loads one file: the first asked for.
    if (paths == nullptr || count < 1 || paths[0] == nullptr || paths[0][0] == '\0')
        return false;
    const size_t length = strnlen(paths[0], lv2protocol::kMaxPathBytes);
    if (length == lv2protocol::kMaxPathBytes)
        return false;
    alignas(8) uint8_t buffer[sizeof(LV2_Atom) + lv2protocol::kMaxPathBytes + 8];
    auto* value = reinterpret_cast<LV2_Atom*>(buffer);
    value->size = uint32_t(length + 1);
    value->type = urids_.atomPath;
    std::memcpy(buffer + sizeof(LV2_Atom), paths[0], length + 1);
    send(urids_.patchSet, urids_.sample, value);
    return true;
}

LoadOutcome RemoteController::finishSampleLoad(std::string& failure)
{
    if (failed_) {
        failed_ = false;
        failure = failure_;
        return LoadOutcome::failed;
    }
    if (loaded_) {
        loaded_ = false;
        return LoadOutcome::loaded;
    }
    return LoadOutcome::none;
}

void RemoteController::setKeepSamples(bool keep)
{
    const LV2_Atom_Bool value{{sizeof(int32_t), urids_.atomBool}, keep ? 1 : 0};
    send(urids_.patchSet, urids_.keepSamples, &value.atom);
    // The box shows the new setting until the DSP's status says what came of it.
    status_.keepSamples = keep;
}

bool RemoteController::takeGrainSnapshot()
{
    const bool fresh = freshGrains_;
    freshGrains_ = false;
    return fresh;
}

std::string RemoteController::takeNotice()
{
    std::string notice;
    notice.swap(notice_);
    return notice;
}

void RemoteController::receive(const LV2_Atom& atom)
{
    if (!lv2_atom_forge_is_object_type(&forge_, atom.type))
        return;
    const auto& object = reinterpret_cast<const LV2_Atom_Object&>(atom);
    const LV2_URID type = object.body.otype;
    if (type == urids_.status) {
        readStatus(object);
    } else if (type == urids_.overview) {
        readOverview(object);
    } else if (type == urids_.grains) {
        readGrains(object);
    } else if (type == urids_.loadFailed) {
        failure_ = readText(object);
        failed_ = true;
    } else if (type == urids_.notice) {
        notice_ = readText(object);
    }
}

void RemoteController::readStatus(const LV2_Atom_Object& object)
{
    const auto [path, origin, keep, overLimit, onlyCopiesAnyway, samplesPerMs, loading, loadingPath, permille,
                loaded] = propertiesOf(object, std::array{urids_.path, urids_.origin, urids_.keep, urids_.overLimit,
                                                          urids_.onlyCopiesAnyway, urids_.samplesPerMs, urids_.loading,
                                                          urids_.loadingPath, urids_.loadingPermille, urids_.loaded});
    status_.path = textOf(path);
    const int32_t where = intOf(origin, urids_.atomInt);
    status_.origin = where >= 0 && where <= int32_t(SampleOrigin::damaged) ? SampleOrigin(where) : SampleOrigin::none;
    status_.keepSamples = boolOf(keep, urids_.atomBool);
    status_.overLimit = boolOf(overLimit, urids_.atomBool);
    status_.onlyCopiesAnyway = boolOf(onlyCopiesAnyway, urids_.atomBool);
    if (samplesPerMs != nullptr && samplesPerMs->type == urids_.atomFloat)
        samplesPerMs_ = reinterpret_cast<const LV2_Atom_Float*>(samplesPerMs)->body;
    progress_.active = boolOf(loading, urids_.atomBool);
    progress_.path = progress_.active ? textOf(loadingPath) : std::string();
    progress_.permille = progress_.active ? uint32_t(std::clamp(intOf(permille, urids_.atomInt), 0, 1000)) : 0;
    loaded_ = loaded_ || boolOf(loaded, urids_.atomBool);
    if (editor_ == nullptr)
        return;
    // The sample, and the value displays, which depend on the rate.
    editor_->setParameter(-1, 0.0f);
    for (int32_t i = 0; i < kNumParams; ++i)
        editor_->setParameter(i, values_[i]);
}

void RemoteController::readOverview(const LV2_Atom_Object& object)
{
    const auto [serial, channels, rate, frames, firstBucket, bucketCount, ranges] =
        propertiesOf(object, std::array{urids_.serial, urids_.channels, urids_.rate, urids_.frames,
                                        urids_.firstBucket, urids_.bucketCount, urids_.ranges});
    const uint32_t lanes = uint32_t(intOf(channels, urids_.atomInt));
    const int32_t first = intOf(firstBucket, urids_.atomInt, -1);
    const int32_t count = intOf(bucketCount, urids_.atomInt);
    uint32_t floats = 0;
    const float* values = vectorOf<float>(ranges, urids_, urids_.atomFloat, floats);
    const bool fits = lanes >= 1 && lanes <= lv2protocol::kMaxOverviewChannels && count > 0 &&
                      count <= SampleOverview::kBuckets && first >= 0 && first <= SampleOverview::kBuckets - count &&
                      floats == lanes * uint32_t(count) * 2;
    if (!fits)
        return;
    if (first == 0) {
        incoming_ = std::make_shared<SampleOverview>();
        incoming_->serial = uint32_t(intOf(serial, urids_.atomInt));
        incoming_->channelCount = lanes;
        incoming_->sampleRate = uint32_t(intOf(rate, urids_.atomInt));
        incoming_->frameCount = uint32_t(intOf(frames, urids_.atomInt));
        incoming_->ranges.resize(size_t(lanes) * SampleOverview::kBuckets);
        incomingNext_ = 0;
    }
    // A piece of another overview, or one missed on the way: wait for the next whole one.
    if (!incoming_ || first != incomingNext_ || incoming_->serial != uint32_t(intOf(serial, urids_.atomInt)) ||
        incoming_->channelCount != lanes) {
        incoming_.reset();
        return;
    }
    for (uint32_t c = 0; c < lanes; ++c) {
        for (int32_t b = 0; b < count; ++b) {
            const float* pair = values + (size_t(c) * size_t(count) + size_t(b)) * 2;
            incoming_->ranges[size_t(c) * SampleOverview::kBuckets + size_t(first + b)] = {pair[0], pair[1]};
        }
    }
    incomingNext_ = first + count;
    if (incomingNext_ == SampleOverview::kBuckets)
        overview_ = std::move(incoming_);
}

void RemoteController::readGrains(const LV2_Atom_Object& object)
{
    const auto [serial, sampleLength, voiceCount, firstVoice, voices] = propertiesOf(
        object, std::array{urids_.serial, urids_.sampleLength, urids_.voiceCount, urids_.firstVoice, urids_.voices});
    const int32_t total = intOf(voiceCount, urids_.atomInt, -1);
    const int32_t first = intOf(firstVoice, urids_.atomInt, -1);
    uint32_t count = 0;
    const int32_t* ints = vectorOf<int32_t>(voices, urids_, urids_.atomInt, count);
    if (total < 0 || total > GrainSnapshot::kMaxVoices || first < 0 || (ints == nullptr && total > 0))
        return;
    GrainSnapshot& snapshot = *incomingGrains_;
    if (first == 0) {
        snapshot.sampleSerial = uint32_t(intOf(serial, urids_.atomInt));
        snapshot.sampleLength = intOf(sampleLength, urids_.atomInt);
        snapshot.voiceCount = total;
        incomingVoice_ = 0;
    }
    if (first != incomingVoice_ || total != snapshot.voiceCount) {
        incomingVoice_ = -1;
        return;
    }
    int32_t voice = first;
    for (uint32_t at = 0; voice < total && at + lv2protocol::kVoiceHeaderInts <= count; ++voice) {
        GrainSnapshot::Voice& shown = snapshot.voices[voice];
        const int32_t grains = ints[at] / 2;
        if (grains < 0 || grains > GrainSnapshot::kMaxGrains ||
            at + lv2protocol::kVoiceHeaderInts + uint32_t(grains) * 2 > count)
            break;
        shown.takingGrains = (ints[at] & 1) != 0;
        shown.startPoint = ints[at + 1];
        shown.scatter = ints[at + 2];
        shown.grainLength = ints[at + 3];
        shown.grainCount = grains;
        at += lv2protocol::kVoiceHeaderInts;
        for (int32_t g = 0; g < grains; ++g, at += 2)
            shown.grains[g] = GrainSnapshot::Grain{ints[at], ints[at + 1]};
    }
    incomingVoice_ = voice;
    if (voice < total)
        return;
    // Whole: it becomes the snapshot the strip takes next.
    std::swap(grains_, incomingGrains_);
    incomingVoice_ = -1;
    freshGrains_ = true;
}

std::string RemoteController::readText(const LV2_Atom_Object& object) const
{
    return textOf(propertiesOf(object, std::array{urids_.message})[0]);
}

void RemoteController::send(LV2_URID type, LV2_URID property, const LV2_Atom* value)
{
    alignas(8) uint8_t buffer[lv2protocol::kMaxPathBytes + 256];
    lv2_atom_forge_set_buffer(&forge_, buffer, sizeof buffer);
    LV2_Atom_Forge_Frame frame;
    const LV2_Atom_Forge_Ref start = lv2_atom_forge_object(&forge_, &frame, 0, type);
    if (property != 0 && value != nullptr) {
        lv2_atom_forge_key(&forge_, urids_.patchProperty);
        lv2_atom_forge_urid(&forge_, property);
        lv2_atom_forge_key(&forge_, urids_.patchValue);
        lv2_atom_forge_write(&forge_, value, uint32_t(sizeof(LV2_Atom)) + value->size);
    }
    lv2_atom_forge_pop(&forge_, &frame);
    const LV2_Atom* object = lv2_atom_forge_deref(&forge_, start);
    if (object == nullptr)
        return;
    host_.write(host_.controller, lv2ports::kControl, lv2_atom_total_size(object), urids_.atomEventTransfer, object);
}
