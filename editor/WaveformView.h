#pragma once
// The strip's framed box: the loaded sample's waveform, one lane per
// channel, with the sounding voices' start points, scatter and grains over
// it. Grains move all the time, so after the first draw only the columns
// whose look changed are drawn again.

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/GrainColumns.h"
#include "gui/View.h"

struct GrainSnapshot;
struct SampleOverview;

class WaveformView : public View {
public:
    explicit WaveformView(const Rect& size);

    // The sample to draw, or none (an empty box); the whole box is drawn again.
    void setOverview(std::shared_ptr<const SampleOverview> overview);
    const SampleOverview* getOverview() const { return overview.get(); }
    // Places the voices of a snapshot of the shown sample (others show no
    // voices). True when some column now looks different.
    bool showGrains(const GrainSnapshot& snapshot);
    // A bar along the foot of the box for a load under way, in thousandths;
    // -1: none.
    void setProgress(int32_t permille);
    int32_t getProgress() const { return progress; }

    void draw(DrawContext* context) override;
    // Everything when dirty, else the columns that changed.
    void update(DrawContext* context) override;
    bool isDirty() const override;

    int32_t columnCount() const { return static_cast<int32_t>(wanted.size()); }
    const ColumnLook& columnLook(int32_t column) const { return wanted[static_cast<size_t>(column)]; }
    // The area of the box inside its outline.
    Rect interior() const { return Rect(size.left + 1, size.top + 1, size.right, size.bottom); }

private:
    struct Bar {
        int32_t top;
        int32_t bottom;  // inclusive
    };

    void measureBars();
    void drawColumns(DrawContext* context, bool all);
    void fillColumns(DrawContext* context, int32_t first, int32_t last, int32_t top, int32_t bottom);
    void drawProgress(DrawContext* context);

    std::shared_ptr<const SampleOverview> overview;
    std::vector<ColumnLook> wanted;
    std::vector<ColumnLook> shown;
    std::vector<Bar> bars;  // lane after lane, one per column
    std::vector<int32_t> todo;
    int32_t lanes = 0;
    bool changed = false;
    int32_t progress = -1;
    bool progressChanged = false;
};
