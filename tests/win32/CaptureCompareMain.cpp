// parvolino-capture-compare: the Linux half of the panel check in the Wine stage.
//   parvolino-capture-compare png IN.bmp OUT.png
//   parvolino-capture-compare panel CAPTURE.bmp REFERENCE.png
// "panel" prints each region where the capture differs from the reference
// (text inside the labels aside) and exits 1 if there is any.
#include <cstdio>
#include <string>

#include "tests/win32/PanelImages.h"

int main(int argc, char** argv) {
    std::string error;
    if (argc == 4 && std::string(argv[1]) == "png") {
        Picture p;
        if (!readBmp(argv[2], p, error) || !writePng(argv[3], p)) {
            std::fprintf(stderr, "%s\n", error.empty() ? "cannot write the PNG" : error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "panel") {
        Picture capture, reference;
        if (!readBmp(argv[2], capture, error) || !readPng(argv[3], reference, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::vector<RegionDifference> diff = comparePanels(capture, reference);
        for (const RegionDifference& d : diff)
            std::printf("differs: %s, %d pixels, first at (%d, %d)\n", d.region.c_str(), d.differing, d.firstX,
                        d.firstY);
        const TextDifference text = compareTextAreas(capture, reference);
        std::printf("text areas: %d of %d pixels differ (not compared)\n", text.differing, text.pixels);
        return diff.empty() ? 0 : 1;
    }
    std::fprintf(stderr, "usage: parvolino-capture-compare png IN.bmp OUT.png\n"
                         "       parvolino-capture-compare panel CAPTURE.bmp REFERENCE.png\n");
    return 2;
}
