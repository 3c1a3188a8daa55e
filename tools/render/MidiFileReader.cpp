#include "tools/render/MidiFileReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

struct TrackEvent {
    uint64_t tick;
    size_t track;
    size_t order;
    uint8_t bytes[3];
};

struct TempoChange {
    uint64_t tick;
    size_t track;
    size_t order;
    uint32_t microsecondsPerQuarter;
};

class MidiParser {
public:
    MidiParser(const std::vector<uint8_t>& bytes, const std::string& name) : bytes_(bytes), name_(name) {}

    bool parse(uint32_t sampleRate, RenderPlan& plan)
    {
        if (!parseHeader())
            return false;
        for (size_t track = 0; track < trackCount_; ++track) {
            if (!findTrack(track))
                return false;
        }
        placeEvents(sampleRate, plan);
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& what, size_t at)
    {
        error_ = name_ + ": " + what + " (at byte " + std::to_string(at) + ")";
        return false;
    }

    bool has(size_t at, size_t count) const { return at <= bytes_.size() && bytes_.size() - at >= count; }

    uint32_t be32(size_t at) const
    {
        return (uint32_t(bytes_[at]) << 24) | (uint32_t(bytes_[at + 1]) << 16) | (uint32_t(bytes_[at + 2]) << 8) |
               bytes_[at + 3];
    }

    uint16_t be16(size_t at) const { return uint16_t((bytes_[at] << 8) | bytes_[at + 1]); }

    bool parseHeader()
    {
        if (!has(0, 14) || std::string(bytes_.begin(), bytes_.begin() + 4) != "MThd")
            return fail("not a Standard MIDI File (no MThd header)", 0);
        uint32_t length = be32(4);
        if (length < 6)
            return fail("header chunk too short", 4);
        uint16_t format = be16(8);
        trackCount_ = be16(10);
        division_ = be16(12);
        if (format > 1)
            return fail("MIDI file type " + std::to_string(format) + " is not supported (only 0 and 1)", 8);
        if (format == 0 && trackCount_ != 1)
            return fail("a type 0 file must have exactly one track", 10);
        if (division_ == 0 || ((division_ & 0x8000) && (division_ & 0xFF) == 0))
            return fail("invalid time division", 12);
        if (division_ & 0x8000) {
            int fps = -int(int8_t(division_ >> 8));
            if (fps != 24 && fps != 25 && fps != 29 && fps != 30)
                return fail("invalid SMPTE frame rate", 12);
        }
        position_ = 8 + size_t(length);
        return true;
    }

    // Skips chunks that are not tracks, then parses the next track.
    bool findTrack(size_t track)
    {
        for (;;) {
            if (!has(position_, 8))
                return fail("file ends before track " + std::to_string(track + 1), position_);
            uint32_t length = be32(position_ + 4);
            size_t body = position_ + 8;
            if (!has(body, length))
                return fail("track chunk runs past the end of the file", position_ + 4);
            bool isTrack = std::equal(bytes_.begin() + long(position_), bytes_.begin() + long(position_) + 4, "MTrk");
            position_ = body + length;
            if (isTrack)
                return parseTrack(track, body, body + length);
        }
    }

