// parvolino-x11-compare CAPTURE.png REFERENCE.png: the panel as the X server
// showed it (at its own size or twice as big) against the headless picture
// of the same state. Prints each region that differs (the text inside the
// labels aside, and counted separately) and exits 1 if any does.
// parvolino-x11-compare --pixel CAPTURE.png X Y: prints the pixel as RRGGBB.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win32/PanelImages.h"

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--pixel") {
        std::string error;
        Picture capture;
        if (!readPng(argv[2], capture, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        const int x = std::atoi(argv[3]);
        const int y = std::atoi(argv[4]);
        if (x < 0 || y < 0 || x >= capture.width || y >= capture.height)
            return 2;
        std::printf("%06X\n", capture.at(x, y));
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: parvolino-x11-compare CAPTURE.png REFERENCE.png\n");
        return 2;
    }
    std::string error;
    Picture capture;
    Picture reference;
    if (!readPng(argv[1], capture, error) || !readPng(argv[2], reference, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const std::vector<RegionDifference> differences = comparePanels(capture, reference);
    for (const RegionDifference& d : differences)
        std::printf("differs: %s, %d pixels, first at (%d, %d)\n", d.region.c_str(), d.differing, d.firstX, d.firstY);
    const TextDifference text = compareTextAreas(capture, reference);
    std::printf("text areas: %d of %d pixels differ (not compared)\n", text.differing, text.pixels);
    return differences.empty() ? 0 : 1;
}
