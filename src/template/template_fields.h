#pragma once
// The values of the template fields: the text each of the 70 field ids
// yields for the page and picture being built.
#include <string>

#include "build/build_context.h"
#include "build/file_merge_info.h"

namespace pictavo {

// The text of field id (negative: its conditional form) for the record's
// current page and picture (TFileMergeInfo::FieldPicture(): the picture being
// expanded or, without one, the included picture whose position equals the
// page number). Fields that need a picture yield the empty text without one;
// unknown ids and the ids evaluated elsewhere (MERGE:, LINK: and the
// parameterised fields) yield the empty text. May create image objects in
// context.ImageObjects (the picture's and its thumbnail's files are then
// produced) and copy the background image into the image folder.
std::string EvaluateField(int id, TFileMergeInfo& info, TBuildContext& context);

// The record's field callback for a build: EvaluateField with this context.
TFieldCallback MakeFieldCallback(TBuildContext& context);

// The URL form of a path as fields write it: with relative paths on, an
// absolute path is made relative to the album folder; then PathToUrl
// escapes it (an absolute path becomes a "file:///" URL), and with
// lower-case URLs on it is lower-cased unless only the path as written names
// an existing file (Linux names are case-sensitive). check_folder: where a
// bare file name lives, for that test ("" when unknown).
std::string FieldUrl(const std::string& path, const TBuildContext& context,
                     const std::string& check_folder = {});

// The value of the character set field for the box text ("UTF-8" for
// "Default encoding", "ISO-8859-1" for the first Latin item ...).
std::string CharSetName(const std::string& box_text);

// A colour value (blue * 65536 + green * 256 + red) as "RRGGBB".
std::string ColorToHtml(uint32_t color);

}  // namespace pictavo
