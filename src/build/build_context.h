#pragma once
// TBuildContext: what one build hands the template fields besides the
// page-merge record. The build fills it once per build (per template for the
// switches that a template's options change) and wraps EvaluateField in the
// record's field callback:
//
//   info.field_callback = MakeFieldCallback(context);
//
// Nothing here is owned: the pointers name the build's own objects, which
// outlive the merge runs.
#include <map>
#include <memory>
#include <string>

#include "imaging/image_obj.h"

namespace pictavo {

struct TWindowState;
struct TFileMergeInfo;
class TUserInterface;

// The build's image objects (one per picture path and one per thumbnail
// path), keyed by file path.
using TImageObjects = std::map<std::string, std::unique_ptr<TImageObj>>;

// PageFileName of the page-merge engine (build/page_merge.h). The template
// library cannot link the build library, so the build passes it in.
using TPageFileNameFunc = std::string (*)(const TFileMergeInfo& info, int n, bool full_path,
                                          bool use_page_names, bool write);

struct TBuildContext {
  // The main window's boxes and options (page details, author details,
  // lower-case URLs, relative paths, entities, image maximum size ...).
  const TWindowState* window = nullptr;

  std::string AlbumFolder;        // folder of the main template's pages
  std::string PageExt;            // extension of the main template's pages, without dot
  std::string ContentsPage;       // full path of the album's contents page
  std::string BackgroundsFolder;  // folder the background image box names a file in

  TPageFileNameFunc PageFileName = nullptr;  // set by the build to PageFileName

  // Image objects and the two converters of the build. Without them the
  // fields fall back to the picture's own file and recorded size.
  TImageObjects* ImageObjects = nullptr;
  TJwImageConv* ImageConverter = nullptr;
  TJwImageConv* ThumbConverter = nullptr;

  // Switches of new picture and thumbnail objects (SetupBuildConverters
  // gives them). The picture switches' copy and overwrite also decide
  // whether the background image is copied into the image folder.
  TImageSwitches picture_switches;
  TImageSwitches thumbnail_switches;

  // Status texts and error reports of the image work; may be null.
  TUserInterface* ui = nullptr;
};

}  // namespace pictavo
