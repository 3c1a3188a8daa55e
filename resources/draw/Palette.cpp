#include "resources/draw/Palette.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr size_t kMaxColours = 256;
constexpr int kRefinePasses = 12;

struct Entry {
  uint32_t colour;
  double weight;
};

struct Vec {
  double r = 0, g = 0, b = 0;
};

Vec toVec(uint32_t c) { return {double(c >> 16 & 255), double(c >> 8 & 255), double(c & 255)}; }

double channel(const Vec& v, int axis) { return axis == 0 ? v.r : axis == 1 ? v.g : v.b; }

double distance(const Vec& a, const Vec& b) {
  const double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return dr * dr + dg * dg + db * db;
}

uint32_t toColour(const Vec& v) {
  auto c = [](double x) { return uint32_t(std::lround(std::clamp(x, 0.0, 255.0))); };
  return c(v.r) << 16 | c(v.g) << 8 | c(v.b);
}

// A group of colours for median cut, with its weighted spread.
struct Group {
  std::vector<Entry> entries;
  double spread = 0;
  int axis = 0;

  void measure() {
    Vec mean;
    double total = 0;
    for (const Entry& e : entries) {
      const Vec v = toVec(e.colour);
      mean.r += v.r * e.weight, mean.g += v.g * e.weight, mean.b += v.b * e.weight;
      total += e.weight;
    }
    mean.r /= total, mean.g /= total, mean.b /= total;
    double var[3] = {0, 0, 0};
    for (const Entry& e : entries) {
      const Vec v = toVec(e.colour);
      for (int a = 0; a < 3; ++a) {
        const double d = channel(v, a) - channel(mean, a);
        var[a] += d * d * e.weight;
      }
    }
    spread = var[0] + var[1] + var[2];
    axis = int(std::max_element(var, var + 3) - var);
    if (entries.size() < 2) spread = 0;
  }

  Vec mean() const {
    Vec m;
    double total = 0;
    for (const Entry& e : entries) {
      const Vec v = toVec(e.colour);
      m.r += v.r * e.weight, m.g += v.g * e.weight, m.b += v.b * e.weight;
      total += e.weight;
    }
    return {m.r / total, m.g / total, m.b / total};
  }
};

// Splits the colours into `count` groups, always cutting the most spread-out
// group at the weighted median of its widest channel.
std::vector<Vec> medianCut(std::vector<Entry> entries, size_t count) {
  std::vector<Group> groups(1);
  groups[0].entries = std::move(entries);
  groups[0].measure();
  while (groups.size() < count) {
    auto widest = std::max_element(groups.begin(), groups.end(),
                                   [](const Group& a, const Group& b) { return a.spread < b.spread; });
    if (widest->spread <= 0) break;
    Group& g = *widest;
    const int axis = g.axis;
    std::sort(g.entries.begin(), g.entries.end(), [axis](const Entry& a, const Entry& b) {
      const double ca = channel(toVec(a.colour), axis), cb = channel(toVec(b.colour), axis);
      return ca != cb ? ca < cb : a.colour < b.colour;
    });
    double total = 0;
    for (const Entry& e : g.entries) total += e.weight;
    double running = 0;
    size_t cut = 1;
    for (; cut < g.entries.size() - 1; ++cut) {
      running += g.entries[cut - 1].weight;
      if (running >= total / 2) break;
    }
    Group upper;
    upper.entries.assign(g.entries.begin() + long(cut), g.entries.end());
    g.entries.resize(cut);
    g.measure();
    upper.measure();
    groups.push_back(std::move(upper));
  }
  std::vector<Vec> centres;
  for (const Group& g : groups) centres.push_back(g.mean());
  return centres;
}

size_t nearest(const Vec& v, const std::vector<Vec>& centres) {
  size_t best = 0;
  double bestDistance = distance(v, centres[0]);
  for (size_t i = 1; i < centres.size(); ++i) {
    const double d = distance(v, centres[i]);
    if (d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

}  // namespace

IndexedImage quantise(const Image& image, const std::vector<uint32_t>& keep) {
  std::vector<uint32_t> pixels(image.pixels.size());
  std::transform(image.pixels.begin(), image.pixels.end(), pixels.begin(), packed);
  std::map<uint32_t, double> histogram;
  for (uint32_t p : pixels) histogram[p] += 1;

  std::vector<uint32_t> palette;
  if (histogram.size() <= kMaxColours) {
    for (const auto& [colour, count] : histogram) palette.push_back(colour);
  } else {
    // Exact colours: the ones asked for and any covering a large share.
    std::vector<uint32_t> fixed;
    for (uint32_t c : keep)
      if (histogram.count(c) && std::find(fixed.begin(), fixed.end(), c) == fixed.end()) fixed.push_back(c);
    const double large = double(pixels.size()) / 200;
    for (const auto& [colour, count] : histogram)
      if (count >= large && fixed.size() < kMaxColours / 8 &&
          std::find(fixed.begin(), fixed.end(), colour) == fixed.end())
        fixed.push_back(colour);

    // Weighting by the square root of the pixel count gives the rare colours
    // of anti-aliased edges a fair share of the palette next to large areas.
    std::vector<Entry> rest;
    for (const auto& [colour, count] : histogram)
      if (std::find(fixed.begin(), fixed.end(), colour) == fixed.end())
        rest.push_back({colour, std::sqrt(count)});

    std::vector<Vec> centres;
    for (uint32_t c : fixed) centres.push_back(toVec(c));
    for (const Vec& v : medianCut(rest, kMaxColours - fixed.size())) centres.push_back(v);

    // Refine the free centres towards the mean of the colours nearest to them.
    for (int pass = 0; pass < kRefinePasses; ++pass) {
      std::vector<Vec> sums(centres.size());
      std::vector<double> weights(centres.size(), 0);
      for (const Entry& e : rest) {
        const Vec v = toVec(e.colour);
        const size_t i = nearest(v, centres);
        sums[i].r += v.r * e.weight, sums[i].g += v.g * e.weight, sums[i].b += v.b * e.weight;
        weights[i] += e.weight;
      }
      for (size_t i = fixed.size(); i < centres.size(); ++i)
        if (weights[i] > 0) centres[i] = {sums[i].r / weights[i], sums[i].g / weights[i], sums[i].b / weights[i]};
    }
    for (const Vec& v : centres) palette.push_back(toColour(v));
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  }

  // The most common colour goes first, so that pixels the file never sets
  // read back as the image's main colour.
  uint32_t common = histogram.begin()->first;
  for (const auto& [colour, count] : histogram)
    if (count > histogram[common]) common = colour;
  const auto exact = std::find(palette.begin(), palette.end(), common);
  if (exact != palette.end()) std::rotate(palette.begin(), exact, exact + 1);

  IndexedImage out;
  out.width = image.width;
  out.height = image.height;
  out.palette = palette;
  std::vector<Vec> centres;
  for (uint32_t c : palette) centres.push_back(toVec(c));
  std::map<uint32_t, uint8_t> lookup;
  for (const auto& [colour, count] : histogram) lookup[colour] = uint8_t(nearest(toVec(colour), centres));
  out.indices.resize(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) out.indices[i] = lookup[pixels[i]];
  return out;
}

std::vector<uint32_t> expand(const IndexedImage& image) {
  std::vector<uint32_t> out(image.indices.size());
  for (size_t i = 0; i < out.size(); ++i) out[i] = image.palette[image.indices[i]];
  return out;
}
