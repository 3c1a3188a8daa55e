#include "lv2/dsp/Lv2Plugin.h"

#include "lv2/Features.h"

#include <lv2/atom/util.h>

#include <algorithm>
#include <bit>
#include <cstring>

using namespace parvolino;

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features)
{
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(findLv2Feature(features, LV2_URID__map)));
    const auto* schedule = static_cast<const LV2_Worker_Schedule*>(findLv2Feature(features, LV2_WORKER__schedule));
    if (map == nullptr || schedule == nullptr)
        return nullptr;
    try {
        return new Lv2Plugin(sampleRate, map, schedule, features);
    } catch (...) {
        return nullptr;
    }
}

Lv2Plugin::Lv2Plugin(double sampleRate, LV2_URID_Map* map, const LV2_Worker_Schedule* schedule,
                     const LV2_Feature* const* features)
    : urids_(*map),
      schedule_(*schedule),
      paths_(features, StatePaths()),
      out_(urids_, map),
      feed_(urids_, float(sampleRate))
{
    auto* log = static_cast<LV2_Log_Log*>(const_cast<void*>(findLv2Feature(features, LV2_LOG__log)));
    lv2_log_logger_init(&logger_, map, log);
    engine_.setSampleRate(float(sampleRate));
    const std::lock_guard<std::mutex> hold(engineMutex_);
    publishReport();
}

void Lv2Plugin::connectPort(uint32_t port, void* data)
{
    switch (port) {
    case lv2ports::kControl:
        control_ = static_cast<const LV2_Atom_Sequence*>(data);
        break;
    case lv2ports::kNotify:
        notify_ = static_cast<LV2_Atom_Sequence*>(data);
        break;
    case lv2ports::kOutLeft:
    case lv2ports::kOutRight:
        audio_[port - lv2ports::kOutLeft] = static_cast<float*>(data);
        break;
    default:
        if (port >= lv2ports::kFirstParameterPort && port < lv2ports::kPortCount)
            controls_[port - lv2ports::kFirstParameterPort] = static_cast<const float*>(data);
        break;
    }
}

void Lv2Plugin::activate()
{
    // The ports' values are taken afresh at the next block.
    std::fill(std::begin(taken_), std::end(taken_), false);
}

void Lv2Plugin::run(uint32_t frames)
{
    for (float* output : audio_)
        if (output != nullptr && frames > 0)
            std::memset(output, 0, frames * sizeof(float));
    out_.begin(notify_);
    takeParameters();
    takeReport();
    readControl(frames);
    scheduleFreeing();
    if (announce_)
        announce();
    if (stateChanged_)
        out_.stateChanged();
    stateChanged_ = false;
    feed_.afterBlock(frames, out_, reports_.latest(), load_, engine_);
    out_.end();
}

void Lv2Plugin::takeParameters()
{
    // A port is taken only when it changed: Speed moved by pitch bend stays
    // until the host moves its port. The ports are never written.
    for (int32_t i = 0; i < kParameters; ++i) {
        if (controls_[i] == nullptr)
            continue;
        const float value = *controls_[i];
        const uint32_t bits = std::bit_cast<uint32_t>(value);
        if (taken_[i] && bits == lastControl_[i])
            continue;
        taken_[i] = true;
        lastControl_[i] = bits;
        engine_.setParameter(i, value);
    }
}

void Lv2Plugin::takeReport()
{
    if (!reports_.take())
        return;
    const SampleReport& report = reports_.latest();
    feed_.statusChanged();
    if (report.serial != reportedSerial_) {
        reportedSerial_ = report.serial;
        feed_.overviewChanged();
    }
    if (std::strcmp(report.path, announcedPath_) != 0 || report.keepSamples != announcedKeep_)
        announce_ = true;
}

void Lv2Plugin::announce()
{
    // The host's view of the parameters (a generic UI's file button).
    const SampleReport& report = reports_.latest();
    if (report.path[0] != '\0')
        out_.setPath(urids_.sample, report.path);
    out_.setBool(urids_.keepSamples, report.keepSamples);
    std::memcpy(announcedPath_, report.path, sizeof announcedPath_);
    announcedKeep_ = report.keepSamples;
    announce_ = false;
}

void Lv2Plugin::readControl(uint32_t frames)
{
    blockFrames_ = int32_t(std::min<uint32_t>(frames, INT32_MAX));
    played_ = 0;
    eventCount_ = 0;
    if (control_ != nullptr) {
        // Times in frames. A host that counts in beats gets its events at
        // the block's start; any other unit is taken for frames, as some
        // hosts leave the field unset (Ardour 7 leaves what its buffer held).
        const bool inFrames = control_->body.unit != urids_.atomBeatTime;
        LV2_ATOM_SEQUENCE_FOREACH (control_, event) {
            const int64_t time = inFrames ? event->time.frames : 0;
            const int32_t frame = int32_t(std::clamp<int64_t>(time, 0, blockFrames_));
            if (event->body.type == urids_.midiEvent)
                takeMidi(event->body, frame);
            else if (lv2_atom_forge_is_object_type(&out_.forge(), event->body.type))
                takeObject(reinterpret_cast<const LV2_Atom_Object*>(&event->body));
        }
    }
    playUpTo(blockFrames_);
}

void Lv2Plugin::takeMidi(const LV2_Atom& body, int32_t frame)
{
    const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&body));
    // Channel messages only; system messages mean nothing to the instrument.
    if (body.size == 0 || bytes[0] < 0x80 || bytes[0] >= 0xF0)
        return;
    if (eventCount_ == kMaxEvents)
        playUpTo(frame);
    MidiMessage& message = events_[eventCount_++];
    message.frame = frame;
    message.status = bytes[0];
    message.data1 = body.size > 1 ? bytes[1] : 0;
    message.data2 = body.size > 2 ? bytes[2] : 0;
}

