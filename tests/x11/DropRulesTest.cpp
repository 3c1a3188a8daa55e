// Which dragged URIs become paths, and what the source is told.
#include <gtest/gtest.h>

#include <X11/X.h>

#include "platform/Platform.h"
#include "platform/x11/DropRules.h"

namespace {

using x11::DragAction;

TEST(DropRules, OnlyLocalFileUrisBecomeDecodedPaths) {
    const std::string list =
        "file:///tmp/a%20b/%C3%A9t%C3%A9.wav\r\n"
        "# a comment line\r\n"
        "http://example.invalid/x.wav\r\n"
        "file://localhost/home/u/c.wav\r\n"
        "file://elsewhere/share/d.wav\r\n"
        "file://thisbox/e.wav\r\n"
        "FILE:///upper/f.wav\n"
        "file:/single/g.wav\n"
        "file:///q/h.wav?x=1#part\n"
        "file:///bad/%4.wav\r\n"
        "file:///bad/%zz.wav\r\n"
        "file:///bad/%00.wav\r\n"
        "file://thisbox\r\n"
        "relative/i.wav\r\n"
        "\r\n"
        "file:///last/%25j.wav";
    EXPECT_EQ(x11::filePathsFromUriList(list, "thisbox"),
              (std::vector<std::string>{"/tmp/a b/\xC3\xA9t\xC3\xA9.wav", "/home/u/c.wav", "/e.wav", "/upper/f.wav",
                                        "/single/g.wav", "/q/h.wav", "/last/%j.wav"}));
    // Without a known host name only empty and localhost hosts count.
    EXPECT_EQ(x11::filePathsFromUriList("file://thisbox/e.wav\nfile:///f.wav\n", ""),
              (std::vector<std::string>{"/f.wav"}));
    EXPECT_TRUE(x11::filePathsFromUriList("", "thisbox").empty());
}

TEST(DropRules, PercentDecodingRefusesBrokenEscapesAndZeroBytes) {
    std::string out;
    EXPECT_TRUE(x11::percentDecode("a%2fb%2Fc%41", out));
    EXPECT_EQ(out, "a/b/cA");
    EXPECT_FALSE(x11::percentDecode("trailing%", out));
    EXPECT_FALSE(x11::percentDecode("trailing%4", out));
    EXPECT_FALSE(x11::percentDecode("%g0", out));
    EXPECT_FALSE(x11::percentDecode("%00", out));
}

TEST(DropRules, TheSourceIsNeverToldTheFilesWereMoved) {
    for (uint32_t effect = 0; effect < 8; ++effect)
        EXPECT_NE(x11::reportedAction(effect), DragAction::move) << "effect " << effect;
    EXPECT_EQ(x11::reportedAction(platform::dropEffectMove), DragAction::copy);
    EXPECT_EQ(x11::reportedAction(platform::dropEffectCopy | platform::dropEffectMove), DragAction::copy);
    EXPECT_EQ(x11::reportedAction(platform::dropEffectLink), DragAction::link);
    EXPECT_EQ(x11::reportedAction(platform::dropEffectNone), DragAction::none);

    EXPECT_EQ(x11::effectsForAction(DragAction::move), platform::dropEffectMove);
    EXPECT_EQ(x11::effectsForAction(DragAction::copy), platform::dropEffectCopy);
    EXPECT_EQ(x11::effectsForAction(DragAction::other),
              platform::dropEffectCopy | platform::dropEffectMove | platform::dropEffectLink);
}

TEST(DropRules, PointerMaskAsKeyStateFlags) {
    EXPECT_EQ(x11::keyStateFromMask(0), 0u);
    EXPECT_EQ(x11::keyStateFromMask(Button1Mask | ShiftMask), 0x0001u | 0x0004u);
    EXPECT_EQ(x11::keyStateFromMask(Button2Mask | Button3Mask | ControlMask | Mod1Mask),
              0x0010u | 0x0002u | 0x0008u | 0x0020u);
    EXPECT_EQ(x11::keyStateFromMask(LockMask | Mod2Mask), 0u) << "Caps and Num Lock are no keys held";
}

}  // namespace
