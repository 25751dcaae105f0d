// The album-options block over arbitrary template text: finding the block,
// reading every key both ways, picking the template into a window, applying
// it at build time (with page names for three pictures) and the value
// helpers. Never a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image_conv.h"
#include "pictures/picture_item.h"
#include "settings/window_state.h"
#include "template/album_options.h"
#include "template/color_value.h"
#include "template/ignore_fields.h"
#include "template/text_to_bool.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;

const char* const kKeys[] = {
    "ftp_autoconnect", "ftp_passivemode", "ftp_host",          "ftp_userid",
    "ftp_password",    "ftp_htmldir",     "ftp_imagedir",      "templatebuild",
    "merge",           "variables",       "includesubfolders", "folder",
    "thumbprefix",     "include",         "exclude",           "sort",
    "picsperpage",     "outputname",      "backimage",         "backcolor",
    "textcolor",       "linkcolor",       "vlinkcolor",        "info",
    "autoshowinfo",    "ignorefields",    "thumbmaxsize",      "thumbsharpness",
    "thumbquality",    "thumboverwrite",  "imageprefix",       "imagemaxsize",
    "imagesharpness",  "imagequality",    "imageoverwrite",    "iterategrid",
    "iscontentspage"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  using namespace pictavo;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TPathMacroFolders folders{"/albums", "/program", "/samples", "/tmp"};

  const std::string options = OptionsText(text);
  for (const char* key : kKeys) {
    const auto picked = PickOptionValue(options, key);
    const auto built = BuildOptionValue(options, key, folders);
    if (picked) {
      (void)TextToBool(*picked, true);
      (void)TextToBool(*picked, false);
      (void)ColorFromText(*picked);
      (void)ExpandThumbSpecs(*picked, "_tn");
      (void)ParseMaxSize(*picked, 150);
    }
    if (built) (void)OptionInteger(*built);
  }

  TWindowState window;
  window.cbxPickManually = size % 2 == 0;
  TAlbumOptionsWindow host;
  TAlbumOptionsContext context{window, host, folders, {}, size % 3 == 0};
  LoadTemplateOptions(text, true, context);
  LoadTemplateOptions(text, false, context);

  std::vector<TPictureItem> pictures(3);
  pictures[0].fldFileName = "a";
  pictures[1].fldFileName = "a";
  pictures[2].fldFileName = "B.c";
  for (size_t i = 0; i < pictures.size(); ++i) pictures[i].fldIndex = static_cast<int>(i) + 1;

  TJwImageConv thumbs, images;
  TNamedTexts named;
  TAlbumOptionsBuild build;
  build.NamedTexts = &named;
  build.ThumbConverter = &thumbs;
  build.ImageConverter = &images;
  TApplyOptionsInput input;
  input.PageExt = "html";
  input.TemplatePath = "/templates/_fuzz.html";
  input.OutputFolder = "/albums/0001";
  input.Pictures = &pictures;
  for (int pass = 0; pass < 2; ++pass) {
    input.OptionsFromWindow = pass == 1;
    input.SubBuild = pass == 1;
    const TTemplateOptions result = ApplyAlbumOptions(text, input, build, context);
    if (result.Text.size() > text.size()) __builtin_trap();
  }
  return 0;
}
