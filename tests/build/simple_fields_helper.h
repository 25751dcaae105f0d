#pragma once
// A small field evaluator for merge tests: the page, picture-number and
// picture fields the merge's own behaviour shows through, the predicates and
// the navigation fields. It stands in for EvaluateField, which needs a whole
// build (window state, image objects) behind it.
#include "build/file_merge_info.h"

namespace pictavo::test {

// FileName (name.ext), ImageName, ItemInfo, ImageTitle, ImageInfo,
// ImageWidth, ImageHeight, ImageIndex, ImageCount, PageIndex, PageCount,
// PageImageIndex, PageImageCount, PageName, PageNext, PagePrev, PageFirst,
// PageLast, the eleven predicates; MERGE:, LINK: and the parameterised ids
// yield the empty text (as simple tokens they are conditional forms); every
// other id yields "?id?".
TFieldCallback SimpleFieldCallback();

}  // namespace pictavo::test
