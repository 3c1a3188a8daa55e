#pragma once
// The messages between the DSP and its UI, which may live in separate
// processes: atom:Objects of the types lv2/Uris.h names, on the control
// port (UI to DSP) and the notify port (DSP to UI). Their keys are below.
//
// UI to DSP: `uiOn` when a UI opens and `uiOff` when it goes (the DSP feeds
// the UI only in between), patch:Get (the DSP answers with patch:Set of the
// sample and keepSamples), patch:Set of the sample (an atom:Path: load it)
// and of keepSamples (an atom:Bool).
//
// DSP to UI, at most one message per kMessageInterval of a second and each
// at most kMaxMessageBytes, so a host's default atom buffer holds it:
// - `status`: kPath (atom:Path, empty for none), kOrigin (atom:Int, a
//   SampleOrigin), kKeep, kOverLimit, kOnlyCopiesAnyway (atom:Bool),
//   kSamplesPerMs (atom:Float, the host rate's, for the display texts),
//   kLoading (atom:Bool), kLoadingPath (atom:Path) and kLoadingPermille
//   (atom:Int, how much of the file is read) while a load runs,
//   kLoaded (atom:Bool) true once after a load the user asked for.
// - `overview`: a piece of the loaded sample's overview: kSerial, kChannels,
//   kRate, kFrames, kFirstBucket, kBucketCount (atom:Int), kRanges (an
//   atom:Vector of atom:Float: for each channel, kBucketCount pairs of low
//   and high). The pieces of one serial come in bucket order.
// - `grains`: a part of the voices as the audio thread last showed them:
//   kSerial, kSampleLength, kVoiceCount (all the snapshot's voices),
//   kFirstVoice (atom:Int), kVoices (an atom:Vector of atom:Int: for each
//   voice of the part kVoiceHeaderInts values, then two per grain). A
//   snapshot too large for one message comes in parts, in voice order.
// - `loadFailed`: kMessage (atom:String), why a load failed.
// - `notice`: kMessage (atom:String), a failure the host's calls could not report.

#include <cstdint>

namespace parvolino::lv2protocol {

// Keys of the messages' properties.
inline constexpr char kPath[] = "urn:parvolino:instrument#path";
inline constexpr char kOrigin[] = "urn:parvolino:instrument#origin";
inline constexpr char kKeep[] = "urn:parvolino:instrument#keep";
inline constexpr char kOverLimit[] = "urn:parvolino:instrument#overLimit";
inline constexpr char kOnlyCopiesAnyway[] = "urn:parvolino:instrument#onlyCopiesAnyway";
inline constexpr char kSamplesPerMs[] = "urn:parvolino:instrument#samplesPerMs";
inline constexpr char kLoading[] = "urn:parvolino:instrument#loading";
inline constexpr char kLoadingPath[] = "urn:parvolino:instrument#loadingPath";
inline constexpr char kLoadingPermille[] = "urn:parvolino:instrument#loadingPermille";
inline constexpr char kLoaded[] = "urn:parvolino:instrument#loaded";
inline constexpr char kSerial[] = "urn:parvolino:instrument#serial";
inline constexpr char kChannels[] = "urn:parvolino:instrument#channels";
inline constexpr char kRate[] = "urn:parvolino:instrument#rate";
inline constexpr char kFrames[] = "urn:parvolino:instrument#frames";
inline constexpr char kFirstBucket[] = "urn:parvolino:instrument#firstBucket";
inline constexpr char kBucketCount[] = "urn:parvolino:instrument#bucketCount";
inline constexpr char kRanges[] = "urn:parvolino:instrument#ranges";
inline constexpr char kSampleLength[] = "urn:parvolino:instrument#sampleLength";
inline constexpr char kVoiceCount[] = "urn:parvolino:instrument#voiceCount";
inline constexpr char kFirstVoice[] = "urn:parvolino:instrument#firstVoice";
inline constexpr char kVoices[] = "urn:parvolino:instrument#voices";
inline constexpr char kMessage[] = "urn:parvolino:instrument#message";

// A whole message (the atom with its header) is at most this big.
inline constexpr uint32_t kMaxMessageBytes = 4096 - 16;  // room for the event's own header
// Messages to the UI are at least this many frames apart: about 30 a second.
inline constexpr uint32_t kMessagesPerSecond = 30;

// Texts a message carries are cut to these many bytes, the zero included.
inline constexpr uint32_t kMaxPathBytes = 1024;
inline constexpr uint32_t kMaxTextBytes = 512;

// An overview piece carries at most this many floats (an object of six
// atom:Int properties and the vector takes 184 bytes besides).
inline constexpr uint32_t kMaxRangeFloats = 960;
inline constexpr uint32_t kMaxOverviewChannels = 2;
// Buckets of one piece for a sample of channels lanes.
constexpr int32_t bucketsPerPiece(uint32_t channels)
{
    return static_cast<int32_t>(kMaxRangeFloats / 2 / (channels == 0 ? 1 : channels));
}

// The voices vector: per voice, the header, then position and age of each grain.
inline constexpr int32_t kVoiceHeaderInts = 4;  // grainCount * 2 + takingGrains, startPoint, scatter, grainLength
inline constexpr uint32_t kMaxVoiceInts = 960;

}  // namespace parvolino::lv2protocol
