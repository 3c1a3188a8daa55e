#pragma once
// Every URI of the LV2 build in one place: the plug-in, its UI and presets,
// the parameters the host sees, the keys of the saved state and the types of
// the messages between the DSP and its UI. The Turtle files in this folder
// spell the same URIs; the bundle's tests instantiate by these.

namespace parvolino::lv2uris {

inline constexpr char kPlugin[] = "urn:parvolino:instrument";
inline constexpr char kUi[] = "urn:parvolino:instrument#ui";
inline constexpr char kOutputGroup[] = "urn:parvolino:instrument#out";

// The four programs of the VST 2 build, as presets.
inline constexpr const char* kProgramPresets[] = {
    "urn:parvolino:instrument#program1",
    "urn:parvolino:instrument#program2",
    "urn:parvolino:instrument#program3",
    "urn:parvolino:instrument#program4",
};

// Parameters set and read through patch messages, and kept in the state.
inline constexpr char kSample[] = "urn:parvolino:instrument#sample";            // atom:Path
inline constexpr char kKeepSamples[] = "urn:parvolino:instrument#keepSamples";  // atom:Bool

// State only: the kept copy of the sample's bytes, a path the host made.
inline constexpr char kKeptCopy[] = "urn:parvolino:instrument#keptCopy";

// atom:Object types of the messages between the DSP and its UI.
inline constexpr char kUiOn[] = "urn:parvolino:instrument#uiOn";
inline constexpr char kUiOff[] = "urn:parvolino:instrument#uiOff";
inline constexpr char kStatus[] = "urn:parvolino:instrument#status";
inline constexpr char kOverview[] = "urn:parvolino:instrument#overview";
inline constexpr char kGrains[] = "urn:parvolino:instrument#grains";
inline constexpr char kLoadFailed[] = "urn:parvolino:instrument#loadFailed";
inline constexpr char kNotice[] = "urn:parvolino:instrument#notice";

}  // namespace parvolino::lv2uris
