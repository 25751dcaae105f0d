#pragma once
// The build driver: the Build Album and Quick Build commands, BuildAlbum with
// its snapshot of the window's album fields, the chain of templates that
// templatebuild names, every step of one template's build, the page events
// and the album's file list.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "build/album_fields.h"
#include "build/build_context.h"
#include "build/file_merge_info.h"
#include "imaging/image_conv.h"
#include "pictures/picture_item.h"
#include "settings/program_folders.h"
#include "template/album_options.h"
#include "template/compile_template.h"
#include "template/html_links.h"

namespace pictavo {

struct TWindowState;
class TBuildHost;
class TProgressLog;
class TUserInterface;

// One entry of AlbumFiles: a file of the album and its destination number
// (1 + the FTP records of the build when it was added; negative for media
// files).
struct TAlbumFile {
  std::string path;
  int destination = 1;
};

// Enabled states of the "&4. Make Album" page's buttons after a build.
struct TBuildCommands {
  bool btnPreviewLocalEnabled = false;
  bool btnCalculateSizeEnabled = false;
  bool btnUploadEnabled = false;
  bool btnDeletePagesEnabled = false;
};

// The texts a build logs and shows.
inline constexpr char kFinishedBuilding[] = "Finished building album";
inline constexpr char kBuildInterrupted[] = "Album building interrupted!";
inline constexpr char kReadyStatus[] = "Ready (press F1 for Help)";

class TAlbumBuilder {
 public:
  TAlbumBuilder(TWindowState& window, TBuildHost& host, TUserInterface& ui, TProgressLog& log,
                const TProgramFolders& folders);
  TAlbumBuilder(const TAlbumBuilder&) = delete;
  TAlbumBuilder& operator=(const TAlbumBuilder&) = delete;

  // ---- commands
  // Build Album (btnBuildPages): clears the previous build's lists and the
  // log, runs BuildAlbum, and deletes the pages again when it fails.
  bool BuildAlbumCommand();
  // Quick Build (btnQuickBuild): Build Album, then the automatic preview
  // when cbxAutomaticPreview is ticked and the build succeeded.
  bool QuickBuildCommand();

  // ---- the build
  // True when every template of the chain was built to the end.
  bool BuildAlbum();
  // Builds a template and then the templates its templatebuild names. A
  // chain that reaches a template already being built stops with an error
  // line and false.
  bool BuildTemplateChain(const std::string& name, bool sub_build);
  bool BuildTemplate(THtmlLinkInfo& link, const std::string& name, bool sub_build);
  // Page events of the merge (kinds of TPageEventKind).
  void PageEvent(const TPictureItem* picture, int kind, const std::string& file_name);
  // Adds the pages written and the files referenced since the last run to
  // AlbumFiles.
  void CollectAlbumFiles();
  // Deletes the pages of this build (after a failed or interrupted build)
  // and clears the lists; removes CreatedAlbumFolder when it is empty.
  void DeleteLocalAlbum();
  // The album settings changed or were loaded: the next build works out its
  // album folder again.
  void ForgetAlbumFolder() { AlbumFolder.clear(); }


  // ---- build lists (kept after a build for preview, size, deletion, upload)
  std::vector<std::string> WrittenPages;
  TReferencedFiles ReferencedFiles;
  std::vector<TAlbumFile> AlbumFiles;
  std::string ContentsPage;
  std::string AlbumFolder;  // survives between builds until ForgetAlbumFolder
  std::string CreatedAlbumFolder;
  std::string PageExt;
  std::string OutputFolder;
  std::string MainPageBase;
  std::string AlbumRelName;

  // ---- per build
  TNamedTexts NamedTexts;
  TAlbumOptionsBuild Options;  // FtpInfos, PageNames, ChainTemplates, MergeName ...
  TImageObjects ImageObjects;
  TJwImageConv ImageConverter;
  TJwImageConv ThumbConverter;
  THtmlLinkInfo LinkInfo;
  TFileMergeInfo MergeInfo;
  TBuildContext Context;

  // Makes the image objects the pages' body will ask for on the imaging
  // worker pool before the pages are merged, a picture and its thumbnail
  // from one decoding of the source (TImageObj::MakePair). The files do not
  // depend on the number of worker threads; the pages are the same as
  // without it. Off: the fields make every object when they need it.
  bool PrefetchImages = true;

  bool Busy = false;
  TBuildCommands Commands;
  // True when the application is closing (or the CLI was interrupted).
  std::function<bool()> IsClosing;
  // The completion wizard over a template text (CompleteFields of
  // app/completion_wizard.h with the window's user interface); false when the
  // user cancelled. Empty: the markers stay as they are.
  std::function<bool(std::string&)> CompleteFields;
  // Pictures added so far and the picture slots of the template being built.
  std::function<void(int done, int total)> OnPictureProgress;

 private:
  std::string ResolveTemplatePath(const std::string& name) const;
  void PrefetchImageObjects(const std::string& body);
  void SetupConverters();
  void AddAlbumFile(const std::string& path, int destination);
  TPathMacroFolders MacroFolders() const;

  TWindowState& window_;
  TBuildHost& host_;
  TUserInterface& ui_;
  TProgressLog& log_;
  TProgramFolders folders_;

  std::vector<TPictureItem> pictures_;           // the list the merge walks
  std::vector<std::string> templates_building_;  // the chain's templates being built
  std::unordered_map<std::string, size_t> album_file_index_;
  size_t collected_pages_ = 0;
  size_t collected_references_ = 0;
  bool quick_build_preview_ = false;
  int pictures_done_ = 0;
  int picture_total_ = 0;
};

}  // namespace pictavo
