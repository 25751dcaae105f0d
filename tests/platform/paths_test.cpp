#include "platform/paths.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct PartsCase {
  const char* path;
  const char* folder;
  const char* name;
  const char* no_ext;
  const char* ext;
};

TEST(Paths, SplitsFolderNameAndExtension) {
  const PartsCase cases[] = {
      {"/photos/Photo.Final.JPG", "/photos/", "Photo.Final.JPG", "Photo.Final", "JPG"},
      {"/photos/noext", "/photos/", "noext", "noext", ""},
      {"/photos/trailing.", "/photos/", "trailing.", "trailing", ""},
      {"/dotted.folder/file", "/dotted.folder/", "file", "file", ""},
      {"bare.png", "", "bare.png", "bare", "png"},
      {"/", "/", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FolderPart(c.path), c.folder);
    EXPECT_EQ(NamePart(c.path), c.name);
    EXPECT_EQ(NameWithoutExt(c.path), c.no_ext);
    EXPECT_EQ(FileExt(c.path), c.ext);
  }
  EXPECT_EQ(FileExtLower("/a/B.JpEg"), "jpeg");
}

TEST(Paths, JoinChangeExtAndSlashes) {
  EXPECT_EQ(JoinPath("/a", "b.jpg"), "/a/b.jpg");
  EXPECT_EQ(JoinPath("/a/", "/b.jpg"), "/a/b.jpg");
  EXPECT_EQ(JoinPath("", "b.jpg"), "b.jpg");
  EXPECT_EQ(ChangeFileExt("/a.b/c.tif", "jpg"), "/a.b/c.jpg");
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".jpg"), "/a.b/c.jpg");
  EXPECT_EQ(ChangeFileExt("/a/c.tif", ""), "/a/c");
  EXPECT_EQ(IncludeTrailingSlash("/a"), "/a/");
  EXPECT_EQ(ExcludeTrailingSlash("/a//"), "/a");
  EXPECT_EQ(ExcludeTrailingSlash("/"), "/");
}

TEST(Paths, AbsoluteAndRelative) {
  EXPECT_EQ(AbsolutePath("/a/./b/../c//d.jpg"), "/a/c/d.jpg");
  EXPECT_EQ(AbsolutePath("x/../y.jpg", "/base/dir"), "/base/dir/y.jpg");
  EXPECT_EQ(AbsolutePath("/../../a"), "/a");
  EXPECT_EQ(AbsolutePath("/a/b/"), "/a/b/");
  EXPECT_EQ(RelativePath("/album", "/album/images/a.jpg"), "images/a.jpg");
  EXPECT_EQ(RelativePath("/album/pages/", "/album/images/a.jpg"), "../images/a.jpg");
  EXPECT_EQ(RelativePath("/album", "/albums/a.jpg"), "../albums/a.jpg");
  EXPECT_EQ(RelativePath("/album", "relative/a.jpg"), "relative/a.jpg");
}

}  // namespace
}  // namespace pictavo