    bool readVarLength(size_t& at, size_t end, uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at >= end)
                return fail("track ends inside a variable-length number", at);
            uint8_t byte = bytes_[at++];
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0)
                return true;
        }
        return fail("variable-length number longer than four bytes", at);
    }

    bool parseTrack(size_t track, size_t at, size_t end)
    {
        uint64_t tick = 0;
        uint8_t runningStatus = 0;
        size_t order = 0;
        while (at < end) {
            uint32_t delta = 0;
            if (!readVarLength(at, end, delta))
                return false;
            tick += delta;
            if (at >= end)
                return fail("track ends after a delta time", at);
            uint8_t status = bytes_[at];
            if (status == 0xFF) {
                if (end - at < 2)
                    return fail("track ends inside a meta event", at);
                uint8_t type = bytes_[at + 1];
                at += 2;
                uint32_t length = 0;
                if (!readVarLength(at, end, length))
                    return false;
                if (end - at < length)
                    return fail("meta event runs past the end of its track", at);
                if (type == 0x51) {
                    if (length != 3)
                        return fail("tempo event must hold three bytes", at);
                    uint32_t tempo = (uint32_t(bytes_[at]) << 16) | (uint32_t(bytes_[at + 1]) << 8) | bytes_[at + 2];
                    if (tempo == 0)
                        return fail("tempo of zero", at);
                    tempos_.push_back({tick, track, order++, tempo});
                }
                at += length;
                if (type == 0x2F)
                    return true;  // end of track
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                ++at;
                uint32_t length = 0;
                if (!readVarLength(at, end, length))
                    return false;
                if (end - at < length)
                    return fail("system exclusive event runs past the end of its track", at);
                at += length;
                runningStatus = 0;
                continue;
            }
            if (status & 0x80) {
                if (status > 0xEF)
                    return fail("unexpected system message in a track", at);
                runningStatus = status;
                ++at;
            } else if (runningStatus == 0) {
                return fail("data byte without a status byte", at);
            }
            uint8_t kind = runningStatus & 0xF0;
            size_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (end - at < dataBytes)
                return fail("track ends inside a channel message", at);
            TrackEvent event{tick, track, order++, {runningStatus, 0, 0}};
            for (size_t i = 0; i < dataBytes; ++i) {
                if (bytes_[at + i] & 0x80)
                    return fail("data byte above 127 in a channel message", at + i);
                event.bytes[1 + i] = bytes_[at + i];
            }
            at += dataBytes;
            events_.push_back(event);
        }
        return true;  // a missing end-of-track event is tolerated
    }

    // Converts ticks to frames through the tempo map, rounding to nearest.
    void placeEvents(uint32_t sampleRate, RenderPlan& plan)
    {
        auto byTime = [](const auto& a, const auto& b) {
            if (a.tick != b.tick)
                return a.tick < b.tick;
            if (a.track != b.track)
                return a.track < b.track;
            return a.order < b.order;
        };
        std::sort(tempos_.begin(), tempos_.end(), byTime);
        std::sort(events_.begin(), events_.end(), byTime);

        using Wide = unsigned __int128;
        const bool smpte = (division_ & 0x8000) != 0;
        // Time is kept as microseconds × ticksPerQuarter (or, for SMPTE
        // division, as ticks), exact in integers.
        Wide elapsed = 0;
        uint64_t segmentTick = 0;
        uint32_t tempo = kDefaultTempo;
        size_t nextTempo = 0;
        for (const TrackEvent& event : events_) {
            while (nextTempo < tempos_.size() && tempos_[nextTempo].tick <= event.tick) {
                elapsed += Wide(tempos_[nextTempo].tick - segmentTick) * tempo;
                segmentTick = tempos_[nextTempo].tick;
                tempo = tempos_[nextTempo].microsecondsPerQuarter;
                ++nextTempo;
            }
            int64_t frame = 0;
            if (smpte) {
                int fps = -int(int8_t(division_ >> 8));
                uint64_t ticksPerFrame = division_ & 0xFF;
                // 29 stands for 30000/1001 frames per second.
                Wide num = Wide(event.tick) * sampleRate * (fps == 29 ? 1001 : 1);
                Wide den = Wide(ticksPerFrame) * (fps == 29 ? 30000 : uint64_t(fps));
                frame = int64_t((2 * num + den) / (2 * den));
            } else {
                Wide time = elapsed + Wide(event.tick - segmentTick) * tempo;
                Wide den = Wide(division_) * 1000000u;
                frame = int64_t((2 * time * sampleRate + den) / (2 * den));
            }
            plan.events.push_back(TimedEvent::midiMessage(frame, event.bytes[0], event.bytes[1], event.bytes[2]));
        }
        sortEvents(plan.events);
    }

    const std::vector<uint8_t>& bytes_;
    std::string name_;
    std::string error_;
    size_t position_ = 0;
    size_t trackCount_ = 0;
    uint16_t division_ = 0;
    std::vector<TrackEvent> events_;
    std::vector<TempoChange> tempos_;
};

}  // namespace

bool parseMidiFile(const std::vector<uint8_t>& bytes, const std::string& name, uint32_t sampleRate,
                   RenderPlan& plan, std::string& error)
{
    MidiParser parser(bytes, name);
    if (parser.parse(sampleRate, plan))
        return true;
    error = parser.error();
    return false;
}

bool readMidiFile(const std::string& path, uint32_t sampleRate, RenderPlan& plan, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the MIDI file";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parseMidiFile(bytes, path, sampleRate, plan, error);
}
