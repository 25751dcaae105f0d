#pragma once
// The main window's boxes as plain state. The Qt window binds its widgets to
// these fields (each widget has the field's name as objectName); the CLI and
// the tests fill the struct directly. Fields are named as the controls are.
#include <cstdint>
#include <string>

namespace pictavo {

struct TWindowState {
  // Picture list (first and second pages).
  std::string vclShellTree;            // the picture folder
  std::string cmbFileFilters = "*.gif;*.jpg;*.jpeg;*.jpe;*.jps;*.png";
  std::string edtExclusionFilters;
  bool cbxIncludeSubFolders = false;
  bool cbxPickManually = false;

  // Options.
  bool cbxUseHtmlTitle = true;
  bool cbxDescriptionsWithImages = true;
  bool cbxImageNameIfNoInfo = false;

  // Page details (third page), read by the template fields. Colours are
  // colour values blue * 65536 + green * 256 + red, as album settings store
  // them.
  std::string edtPageTitle;
  std::string edtPageDescription;
  std::string edtKeywords;
  std::string cmbBaseUrl;
  std::string cmbBackgroundImage;      // name in the backgrounds folder; "" for none
  uint32_t btnBackgroundColor = 0xFFFFFF;  // white
  uint32_t btnTextColor = 0x000000;        // black
  uint32_t btnLinkColor = 0xFF0000;        // blue
  uint32_t btnVLinkColor = 0x800080;       // purple
  std::string cmbCharSet = "[Omit]";   // an item of the character set list or a typed name

  // Author details and page options (options pages).
  std::string cmbName;
  std::string cmbEMail;
  std::string cmbHomepage;
  std::string cmbCopyright;
  std::string cmbDateFormat = "mmmm dd, yyyy";
  bool cbxLowercaseURLs = true;
  bool cbxRelativePaths = true;
  bool cbxUseEntities = true;
  std::string edtImageMaxWidth = "650";   // "" or 0: no limit
  std::string edtImageMaxHeight = "450";
};

}  // namespace pictavo
