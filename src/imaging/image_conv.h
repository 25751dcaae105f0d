#pragma once
// The image converter: loads a picture, runs the adjustment chain
// (brightness, contrast, rotation, resampling to the size of the resize mode,
// sharpening), names the destination and saves it with the chosen JPEG
// quality and EXIF policy. JPEG pictures can also be turned without
// recompressing them.
//
// A picture whose EXIF orientation is 2 to 8 is converted as it is meant to
// be seen: its pixels are turned or mirrored before anything else, and the
// copy that is written says orientation 1 (or carries no EXIF).
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs/codec.h"
#include "imaging/exif.h"
#include "imaging/fit_image_size.h"
#include "imaging/naming.h"
#include "imaging/raster.h"
#include "imaging/resample.h"
#include "pictures/image_info.h"

namespace pictavo {

class TUserInterface;
class TWorkerPool;
struct TConvertJob;
struct TPreparedSource;

// EXIF policy for JPEG to JPEG conversions.
enum TSaveExif { seFalse, seTrue, seNotThumbnails };

// Results up to this larger side count as thumbnails for seNotThumbnails.
inline constexpr int kExifThumbnailMaxSide = 300;

// The converter's error texts (the file name goes in front of the last two).
inline constexpr char kDestFolderCannotBeCreated[] = "Destination folder %s cannot be created";
inline constexpr char kFileFormatNotSupported[] = ": file format not supported";
inline constexpr char kFileCorrupted[] = ": file corrupted or format not supported";

// A part of a picture (a selection), in pixels of the picture as shown.
struct TPictureRect {
  int left = 0, top = 0, width = 0, height = 0;
};

class TJwImageConv {
 public:
  // Error report: the message and a stop flag the handler may set for the
  // caller (a batch stops before its next file).
  using TErrorHandler = std::function<void(const std::string& message, bool& stop)>;

  TJwImageConv() = default;

  // ---- properties of the adjustment chain
  TRgb Background{255, 255, 255};  // fill of turned-away areas and transparency
  std::string DateFormat;          // date format of the date tokens
  int OutputFormat = kOutputSameAsSource;
  bool SmartResample = true;

  // ---- naming
  TAddSubName AddSubName = adAutoDetect;
  std::string SubName;
  bool LowercaseName = false;  // lower-cases the destination's file name (folders keep their case)
  // Destination folder: absolute, relative to the source's folder, or empty
  // for the source's folder. Setting an absolute one also sets the resolved
  // destination folder; setting any other clears it.
  const std::string& DestFolder() const { return dest_folder_; }
  void SetDestFolder(const std::string& folder);
  // Used as it is by DestinationName when not empty (a batch sets it).
  const std::string& ResolvedDestFolder() const { return resolved_dest_folder_; }
  void SetResolvedDestFolder(const std::string& folder) { resolved_dest_folder_ = folder; }

  // ---- conversion
  bool JpgLossless = false;
  int JpgQuality() const { return jpg_quality_; }
  void SetJpgQuality(int quality);  // 1..100, others ignored
  int ImageBrightness() const { return brightness_; }
  void SetImageBrightness(int value);  // -100..100, others ignored
  int ImageContrast() const { return contrast_; }
  void SetImageContrast(int value);
  int ImageSharpness() const { return sharpness_; }
  void SetImageSharpness(int value);
  double ImageRotate() const { return rotate_; }
  void SetImageRotate(double degrees);  // -360..360, others ignored
  TResampleFilter ImageResampleFilter = TResampleFilter::None;
  TResizeMode ResizeMode = scBestFit;
  int MaxWidth = 0;
  int MaxHeight = 0;
  TSaveExif SaveExif = seNotThumbnails;
  // An existing destination is overwritten (on) or reused as it is (off).
  bool Overwrite = true;
  // Pictures larger than this (width x height) are refused as corrupt.
  int64_t MaxPixels = kDefaultMaxPixels;

  // ---- error reports: OnError when set, else ui->ShowError when ui is set.
  TErrorHandler OnError;
  TUserInterface* ui = nullptr;
  // True after an error handler set the stop flag (cleared by ClearStop).
  bool StopRequested() const { return stop_requested_; }
  void ClearStop() { stop_requested_ = false; }

  // ---- the last loaded source
  int SourceWidth() const { return source_width_; }  // as shown (orientation applied)
  int SourceHeight() const { return source_height_; }
  int SourceBitsPerSample() const { return source_bits_; }
  int SourceSamplesPerPixel() const { return source_samples_; }
  TImageFileType SourceType() const { return source_type_; }
  int64_t SourceFileSize() const { return source_file_size_; }
  // Byte count of the last RenderPreview.
  int64_t PreviewSize() const { return preview_size_; }

  // The naming settings as DestinationName sees them.
  TNamingOptions NamingOptions() const;
  // The destination path (with_folder) or bare name for a source.
  std::string DestinationName(const std::string& source, int number, bool with_folder) const;
  // Field tokens against a source (exif: the picture's data when at hand).
  std::string ExpandFields(const std::string& text, bool for_file_name, const std::string& source,
                           const TExifInfo* exif = nullptr) const;
  // The filter the chain uses for a source of that type and file size.
  TResampleFilter EffectiveFilter(TImageFileType source_type, int64_t source_file_size) const;

  // Converts one file. Returns the destination, or "" when nothing was
  // written (an existing destination reused with the overwrite flag off is
  // returned without writing). produced: the names written in this batch,
  // which makes names unique within it; nullptr for a single file.
  std::string ConvertFile(const std::string& source, int number,
                          std::vector<std::string>* produced = nullptr);

