// The upload job on a really built album: sent to a real FTP server on a
// loopback port (every file on the server's disk compared with the local one,
// every link of a sent page followed on the server's disk), cut part-way by a
// proxy and resumed from its resume log, copied into a local folder, and the
// failures that must leave a clear line, a false result and a resume log.
#include "publish/upload_job.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "build/build_album.h"
#include "build/grid_build_host.h"
#include "build/progress_log.h"
#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "publish/enh_ftp_client.h"
#include "publish/ftp_profiles.h"
#include "publish/ftp_server_helper.h"
#include "publish/ftp_socket.h"
#include "publish/password_hiding_log.h"
#include "publish/resume_log.h"
#include "settings/program_folders.h"
#include "settings/window_state.h"
#include "support/test_support.h"
#include "template/html_links.h"
#include "template/web_file_type.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TFtpProxy;
using test::TFtpTestServer;
using test::TTempDir;
using test::WriteFile;

// ---------------------------------------------------------------- no server

TEST(UploadJobRules, LocalTargetsAndHosts) {
  struct TCase {
    const char* host;
    bool local;
  } cases[] = {
      {"", false},
      {"album", true},
      {"/srv/www/album", true},
      {"./copy", true},
      {"../copy", true},
      {"my.site", true},  // one dot: a plain folder name
      {"ftp.example.com", false},
      {"192.168.1.20", false},
      {"ftp.example.com/public_html", false},
      {"ftp://example/www", false},
      {"127.0.0.1:2121", false},
      {"localhost:2121", false},
      {"a..b/x", true},
  };
  for (const TCase& c : cases) EXPECT_EQ(IsLocalTarget(c.host), c.local) << c.host;
}

TEST(UploadJobRules, MediaPrefixRemotePathsAndAddress) {
  EXPECT_EQ(MediaLinkPrefix("public_html/album", "public_html/album/images"), "images/");
  EXPECT_EQ(MediaLinkPrefix("www", "media"), "../media/");
  EXPECT_EQ(MediaLinkPrefix("/WWW/a", "www/a"), "");
  EXPECT_EQ(MediaLinkPrefix("", "img"), "img");
  EXPECT_EQ(MediaLinkPrefix("/", "/img"), "/img");

  EXPECT_EQ(NormalizeRemotePath("www/a/../img/my pic.jpg"), "www/img/my_pic.jpg");
  EXPECT_EQ(NormalizeRemotePath("/www//./x.html"), "/www/x.html");
  EXPECT_EQ(NormalizeRemotePath("/img/"), "/img/");
  EXPECT_EQ(NormalizeRemotePath("/../x.html"), std::nullopt);
  EXPECT_EQ(NormalizeRemotePath("a/../../x.html"), std::nullopt);

  EXPECT_EQ(RemoteAlbumAddress("ftp.example.com", "/www/", "/a/Index.html", true),
            "http://ftp.example.com/www/index.html");
  EXPECT_EQ(RemoteAlbumAddress("https://h/", "", "/a/index.html", false), "https://h/index.html");
  EXPECT_EQ(RemoteAlbumAddress("h", "my album", "/a/My Page.html", false),
            "http://h/my_album/My_Page.html");
}

TEST(UploadJobRules, PageLinksPointIntoTheMediaFolder) {
  const std::string page =
      "<a href=\"Big Picture.jpg\"><img src=\"thumbs/tn_pic.jpg\"></a>"
      "<a href=\"page2.html\">next</a> <a href=\"http://example.com/x.jpg\">x</a>";
  EXPECT_EQ(RewritePageLinks(page, "/albums/a/", "www/img", "www", true),
            "<a href=\"big_picture.jpg\"><img src=\"img/tn_pic.jpg\"></a>"
            "<a href=\"page2.html\">next</a> <a href=\"http://example.com/x.jpg\">x</a>");
  EXPECT_EQ(RewritePageLinks("", "/a/", "m", "h", false), "");
}

