#pragma once
// Build-time image objects: the file a page links to for a picture or its
// thumbnail (converted, copied into the image folder, a prepared file next to
// the source, or the source itself), measured with the header reader.
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "imaging/image_conv.h"

namespace pictavo {

class TUserInterface;

// The five switches of an image object.
struct TImageSwitches {
  bool process = true;     // "&Process images" (and the image folder is usable)
  bool force = false;      // album options give "imagesharpness" or "imagequality"
  bool copy = true;        // "Copy images to specified &folder"
  bool overwrite = true;   // "O&verwrite images"
  bool lower_case = true;  // "&Use lowercase URLs"
};

class TImageObj {
 public:
  // Produces and measures the image of `source` with `converter`. Status
  // texts and, through the converter, error reports go to ui (may be null).
  TImageObj(const std::string& source, TJwImageConv& converter, bool process, bool force, bool copy,
            bool overwrite, bool lower_case, TUserInterface* ui = nullptr);
  TImageObj(const std::string& source, TJwImageConv& converter, const TImageSwitches& switches,
            TUserInterface* ui = nullptr);

  // A picture image and its thumbnail together: when both must be
  // converted, the source is decoded once (at the reduced JPEG scale that
  // serves the larger output) and both are made from it.
  static std::pair<std::unique_ptr<TImageObj>, std::unique_ptr<TImageObj>> MakePair(
      const std::string& source, TJwImageConv& picture_converter,
      const TImageSwitches& picture_switches, TJwImageConv& thumbnail_converter,
      const TImageSwitches& thumbnail_switches, TUserInterface* ui = nullptr);

  // Measures the image path again when its file date changed.
  void Refresh();

  const std::string& ImagePath() const { return image_path_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int64_t FileSize() const { return file_size_; }  // -1 when missing
  std::time_t FileDate() const { return file_date_; }
  // True when the object converted its source (for the build's report).
  bool Converted() const { return converted_; }

  // The file the converter would produce for source, placed in the source's
  // own folder (the source itself with an empty SubName); it counts only
  // when it exists.
  static std::string PreparedFile(const TJwImageConv& converter, const std::string& source);

 private:
  struct TDeferred {};
  TImageObj(TDeferred, const std::string& source, TJwImageConv& converter,
            const TImageSwitches& switches, TUserInterface* ui);
  void BeginConvert();
  void EndConvert(const std::string& result);
  void Finish();
  void Measure();

  std::string image_path_;
  int width_ = 0;
  int height_ = 0;
  int64_t file_size_ = -1;
  std::time_t file_date_ = 0;
  int64_t file_date_nsec_ = 0;

  std::string source_;
  TJwImageConv* converter_ = nullptr;
  TImageSwitches switches_;
  TUserInterface* ui_ = nullptr;
  std::string prepared_;  // the prepared file when it exists, else the source
  bool convert_ = false;
  bool converted_ = false;
};

// ---- the converter set-ups of a build

// Program options that shape the build's images.
struct TBuildImageOptions {
  bool AutomaticResize = true;        // "&Process images"
  bool CopyImages = true;             // "Copy images to specified &folder"
  bool OverwriteImages = true;        // "O&verwrite images"
  bool LowercaseUrls = true;          // "&Use lowercase URLs"
  std::string ImageMaxWidth = "650";  // empty: no limit
  std::string ImageMaxHeight = "450";
  std::string ImageFolder = "images";  // relative to the album's output folder
};

// A template's album options that concern images (nullopt: not given).
struct TAlbumImageOptions {
  std::optional<std::string> imageprefix, thumbprefix;
  std::optional<std::string> imagemaxsize, thumbmaxsize;
  std::optional<std::string> imagequality, thumbquality;
  std::optional<std::string> imagesharpness, thumbsharpness;
  std::optional<std::string> imageoverwrite, thumboverwrite;
};

// What a build's image objects are made with.
struct TBuildImageSetup {
  TImageSwitches picture_switches;
  TImageSwitches thumbnail_switches;
  std::string image_folder;  // with trailing "/"; empty when not copying
};

// Parses a size album option "WxH" (the letter x in either case): the width
// is the number before the x (default_width when it is not a number), the
// height the number after it (the width when missing or not a number).
void ParseSizeOption(const std::string& text, int default_width, int& width, int& height);

// Sets up the picture and thumbnail converters at the start of a build for
// the album written into output_folder, creates the image folder when images
// are copied (copying and processing are switched off when it cannot be
// created or written), and returns the switches of the build's objects.
TBuildImageSetup SetupBuildConverters(const TBuildImageOptions& options,
                                      const TAlbumImageOptions& album,
                                      const std::string& output_folder,
                                      TJwImageConv& picture_converter,
                                      TJwImageConv& thumbnail_converter);

}  // namespace pictavo