  // Runs the processing chain on a picture (as shown, orientation applied).
  // full_width x full_height is the picture's size before any reduced
  // decoding (0: the raster's own); source_type and source_file_size feed
  // the smart filter choice.
  // pool: the worker pool of the pixel operations (nullptr: the default).
  void ProcessPicture(TRaster& image, int full_width, int full_height, TImageFileType source_type,
                      int64_t source_file_size, TWorkerPool* pool = nullptr) const;

  // True when JPEG source and destination take the lossless path.
  bool UsesLosslessPath(const std::string& source, const std::string& dest) const;

  // The preview of a picture file (or only its selection, in pixels of the
  // picture as shown): processed by the chain and encoded in the effective
  // output format in memory. Sets PreviewSize. A JPEG with JpgLossless on and
  // JPEG output gets the lossless turn on its bytes (nothing to turn and no
  // selection: the file's bytes unchanged). Throws EPictavo on failure.
  std::vector<uint8_t> RenderPreview(const std::string& file_name,
                                     const std::optional<TPictureRect>& selection = {});

 private:
  friend void FinishSource(const std::string&, TConvertJob*, size_t, TPreparedSource*);
  void Report(const std::string& message);
  bool PlanOutput(const std::string& source, int number, std::vector<std::string>* produced,
                  std::string& dest, std::string& result);
  std::string ConvertLossless(const std::string& source, const std::string& dest,
                              std::span<const uint8_t> bytes, std::vector<std::string>* produced);

  std::string dest_folder_;
  std::string resolved_dest_folder_;
  int jpg_quality_ = 80;
  int brightness_ = 0;
  int contrast_ = 0;
  int sharpness_ = 0;
  double rotate_ = 0;
  bool stop_requested_ = false;
  int source_width_ = 0, source_height_ = 0;
  int source_bits_ = 8, source_samples_ = 3;
  TImageFileType source_type_ = iftUnknown;
  int64_t source_file_size_ = 0;
  int64_t preview_size_ = 0;
};

// One output of a source for ConvertSourceOnce: the converter that names and
// makes it, its counter number and batch list, and the result (the
// destination, "" when nothing was written).
struct TConvertJob {
  TJwImageConv* converter = nullptr;
  int number = 0;
  std::vector<std::string>* produced = nullptr;
  std::string result;
};

// Makes several outputs of one source (a build's picture copy and its
// thumbnail) from a single decode at the reduced JPEG scale that serves the
// largest of them. Each job follows its converter's rules as ConvertFile
// does (naming, overwrite, lossless path, EXIF policy, error reports).
void ConvertSourceOnce(const std::string& source, TConvertJob* jobs, size_t job_count);
// The common case: a picture copy and its thumbnail; results in order.
std::pair<std::string, std::string> ConvertPair(const std::string& source,
                                                TJwImageConv& picture_converter,
                                                TJwImageConv& thumbnail_converter);

// ---- batches: the pixel work of the next sources runs ahead on worker
// threads while the calling thread names, writes and reports each source in
// order, so the files and reports are those of a sequential run.

// What the pixel work of one source gives one converter.
struct TMadeOutput {
  bool ok = false;
  std::vector<uint8_t> bytes;  // the encoded picture
  std::string error;           // the report when not ok
};

struct TSourceWork {
  std::vector<TMadeOutput> outputs;  // one per converter asked for
  bool have_header = false;
  TImageHeader header;  // the stored picture's header
  int shown_width = 0, shown_height = 0;
  int64_t file_size = 0;
};

// A source whose pixel work was started ahead.
struct TPreparedSource {
  std::future<TSourceWork> work;
  std::vector<size_t> job_index;          // the jobs the work serves
  std::vector<TImageFileType> out_types;  // their output formats
};

// Starts the pixel work of a source for the jobs that will need it (copies
// of their converters' settings are taken now).
TPreparedSource PrepareSource(const std::string& source, const TConvertJob* jobs, size_t job_count);
// Finishes a source on the calling thread exactly as ConvertSourceOnce does,
// using the work prepared ahead where it fits (prepared may be null).
void FinishSource(const std::string& source, TConvertJob* jobs, size_t job_count,
                  TPreparedSource* prepared);

// Converts every source with every job's converter, keeping up to `ahead`
// sources in work (< 1: one per core; 1: strictly one after the other).
// number_sources gives source i the number i + 1 (else 0). before_each(i)
// runs on the calling thread before source i is finished (status texts,
// pending events) and may return false to stop; after_each(i, jobs) sees the
// results. The batch stops when an error handler sets its stop flag.
void ConvertBatch(const std::vector<std::string>& sources, TConvertJob* jobs, size_t job_count,
                  bool number_sources, int ahead,
                  const std::function<bool(size_t index)>& before_each,
                  const std::function<void(size_t index, const TConvertJob* jobs)>& after_each);

// Reads a picture file as it is meant to be seen: decoded (at a reduced JPEG
// scale when target_width x target_height, in shown orientation, is at least
// four times smaller), EXIF orientation applied. header receives the stored
// header; orientation the EXIF orientation found. Throws ECodec/EPictavo.
TRaster LoadOrientedImage(std::span<const uint8_t> bytes, TImageFileType type,
                          const TDecodeOptions& options, TImageHeader* header = nullptr,
                          int* orientation = nullptr);

}  // namespace pictavo
