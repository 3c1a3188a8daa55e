#include "editor/WaveformView.h"

#include <algorithm>
#include <cmath>

#include "editor/PanelColors.h"
#include "editor/StripLayout.h"
#include "engine/GrainSnapshot.h"
#include "engine/SampleOverview.h"
#include "gui/DrawContext.h"

namespace {

// A grain's mark reaches this many rows above and below the middle of its
// column's waveform, so that it shows where the sample is quiet too.
constexpr int32_t grainMarkReach = 2;

Color grainColor(int32_t level) {
    auto mix = [level](uint8_t from, uint8_t to) {
        return static_cast<uint8_t>(from + (to - from) * level / grainLevels);
    };
    const Color& a = strip::waveColor;
    const Color& b = strip::brightestGrainColor;
    return Color{mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue), 0};
}

}  // namespace

WaveformView::WaveformView(const Rect& size) : View(size) {
    const int32_t columns = std::max(0, interior().width());
    wanted.resize(static_cast<size_t>(columns));
    shown.resize(static_cast<size_t>(columns));
    todo.reserve(static_cast<size_t>(columns));
}

void WaveformView::setOverview(std::shared_ptr<const SampleOverview> newOverview) {
    if (newOverview == overview)
        return;
    overview = std::move(newOverview);
    std::fill(wanted.begin(), wanted.end(), ColumnLook{});
    measureBars();
    changed = false;
    setDirty(true);
}

void WaveformView::measureBars() {
    lanes = overview ? static_cast<int32_t>(overview->channelCount) : 0;
    bars.clear();
    if (lanes == 0)
        return;
    const Rect inside = interior();
    const int32_t columns = columnCount();
    // Lanes of equal height, a row apart.
    const int32_t laneHeight = (inside.height() - (lanes - 1)) / lanes;
    bars.resize(static_cast<size_t>(lanes) * static_cast<size_t>(columns));
    for (int32_t lane = 0; lane < lanes; ++lane) {
        const double middle = inside.top + lane * (laneHeight + 1) + (laneHeight - 1) / 2.0;
        const double reach = (laneHeight - 1) / 2.0;
        auto rowOf = [&](float value) {
            return static_cast<int32_t>(std::lround(middle - std::clamp(value, -1.0f, 1.0f) * reach));
        };
        for (int32_t c = 0; c < columns; ++c) {
            // The buckets under this column, at least one.
            const int32_t first = c * SampleOverview::kBuckets / columns;
            const int32_t next = std::max(first + 1, (c + 1) * SampleOverview::kBuckets / columns);
            float low = overview->range(static_cast<uint32_t>(lane), first).low;
            float high = overview->range(static_cast<uint32_t>(lane), first).high;
            for (int32_t b = first + 1; b < next; ++b) {
                low = std::min(low, overview->range(static_cast<uint32_t>(lane), b).low);
                high = std::max(high, overview->range(static_cast<uint32_t>(lane), b).high);
            }
            bars[static_cast<size_t>(lane * columns + c)] = Bar{rowOf(high), rowOf(low)};
        }
    }
}

bool WaveformView::showGrains(const GrainSnapshot& snapshot) {
    if (overview && snapshot.sampleSerial == overview->serial)
        placeGrains(snapshot, wanted.data(), columnCount());
    else
        std::fill(wanted.begin(), wanted.end(), ColumnLook{});
    changed = wanted != shown;
    return changed;
}

void WaveformView::setProgress(int32_t permille) {
    if (permille == progress)
        return;
    // Going away, the bar leaves the waveform under it to be drawn again.
    if (permille < 0)
        setDirty(true);
    progress = permille;
    progressChanged = true;
}

bool WaveformView::isDirty() const {
    return View::isDirty() || changed || progressChanged;
}

void WaveformView::update(DrawContext* context) {
    if (View::isDirty()) {
        draw(context);
        setDirty(false);
        return;
    }
    if (changed)
        drawColumns(context, false);
    if (changed || progressChanged)
        drawProgress(context);
    changed = false;
}

void WaveformView::draw(DrawContext* context) {
    context->setFrameColor(displayFrameColor);
    context->drawRect(size);
    drawColumns(context, true);
    drawProgress(context);
}

void WaveformView::drawProgress(DrawContext* context) {
    progressChanged = false;
    if (progress < 0)
        return;
    // Four rows at the foot of the box: done in the start points' colour,
    // the rest in the scatter's.
    const int32_t bottom = interior().bottom - 1;
    const int32_t columns = columnCount();
    const int32_t done = columns * progress / 1000;
    context->setFillColor(strip::scatterColor);
    fillColumns(context, 0, columns - 1, bottom - 3, bottom);
    if (done > 0) {
        context->setFillColor(strip::startColor);
        fillColumns(context, 0, done - 1, bottom - 3, bottom);
    }
}

void WaveformView::fillColumns(DrawContext* context, int32_t first, int32_t last, int32_t top, int32_t bottom) {
    // fillRect leaves out the rectangle's left column and top row.
    const int32_t x = interior().left;
    context->fillRect(Rect(x + first - 1, top - 1, x + last + 1, bottom + 1));
}

void WaveformView::drawColumns(DrawContext* context, bool all) {
    changed = false;
    todo.clear();
    const int32_t columns = columnCount();
    for (int32_t c = 0; c < columns; ++c) {
        if (all || wanted[static_cast<size_t>(c)] != shown[static_cast<size_t>(c)])
            todo.push_back(c);
    }
    const Rect inside = interior();
    auto look = [this](int32_t c) -> const ColumnLook& { return wanted[static_cast<size_t>(c)]; };

    // The ground, in runs of neighbouring columns of one colour; each colour
    // is set once, as every colour change makes a new brush.
    for (const bool scatter : {false, true}) {
        bool colorSet = false;
        for (size_t i = 0; i < todo.size(); ++i) {
            if (look(todo[i]).scatter != scatter)
                continue;
            size_t end = i;
            while (end + 1 < todo.size() && todo[end + 1] == todo[end] + 1 && look(todo[end + 1]).scatter == scatter)
                ++end;
            if (!colorSet)
                context->setFillColor(scatter ? strip::scatterColor : strip::boxColor);
            colorSet = true;
            fillColumns(context, todo[i], todo[end], inside.top, inside.bottom - 1);
            i = end;
        }
    }
    // The waveform, brighter where a grain reads.
    for (int32_t level = 0; lanes > 0 && level <= grainLevels; ++level) {
        bool colorSet = false;
        for (const int32_t c : todo) {
            if (look(c).grain != level)
                continue;
            if (!colorSet)
                context->setFillColor(grainColor(level));
            colorSet = true;
            for (int32_t lane = 0; lane < lanes; ++lane) {
                Bar bar = bars[static_cast<size_t>(lane * columns + c)];
                if (level > 0) {
                    const int32_t middle = (bar.top + bar.bottom) / 2;
                    bar = Bar{std::min(bar.top, middle - grainMarkReach), std::max(bar.bottom, middle + grainMarkReach)};
                }
                fillColumns(context, c, c, bar.top, bar.bottom);
            }
        }
    }
    // The start points, over everything.
    bool colorSet = false;
    for (const int32_t c : todo) {
        if (!look(c).start)
            continue;
        if (!colorSet)
            context->setFillColor(strip::startColor);
        colorSet = true;
        fillColumns(context, c, c, inside.top, inside.bottom - 1);
    }
    for (const int32_t c : todo)
        shown[static_cast<size_t>(c)] = wanted[static_cast<size_t>(c)];
}
