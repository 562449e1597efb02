// `drollicant snapshot` run as a separate process: the editor drawn into a PNG file.
#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "support/DrollicantCommand.h"
#include "support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

struct Picture {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface{nullptr, cairo_surface_destroy};
  explicit Picture(const fs::path& path)
      : surface(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy) {
    cairo_surface_flush(surface.get());
  }
  bool valid() const { return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS; }
  std::pair<int, int> size() const {
    return {cairo_image_surface_get_width(surface.get()), cairo_image_surface_get_height(surface.get())};
  }
  // Red, green, blue of an opaque pixel.
  std::array<int, 3> rgb(int x, int y) const {
    const auto* row = cairo_image_surface_get_data(surface.get()) + y * cairo_image_surface_get_stride(surface.get());
    const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    return {int(p >> 16 & 0xff), int(p >> 8 & 0xff), int(p & 0xff)};
  }
  // How many pixels of the rectangle (in pixels) differ from the other picture.
  int differences(const Picture& other, int x0, int y0, int w, int h) const {
    int count = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) count += rgb(x, y) != other.rgb(x, y);
    return count;
  }
};

}  // namespace

TEST(SnapshotCommand, DrawsTheEditorShowingTheSettings) {
  TemporaryDirectory folder;
  const fs::path low = folder / "low.png", high = folder / "high.png", portrait = folder / "portrait.png";
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"snapshot", "-o", low.string(), "--scale", "2", "--set", "charisma=0"},
           {"snapshot", "-o", high.string(), "--scale=2", "--set", "charisma=1", "--set", "flighty=1", "--bundle",
            DROLLICANT_BUNDLE},
           {"snapshot", "-o", portrait.string(), "--size", "300x500", "--preset", "2"}}) {
    const auto result = runDrollicant(args);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  const Picture a(low), b(high);
  ASSERT_TRUE(a.valid() && b.valid());
  EXPECT_EQ(a.size(), (std::pair{840, 560}));
  EXPECT_EQ(Picture(portrait).size(), (std::pair{300, 500}));
  EXPECT_EQ(a.rgb(4, 4), (std::array<int, 3>{189, 76, 0}));
  // At 420 x 280 the charisma knob covers (30, 15, 100, 100) and naivete (160, 15, 100, 100).
  EXPECT_GT(a.differences(b, 60, 30, 200, 200), 200);
  EXPECT_EQ(a.differences(b, 320, 30, 200, 200), 0);
  // The flighty switch's dot (button at 103, 241.25, 20 x 20) shows only in the second.
  EXPECT_EQ(b.rgb(226, 502), (std::array<int, 3>{255, 255, 255}));
  EXPECT_NE(a.rgb(226, 502), (std::array<int, 3>{255, 255, 255}));
}

TEST(SnapshotCommand, RefusesBadRequestsAndWritesNothing) {
  TemporaryDirectory folder;
  const std::string out = (folder / "x.png").string();
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"snapshot"},
           {"snapshot", "-o", out, "--size", "420"},
           {"snapshot", "-o", out, "--size", "0x280"},
           {"snapshot", "-o", out, "--size", "axb"},
           {"snapshot", "-o", out, "--scale", "0"},
           {"snapshot", "-o", out, "--size", "9000x100", "--scale", "2"},
           {"snapshot", "-o", out, "--size", "16384x16384"},  // refused before gigabytes are taken
           {"snapshot", "-o", out, "--size", "3000x3000", "--scale", "2"},
           {"snapshot", "-o", out, "--set", "whimsy"},
           {"snapshot", "-o", out, "extra"},
       }) {
    const auto result = runDrollicant(args);
    EXPECT_EQ(result.status, 2) << args.back();
    EXPECT_NE(result.err, "") << args.back();
  }
  EXPECT_EQ(runDrollicant({"snapshot", "-o", (folder / "missing" / "x.png").string()}).status, 1);
  EXPECT_TRUE(fs::is_empty(folder.get()));
  EXPECT_EQ(runDrollicant({"snapshot", "--help"}).status, 0);
}
