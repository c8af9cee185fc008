#include "tool/output_name.h"

#include <gtest/gtest.h>

TEST(OutputName, CutsAtTheFirstDotOfTheFileNameOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"rock.dds", "rock"},
      {"a.b.dds", "a"},
      {"a.b.c.tga", "a"},
      {"rock.old.tga", "rock"},
      {"textures/rock.dds", "textures/rock"},
      {"tex\\rock.tga", "tex\\rock"},
      {"my.dir/rock.dds", "my.dir/rock"},
      {"..\\rock.tga", "..\\rock"},
      {"../rock.tga", "../rock"},
      {"C:\\work.d\\sub\\wall.dds", "C:\\work.d\\sub\\wall"},
      {"rock", "rock"},
      {"my.dir/rock", "my.dir/rock"},
      {"", ""},
  };
  for (const auto& [path, base] : cases) {
    EXPECT_EQ(outputBaseName(path), base) << path;
  }
}