TEST(UploadJobRules, PasswordHidingLogHidesEveryOccurrence) {
  TMemoryProgressLog memory;
  TPasswordHidingLog log(memory);
  log.AddPassword("s3cret");
  log.AddPassword("s3cret-longer");
  log.AddPassword("ab");  // too short to hide outside the PASS line
  log.LogLine("! 530 Login incorrect for s3cret-longer and s3cret");
  log.LogAppend(" (s3cret)");
  log.LogLine("about");
  ASSERT_EQ(memory.lines().size(), 2u);
  EXPECT_EQ(memory.lines()[0], "! 530 Login incorrect for ************* and ****** (******)");
  EXPECT_EQ(memory.lines()[1], "about");
}

// The transfer lines a build's list turns into: the record of the first
// template, the panel filling its empty fields, a second template's record
// merged from its first file on; the host's scheme and path moved into the
// folders. The host refuses connections, so the first line fails and the
// resume log holds every line, none marked.
TEST(UploadJobRules, TransferLinesMergeTemplateSettingsAndPanel) {
  TTempDir dir;
  const int closed_port = test::FreeLoopbackPort();
  TFtpInfos infos(2);
  infos[0].Info.Host = "ftp://127.0.0.1:" + std::to_string(closed_port) + "/public html";
  infos[0].Info.HtmlDir = "www";
  infos[0].Info.PassiveMode = false;
  infos[1].Info.ImageDir = "pics";
  infos[1].Info.UserId = "bob";
  infos[1].Info.PassiveMode = true;
  const std::vector<TAlbumFile> files = {{dir.file("index.html"), 2},
                                         {dir.file("a.jpg"), -2},
                                         {dir.file("second.html"), 3},
                                         {dir.file("b.jpg"), -3}};
  TUploadTarget panel;
  panel.host = "ignored.example.com";
  panel.user_id = "alice";
  panel.password = "pa;ss";
  panel.media_folder = "www/img";
  panel.passive = true;
  TUploadSource source{&files, &infos, dir.file("index.html"), dir.file("index.html")};

  TMemoryProgressLog memory;
  TSilentUserInterface ui;
  TUploadJob job(memory, ui);
  job.Ftp().Timeouts.connect_ms = 2000;
  TTransferResult result = job.StartTransfer(&panel, source);
  EXPECT_FALSE(result.success);
  EXPECT_FALSE(result.local);
  EXPECT_TRUE(job.ResumeMode);

  const std::string host = "127.0.0.1:" + std::to_string(closed_port);
  const std::string pw = ScramblePassword("pa;ss");
  const std::vector<std::string> expected = {
      dir.file("index.html") + "=" + host + ";alice;" + pw +
          ";0;public html/www;public html/www/img;1",
      dir.file("a.jpg") + "=" + host + ";alice;" + pw + ";1;public html/www;public html/www/img;1",
      dir.file("second.html") + "=" + host + ";bob;" + pw + ";0;public html/www;pics;1",
      dir.file("b.jpg") + "=" + host + ";bob;" + pw + ";1;public html/www;pics;1"};
  ASSERT_EQ(job.Transfer.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(job.Transfer[i].text, expected[i]);
  EXPECT_EQ(job.RemoteAlbumUrl, "http://" + host + "/public_html/www/index.html");
  EXPECT_TRUE(job.UrlToCheck);

  // The connection was refused once, clearly; the resume log keeps every line.
  EXPECT_NE(memory.Text().find("Connection refused"), std::string::npos) << memory.Text();
  const std::string log_path = dir.file("index.ftp");
  std::string error;
  auto list = ReadResumeLog(log_path, error);
  ASSERT_TRUE(list) << error;
  ASSERT_EQ(list->size(), 4u);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ((*list)[i].text, expected[i]);
  struct stat st {};
  ASSERT_EQ(::stat(log_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(memory.Text().find("pa;ss"), std::string::npos);
}

// ---------------------------------------------------------- a built album

constexpr char kGalleryTemplate[] =
    "<!--album-options\n"
    "thumbmaxsize=100x100\n"
    "-->\n"
    "<html><head><title>{PageTitle}</title></head><body>\n"
    "<!--body_start-->\n"
    "<a href=\"{FileUrl}\"><img src=\"{ThumbUrl}\"></a>\n"
    "<!--body_end-->\n"
    "</body></html>\n";

// An album built by the real build driver from four pictures (one of them a
// large noise picture, so that a cut in its data connection happens
// part-way), two pictures per page.
class TBuiltAlbum {
 public:
  TBuiltAlbum() {
    folders_.MainDirectory = dir.path();
    folders_.BaseFolder = dir.path() + "/";
    folders_.AlbumsFolder = dir.file("Albums");
    folders_.TemplatesFolder = dir.file("Templates") + "/";
    folders_.SamplesFolder = dir.file("Samples");
    folders_.SettingsFolder = dir.file("Settings");
    folders_.BackgroundsFolder = dir.file("Backgrounds");
    ForceFolders(folders_.AlbumsFolder);
    ForceFolders(dir.file("pics"));
    WriteFile(folders_.TemplatesFolder + "Gallery.html", kGalleryTemplate);
    for (const char* name : {"beach", "dunes", "sunset"}) {
      ok = ok && test::RunCommand("convert -size 320x240 gradient:red-blue '" +
                                  dir.file(std::string("pics/") + name + ".jpg") + "'") == 0;
    }
    ok = ok && test::RunCommand("convert -size 640x480 xc: +noise Random -quality 95 '" +
                                dir.file("pics/Big Wave.jpg") + "'") == 0;
    window_.vclShellTree = dir.file("pics");
    window_.edtPageTitle = "Holiday";
    window_.edtMaxImages = "2";
    grid_ = std::make_unique<TPictureGrid>(window_, descriptions_);
    collection_ = std::make_unique<TPictureCollection>(*grid_, window_, ui_);
    host_ = std::make_unique<TGridBuildHost>(window_, *grid_, *collection_);
    builder = std::make_unique<TAlbumBuilder>(window_, *host_, ui_, log_, folders_);
    if (!ok) return;
    collection_->RefreshPictureList(window_.vclShellTree, window_.cmbFileFilters,
                                    window_.edtExclusionFilters);
    window_.cmbTemplate = "Gallery";
    ok = builder->BuildAlbumCommand();
  }

  TUploadSource Source() const {
    return {&builder->AlbumFiles, &builder->Options.FtpInfos, builder->ContentsPage,
            builder->ContentsPage};
  }
  std::string BuildLog() const { return log_.Text(); }

  TTempDir dir;
  bool ok = true;

 private:
  TProgramFolders folders_;
  TWindowState window_;
  test::TScriptedUserInterface ui_;
  TFileDescriptions descriptions_;
  std::unique_ptr<TPictureGrid> grid_;
  std::unique_ptr<TPictureCollection> collection_;
  std::unique_ptr<TGridBuildHost> host_;
  TMemoryProgressLog log_;

 public:
  std::unique_ptr<TAlbumBuilder> builder;
};

// The remote file name of a local file (lower-cased, blanks as "_").
std::string RemoteName(const std::string& path) {
  std::string name = LowerAscii(NamePart(path));
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

// The STOR commands of a log, by file name.
std::vector<std::string> Stored(const TMemoryProgressLog& log) {
  std::vector<std::string> names;
  for (const std::string& line : log.lines()) {
    if (line.rfind("> STOR ", 0) == 0) names.push_back(line.substr(7));
  }
  return names;
}

bool HasLine(const TMemoryProgressLog& log, const std::string& prefix) {
  return std::any_of(log.lines().begin(), log.lines().end(),
                     [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// Every file of the album lies in html_dir (pages and linked pictures) or
// media_dir (thumbnails) with the right bytes; every local link of every
// page reaches a file that exists there.
void ExpectPublishedAlbum(const TBuiltAlbum& album, const std::string& html_dir,
                          const std::string& media_dir) {
  for (const TAlbumFile& file : album.builder->AlbumFiles) {
    const bool media = file.destination < 0;
    const std::string remote = (media ? media_dir : html_dir) + "/" + RemoteName(file.path);
    ASSERT_TRUE(FileExists(remote)) << remote;
    const std::string local = ReadFile(file.path);
    if (media || !IsHtmlFileExt(FileExt(file.path))) {
      EXPECT_TRUE(ReadFile(remote) == local) << remote << " differs from " << file.path;
      continue;
    }
    const std::string sent = ReadFile(remote);
    EXPECT_NE(sent, local) << "links were not rewritten in " << remote;
    TReferencedFiles links;
    THtmlLinkInfo info;
    info.template_folder = html_dir + "/";
    info.referenced_files = &links;
    ScanHtmlLinks(sent, info, true);
    EXPECT_GT(links.Count(), 0u);
    for (const TReferencedFile& link : links.Items()) {
      EXPECT_TRUE(FileExists(link.path)) << remote << " links to missing " << link.path;
    }
  }
}

class UploadJobServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TFtpTestServer::ServerProgram().empty())
      GTEST_SKIP() << "pure-ftpd is not installed (scripts/install-deps.sh installs it)";
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    server = std::make_unique<TFtpTestServer>();
    album = std::make_unique<TBuiltAlbum>();
    ASSERT_TRUE(album->ok) << album->BuildLog();
    ASSERT_GT(album->builder->AlbumFiles.size(), 4u);
  }
  TUploadTarget Panel(const std::string& host) const {
    TUploadTarget panel;
    panel.host = host;
    panel.user_id = TFtpTestServer::kUser;
    panel.password = TFtpTestServer::kPassword;
    panel.html_folder = "www/holiday";
    panel.media_folder = "www/holiday/thumbs";
    panel.passive = true;
    return panel;
  }
  std::unique_ptr<TUploadJob> NewJob(TMemoryProgressLog& log) {
    auto job = std::make_unique<TUploadJob>(log, ui);
    job->Ftp().Timeouts.connect_ms = 2000;
    job->Ftp().Timeouts.reply_ms = 30000;  // a refused login is answered after a delay
    job->Ftp().Timeouts.data_ms = 5000;
    return job;
  }
  std::string ResumeLog() const { return ResumeLogPath(album->builder->ContentsPage); }
  void ExpectNoPasswordIn(const TMemoryProgressLog& log) {
    EXPECT_EQ(log.Text().find(TFtpTestServer::kPassword), std::string::npos) << log.Text();
  }

  std::unique_ptr<TFtpTestServer> server;
  std::unique_ptr<TBuiltAlbum> album;
  TSilentUserInterface ui;
};

TEST_F(UploadJobServerTest, UploadsEveryFilePagesFirstOverOneConnection) {
  TMemoryProgressLog log;
  auto job = NewJob(log);
  const TUploadTarget panel = Panel(server->host());
  TTransferResult result = job->StartTransfer(&panel, album->Source());
  ASSERT_TRUE(result.success) << log.Text();
  EXPECT_FALSE(result.local);
  EXPECT_FALSE(job->ResumeMode);
  ExpectPublishedAlbum(*album, server->DiskPath("/www/holiday"),
                       server->DiskPath("/www/holiday/thumbs"));

  // One connection; every file stored once; the pages and the pictures they
  // link to (tags >= 0) before any media file (the thumbnails).
  const std::string text = log.Text();
  size_t opened = 0;
  for (const std::string& line : log.lines()) opened += line == "Opening FTP connection to host...";
  EXPECT_EQ(opened, 1u);
  std::set<std::string> media;
  for (const TAlbumFile& file : album->builder->AlbumFiles)
    if (file.destination < 0) media.insert(RemoteName(file.path));
  ASSERT_FALSE(media.empty());
  const std::vector<std::string> stored = Stored(log);
  EXPECT_EQ(stored.size(), album->builder->AlbumFiles.size()) << text;
  bool media_seen = false;
  for (const std::string& name : stored) {
    if (media.count(name)) {
      media_seen = true;
    } else {
      EXPECT_FALSE(media_seen) << name << " was sent after a media file\n" << text;
    }
  }
  EXPECT_TRUE(HasLine(log, "> PASS *************")) << text;
  ExpectNoPasswordIn(log);
  EXPECT_FALSE(FileExists(ResumeLog()));
  EXPECT_EQ(job->RemoteAlbumUrl,
            "http://" + server->host() + "/www/holiday/" + NamePart(album->builder->ContentsPage));
  EXPECT_TRUE(job->Ftp().RemoteDir.empty());  // forgotten after a finished job

  // "Upload new media files only": the pages again, no media file, no line for them.
  TMemoryProgressLog again;
  auto job2 = NewJob(again);
  job2->UploadNewOnly = true;
  ASSERT_TRUE(job2->StartTransfer(&panel, album->Source()).success) << again.Text();
  for (const std::string& name : Stored(again)) {
    EXPECT_TRUE(IsHtmlFileExt(FileExt(name))) << name;
  }
  EXPECT_FALSE(Stored(again).empty());
  EXPECT_EQ(again.Text().find("thumbs/"), std::string::npos) << again.Text();
}

// A cut in the middle of the large picture: the upload fails cleanly and
// leaves a resume log with the finished lines marked; a resume from that file
// completes the album, sending nothing that was already marked.
TEST_F(UploadJobServerTest, ACutUploadResumesToACompleteAlbum) {
  TFtpProxy proxy(server->port());
  proxy.cut_after = 60000;
  proxy.cuts_left = -1;  // the store and its one retry
  TMemoryProgressLog log;
  auto job = NewJob(log);
  const TUploadTarget panel = Panel(proxy.host());
  TTransferResult result = job->StartTransfer(&panel, album->Source());
  ASSERT_FALSE(result.success) << log.Text();
  EXPECT_TRUE(job->ResumeMode);
  EXPECT_TRUE(HasLine(log, "! ")) << log.Text();
  ExpectNoPasswordIn(log);

  // The resume log: private, the password scrambled, pages marked done,
  // the big picture not.
  ASSERT_TRUE(FileExists(ResumeLog()));
  struct stat st {};
  ASSERT_EQ(::stat(ResumeLog().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const std::string script = ReadFile(ResumeLog());
  EXPECT_EQ(script.find(TFtpTestServer::kPassword), std::string::npos);
  EXPECT_NE(script.find(ScramblePassword(TFtpTestServer::kPassword)), std::string::npos);
  std::string error;
  auto list = ReadResumeLog(ResumeLog(), error);
  ASSERT_TRUE(list) << error;
  std::set<std::string> done;
  bool big_pending = false;
  for (const TTransferEntry& entry : *list) {
    auto line = ParseFtpTransferLine(entry.text);
    ASSERT_TRUE(line) << entry.text;
    if (line->done) done.insert(RemoteName(line->local_path));
    if (RemoteName(line->local_path).find("big") != std::string::npos && !line->done)
      big_pending = true;
  }
  EXPECT_TRUE(big_pending) << script;
  EXPECT_FALSE(done.empty());

  // Resume later from the file (a new job, as from "&Resume Upload...").
  proxy.cuts_left = 0;
  TMemoryProgressLog resumed;
  auto job2 = NewJob(resumed);
  ASSERT_TRUE(job2->ResumeUpload(ResumeLog())) << resumed.Text();
  EXPECT_FALSE(FileExists(ResumeLog()));
  for (const std::string& name : Stored(resumed)) {
    EXPECT_EQ(done.count(name), 0u) << name << " was sent again";
  }
  EXPECT_EQ(Stored(resumed).size() + done.size(), album->builder->AlbumFiles.size());
  ExpectPublishedAlbum(*album, server->DiskPath("/www/holiday"),
                       server->DiskPath("/www/holiday/thumbs"));
  ExpectNoPasswordIn(resumed);
}

// Failures with a clear "! " line, a false result and the resume log kept; a
// refused folder that becomes writable again resumes to the full album.
TEST_F(UploadJobServerTest, FailuresLeaveALineAndAResumeLog) {
  struct TCase {
    const char* name;
    std::string host;
    std::string password;
    const char* expected;
  } cases[] = {
      {"refused login", server->host(), "wrong-password", "! 530"},
      {"unreachable host", "127.0.0.1:" + std::to_string(test::FreeLoopbackPort()),
       TFtpTestServer::kPassword, "Connection refused"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFile(ResumeLog());
    TMemoryProgressLog log;
    auto job = NewJob(log);
    TUploadTarget panel = Panel(c.host);
    panel.password = c.password;
    ASSERT_FALSE(job->StartTransfer(&panel, album->Source()).success);
    EXPECT_NE(log.Text().find(c.expected), std::string::npos) << log.Text();
    ASSERT_TRUE(FileExists(ResumeLog()));
    const std::string script = ReadFile(ResumeLog());
    EXPECT_EQ(script.find("\r\n;"), std::string::npos);  // nothing marked
    EXPECT_NE(script[0], ';');
    EXPECT_EQ(log.Text().find(c.password), std::string::npos);
  }

  // A folder the server refuses to write into.
  DeleteFile(ResumeLog());
  ForceFolders(server->DiskPath("/locked/holiday"));
  ASSERT_EQ(::chmod(server->DiskPath("/locked/holiday").c_str(), 0555), 0);
  TMemoryProgressLog log;
  auto job = NewJob(log);
  TUploadTarget panel = Panel(server->host());
  panel.html_folder = "locked/holiday";
  panel.media_folder = "locked/holiday/thumbs";
  ASSERT_FALSE(job->StartTransfer(&panel, album->Source()).success);
  EXPECT_TRUE(HasLine(log, "! 55")) << log.Text();
  ASSERT_TRUE(FileExists(ResumeLog()));
  ASSERT_EQ(::chmod(server->DiskPath("/locked/holiday").c_str(), 0777), 0);
  TMemoryProgressLog resumed;
  auto job2 = NewJob(resumed);
  ASSERT_TRUE(job2->ResumeUpload(ResumeLog())) << resumed.Text();
  EXPECT_FALSE(FileExists(ResumeLog()));
  ExpectPublishedAlbum(*album, server->DiskPath("/locked/holiday"),
                       server->DiskPath("/locked/holiday/thumbs"));

  // A path above the login folder is refused before anything is sent.
  TMemoryProgressLog above;
  auto job3 = NewJob(above);
  panel.html_folder = "../outside";
  ASSERT_FALSE(job3->StartTransfer(&panel, album->Source()).success);
  EXPECT_TRUE(HasLine(above, "! The remote path \"../outside/")) << above.Text();
  EXPECT_TRUE(Stored(above).empty());
}

// Cancel during an upload: answered No, nothing changes; answered Yes, the
// transfer stops before its next file, fails and offers "Resume".
class TCancellingInterface : public test::TScriptedUserInterface {
 public:
  void ProcessEvents() override {
    ++events_processed;
    if (job != nullptr && events_processed == cancel_at) cancelled = job->Cancel();
  }
  TUploadJob* job = nullptr;
  int cancel_at = 0;
  bool cancelled = false;
};

TEST_F(UploadJobServerTest, CancelAsksAndStopsBeforeTheNextFile) {
  for (TAnswer answer : {TAnswer::No, TAnswer::Yes}) {
    DeleteFile(ResumeLog());
    TMemoryProgressLog log;
    TCancellingInterface cancelling;
    cancelling.answers = {answer};
    TUploadJob job(log, cancelling);
    cancelling.job = &job;
    cancelling.cancel_at = 3;
    const TUploadTarget panel = Panel(server->host());
    const bool ok = job.StartTransfer(&panel, album->Source()).success;
    ASSERT_EQ(cancelling.questions.size(), 1u);
    EXPECT_EQ(cancelling.questions[0], kAbortUploadQuestion);
    if (answer == TAnswer::No) {
      EXPECT_TRUE(ok) << log.Text();
      EXPECT_FALSE(cancelling.cancelled);
      EXPECT_EQ(Stored(log).size(), album->builder->AlbumFiles.size());
    } else {
      EXPECT_FALSE(ok);
      EXPECT_TRUE(cancelling.cancelled);
      EXPECT_TRUE(job.ResumeMode);
      EXPECT_LE(Stored(log).size(), 2u) << log.Text();
      ASSERT_TRUE(FileExists(ResumeLog()));
      // Without a running transfer Cancel leaves resume mode.
      EXPECT_FALSE(job.Cancel());
      EXPECT_FALSE(job.ResumeMode);
    }
  }
}

// A resume log that is truncated or edited by hand is refused with a clear
// line, kept as it is, and nothing is sent.
TEST_F(UploadJobServerTest, ABrokenResumeLogIsRefusedAndKept) {
  const std::string path = album->dir.file("broken.ftp");
  const std::string text =
      album->builder->ContentsPage + "=" + server->host() + ";alice;;0;www\r\n";
  WriteFile(path, text);
  TMemoryProgressLog log;
  auto job = NewJob(log);
  EXPECT_FALSE(job->ResumeUpload(path));
  EXPECT_TRUE(HasLine(log, "! The FTP script \"" + path + "\" cannot be resumed: line 1"))
      << log.Text();
  EXPECT_EQ(ReadFile(path), text);
  EXPECT_TRUE(Stored(log).empty());
  EXPECT_FALSE(job->ResumeUpload(album->dir.file("missing.ftp")));
}

// A server whose disk is full: it logs in, walks folders and opens data
// connections, but answers every STOR with 552 once the data has arrived.
class TFullDiskServer {
 public:
  TFullDiskServer() {
    listener_ = ListenTcp(Loopback(0), 4);
    port_ = listener_.LocalAddress().Port();
    thread_ = std::thread([this] { Serve(); });
  }
  ~TFullDiskServer() { thread_.join(); }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  int stores = 0;

 private:
  static TSockAddress Loopback(int port) {
    TSockAddress address;
    auto* in = reinterpret_cast<sockaddr_in*>(&address.storage);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    in->sin_port = htons(static_cast<uint16_t>(port));
    address.length = sizeof(sockaddr_in);
    return address;
  }
  void Serve() {
    try {
      TSocket control = AcceptTcp(listener_, 10000);
      auto reply = [&](const std::string& line) { control.SendAll(line + "\r\n", 2000); };
      reply("220 Full disk server ready");
      TLineReader reader;
      TSocket data_listener;
      while (auto line = reader.ReadLine(control, 10000)) {
        const std::string command = LowerAscii(line->substr(0, line->find(' ')));
        if (command == "user") {
          reply("331 Password please");
        } else if (command == "pass") {
          reply("230 Logged in");
        } else if (command == "pwd") {
          reply("257 \"/\" is the current folder");
        } else if (command == "epsv") {
          data_listener = ListenTcp(Loopback(0), 1);
          reply("229 Extended Passive mode OK (|||" +
                std::to_string(data_listener.LocalAddress().Port()) + "|)");
        } else if (command == "stor") {
          ++stores;
          reply("150 Accepted data connection");
          TSocket data = AcceptTcp(data_listener, 5000);
          char buffer[4096];
          while (data.Receive(buffer, sizeof buffer, 5000) > 0) {
          }
          reply("552 Requested file action aborted. Exceeded storage allocation");
        } else if (command == "quit") {
          reply("221 Bye");
          return;
        } else if (command == "cwd") {
          reply("250 OK");
        } else {
          reply("200 OK");
        }
      }
    } catch (const std::exception&) {
      // The client went away.
    }
  }

  TSocket listener_;
  int port_ = 0;
  std::thread thread_;
};

// 552 (the server's disk is full): a clear line, a false result, a resume
// log with nothing marked; the store is not retried.
TEST(UploadJobFullDisk, AFullDiskFailsTheUploadAndKeepsAResumeLog) {
  TTempDir dir;
  WriteFile(dir.file("index.html"), "<html><img src=\"a.jpg\"></html>");
  WriteFile(dir.file("a.jpg"), std::string(5000, 'x'));
  const std::vector<TAlbumFile> files = {{dir.file("index.html"), 1}, {dir.file("a.jpg"), -1}};
  TMemoryProgressLog log;
  TSilentUserInterface ui;
  bool ok = true;
  int stores = 0;
  {
    TFullDiskServer server;
    TUploadJob job(log, ui);
    job.Ftp().Timeouts.reply_ms = 5000;
    job.Ftp().Timeouts.data_ms = 5000;
    TUploadTarget panel;
    panel.host = server.host();
    panel.user_id = "bob";
    panel.password = "disk-full-pw";
    panel.passive = true;
    ok = job.StartTransfer(&panel, {&files, nullptr, files[0].path, files[0].path}).success;
    EXPECT_TRUE(job.ResumeMode);
    job.Ftp().CloseHost();
    stores = server.stores;
  }
  EXPECT_FALSE(ok);
  EXPECT_TRUE(HasLine(log, "! 552 ")) << log.Text();
  EXPECT_EQ(stores, 1);
  const std::string script = ReadFile(dir.file("index.ftp"));
  EXPECT_EQ(script.rfind(dir.file("index.html") + "=127.0.0.1:", 0), 0u) << script;
  EXPECT_EQ(script.find("\r\n;"), std::string::npos);
  EXPECT_EQ(log.Text().find("disk-full-pw"), std::string::npos);
}

// ------------------------------------------------------------ local copy

class UploadJobCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    album = std::make_unique<TBuiltAlbum>();
    ASSERT_TRUE(album->ok) << album->BuildLog();
  }
  std::unique_ptr<TBuiltAlbum> album;
  TSilentUserInterface ui;
};

TEST_F(UploadJobCopyTest, CopiesTheAlbumIntoAFolderBesideIt) {
  TMemoryProgressLog log;
  TUploadJob job(log, ui);
  TUploadTarget panel;
  panel.host = "Site Copy";  // relative: beside the album's main page
  panel.html_folder = "/My Pages";
  panel.media_folder = "My Pages/Thumbs";
  TTransferResult result = job.StartTransfer(&panel, album->Source());
  ASSERT_TRUE(result.success) << log.Text();
  EXPECT_TRUE(result.local);
  EXPECT_EQ(log.lines().back(), kTransferFinished);
  // The target folder stays as given; the folders below it are lower-cased
  // and their blanks turned into "_", as the rewritten links name them.
  const std::string target = FolderPart(album->builder->ContentsPage) + "Site Copy";
  ExpectPublishedAlbum(*album, target + "/my_pages", target + "/my_pages/thumbs");
  for (const std::string& line : log.lines()) {
    if (line.rfind("Copying ", 0) == 0) {
      EXPECT_NE(line.find(" [OK]"), std::string::npos) << line;
    }
  }
  // A copied page has the local page's date and time.
  const std::string page = album->builder->ContentsPage;
  EXPECT_EQ(StatPath(target + "/my_pages/" + RemoteName(page))->mtime, StatPath(page)->mtime);
  EXPECT_FALSE(FileExists(ResumeLogPath(page)));
  EXPECT_FALSE(job.ResumeMode);
}

TEST_F(UploadJobCopyTest, ATargetThatCannotBeCreatedStopsWithALine) {
  WriteFile(album->dir.file("blocker"), "a file, not a folder");
  TMemoryProgressLog log;
  TUploadJob job(log, ui);
  TUploadTarget panel;
  panel.host = album->dir.file("blocker/copy");
  TTransferResult result = job.StartTransfer(&panel, album->Source());
  EXPECT_FALSE(result.success);
  EXPECT_TRUE(result.local);
  EXPECT_TRUE(HasLine(
      log, "Error: the folder \"" + album->dir.file("blocker/copy") + "\" cannot be created"))
      << log.Text();
  EXPECT_EQ(log.lines().back(), kTransferInterrupted);
  EXPECT_FALSE(FileExists(ResumeLogPath(album->builder->ContentsPage)));
  EXPECT_FALSE(job.ResumeMode);  // a failed copy leaves the button as it was
}

}  // namespace
}  // namespace pictavo