void Lv2Plugin::playUpTo(int32_t frame)
{
    const int32_t end = std::clamp(frame, played_, blockFrames_);
    for (int32_t i = 0; i < eventCount_; ++i)
        events_[i].frame -= played_;
    float* left = audio_[0] != nullptr ? audio_[0] + played_ : nullptr;
    float* right = audio_[1] != nullptr ? audio_[1] + played_ : nullptr;
    engine_.process(events_, eventCount_, left, right, end - played_);
    played_ = end;
    eventCount_ = 0;
}

void Lv2Plugin::takeObject(const LV2_Atom_Object* object)
{
    const LV2_URID type = object->body.otype;
    if (type == urids_.patchSet) {
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(object, urids_.patchProperty, &property, urids_.patchValue, &value, 0);
        if (property == nullptr || property->type != urids_.atomUrid || value == nullptr)
            return;
        const LV2_URID key = reinterpret_cast<const LV2_Atom_URID*>(property)->body;
        if (key == urids_.sample && value->type == urids_.atomPath)
            scheduleLoad(*value);
        else if (key == urids_.keepSamples && value->type == urids_.atomBool)
            scheduleKeep(reinterpret_cast<const LV2_Atom_Bool*>(value)->body != 0);
    } else if (type == urids_.patchGet) {
        announce_ = true;
    } else if (type == urids_.uiOn) {
        feed_.uiOn();
    } else if (type == urids_.uiOff) {
        feed_.uiOff();
    }
}

void Lv2Plugin::scheduleLoad(const LV2_Atom& value)
{
    const char* path = static_cast<const char*>(LV2_ATOM_BODY_CONST(&value));
    const size_t length = strnlen(path, value.size);
    if (length == 0)
        return;
    job_.kind = JobKind::load;
    // A path too long to hold fails its load as a file that is not there.
    const size_t kept = length < sizeof job_.path ? length : 0;
    std::memcpy(job_.path, path, kept);
    job_.path[kept] = '\0';
    if (schedule_.schedule_work(schedule_.handle, job_.size(), &job_) != LV2_WORKER_SUCCESS) {
        feed_.loadFailed("The host could not start loading the sample: try again");
        return;
    }
    ++load_.inFlight;
    std::memcpy(load_.path, job_.path, kept + 1);
    feed_.statusChanged();
}

void Lv2Plugin::scheduleKeep(bool keep)
{
    job_.kind = JobKind::keepSamples;
    job_.value = keep ? 1 : 0;
    job_.path[0] = '\0';
    schedule_.schedule_work(schedule_.handle, job_.size(), &job_);
}

void Lv2Plugin::scheduleFreeing()
{
    if (freeing_ || !engine_.holdsReplacedSample())
        return;
    job_.kind = JobKind::freeReplaced;
    job_.path[0] = '\0';
    freeing_ = schedule_.schedule_work(schedule_.handle, job_.size(), &job_) == LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Plugin::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                                  const void* data)
{
    Job job;
    std::memcpy(&job, data, std::min<size_t>(size, sizeof job));
    job.path[sizeof job.path - 1] = '\0';
    Answer answer;
    try {
        const std::lock_guard<std::mutex> hold(engineMutex_);
        switch (job.kind) {
        case JobKind::load:
            load_.watch.permille.store(0, std::memory_order_relaxed);
            if (const char* failure = engine_.loadSampleFile(job.path, &load_.watch)) {
                answer.kind = AnswerKind::loadFailed;
                copyText(answer.message, sizeof answer.message, failure);
            } else {
                answer.kind = AnswerKind::loaded;
                publishReport();
            }
            break;
        case JobKind::keepSamples:
            engine_.setKeepSamples(job.value != 0);
            answer.kind = AnswerKind::keepChanged;
            publishReport();
            break;
        case JobKind::freeReplaced:
            engine_.idle();
            answer.kind = AnswerKind::freed;
            break;
        }
    } catch (...) {
        // Short of memory: a load is reported as failed, anything else is
        // taken up again by its next request.
        answer.kind = job.kind == JobKind::load ? AnswerKind::loadFailed : AnswerKind::freed;
        copyText(answer.message, sizeof answer.message, "Couldn't allocate enough memory to load the sample");
    }
    respond(handle, answer.size(), &answer);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2Plugin::workResponse(uint32_t size, const void* data)
{
    Answer answer;
    std::memcpy(&answer, data, std::min<size_t>(size, sizeof answer));
    answer.message[sizeof answer.message - 1] = '\0';
    switch (answer.kind) {
    case AnswerKind::loaded:
        load_.inFlight = std::max(0, load_.inFlight - 1);
        load_.justLoaded = true;
        stateChanged_ = true;
        feed_.statusChanged();
        break;
    case AnswerKind::loadFailed:
        load_.inFlight = std::max(0, load_.inFlight - 1);
        feed_.loadFailed(answer.message);
        feed_.statusChanged();
        break;
    case AnswerKind::keepChanged:
        stateChanged_ = true;
        break;
    case AnswerKind::freed:
        freeing_ = false;
        break;
    }
    return LV2_WORKER_SUCCESS;
}

void Lv2Plugin::publishReport()
{
    SampleReport& report = reports_.writable();
    report.read(engine_);
    reports_.publish();
}
