#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

// The committed bitmaps must be exactly what the drawing program makes now;
// after changing the drawing, build the target parvolino_artwork_update.
TEST(ArtworkUpToDate, DrawingProgramReproducesTheCommittedFiles) {
  std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-artwork-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path dir = pattern;
  const std::string command = std::string("'") + DRAW_ARTWORK_PROGRAM + "' '" + dir.string() + "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name : {"knob.bmp", "button.bmp", "background.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<char> fresh = readFile(dir / name);
    const std::vector<char> committed = readFile(std::filesystem::path(COMMITTED_ARTWORK_DIR) / name);
    ASSERT_FALSE(fresh.empty());
    ASSERT_EQ(fresh.size(), committed.size());
    EXPECT_TRUE(fresh == committed) << "resources/" << name << " is out of date";
  }
  std::filesystem::remove_all(dir);
}
