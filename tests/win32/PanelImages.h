// Pictures of the editor panel on the Linux side of the Wine stage: reading
// the BMP the Windows test host captured and the PNG the headless backend
// drew, writing PNG for people to look at, and comparing the two where GDI
// and our rasteriser must agree (everything but the text inside the labels).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Uncompressed 24- or 32-bit BMP, either row order.
bool readBmp(const std::string& path, Picture& out, std::string& error);
bool readPng(const std::string& path, Picture& out, std::string& error);
bool writePng(const std::string& path, const Picture& picture);

// A named part of the panel: its pixels from left to right and top to
// bottom, both inclusive.
struct PanelRegion {
    std::string name;
    int left, top, right, bottom;
};

// The parts that must match: four knobs, the load button, the five label
// outlines, the strip's waveform box, info line outline and keep box, and the
// background (everything else). The label interiors, where text is drawn,
// are left out.
std::vector<PanelRegion> textAreas();

struct RegionDifference {
    std::string region;
    int differing = 0;
    int firstX = -1, firstY = -1;  // in the capture
};

// Pixels that differ outside the text areas, counted per region (the knob,
// button, label and strip regions first; "background" for the rest). Either
// picture may show the panel (400 pixels wide) twice as big: each pixel of
// the capture is compared with the reference's showing the same panel pixel.
// Pictures of other sizes give one entry named "size".
std::vector<RegionDifference> comparePanels(const Picture& capture, const Picture& reference);

struct TextDifference {
    int differing = 0;
    int pixels = 0;
};
// How much of the text areas differs (0 of 0 for pictures of other sizes).
TextDifference compareTextAreas(const Picture& capture, const Picture& reference);
