// The FTP session against a real FTP server (pure-ftpd on a loopback port,
// started per test with its own user database and home folder), with a
// fault-injecting proxy in between where a test needs a fault.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "build/progress_log.h"
#include "publish/enh_ftp_client.h"
#include "publish/ftp_server_helper.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TFtpProxy;
using test::TFtpTestServer;
using test::TSilentServer;
using test::TTempDir;
using test::WriteFile;

struct TLogLine {
  std::string text;
  bool sent;
};

// One session with its abort flag and the lines it logged.
struct TSession {
  std::atomic<bool> abort_requested{false};
  TEnhFtpClient ftp{abort_requested};
  std::vector<TLogLine> log;

  TSession() {
    ftp.OnLog = [this](const std::string& text, bool sent) { log.push_back({text, sent}); };
    ftp.Timeouts.connect_ms = 2000;
    ftp.Timeouts.reply_ms = 5000;
    ftp.Timeouts.data_ms = 5000;
  }
  std::vector<std::string> Texts(size_t from = 0) const {
    std::vector<std::string> texts;
    for (size_t i = from; i < log.size(); ++i) texts.push_back(log[i].text);
    return texts;
  }
  // The command lines sent since line from, without the "> ".
  std::vector<std::string> Commands(size_t from = 0) const {
    std::vector<std::string> commands;
    for (size_t i = from; i < log.size(); ++i)
      if (log[i].sent) commands.push_back(log[i].text.substr(2));
    return commands;
  }
  // The whole log, for failure messages.
  std::string Dump() const {
    std::string text;
    for (const auto& l : log) text += l.text + "\n";
    return text;
  }
  bool Logged(const std::string& text) const {
    return std::any_of(log.begin(), log.end(), [&](const TLogLine& l) { return l.text == text; });
  }
  bool LoggedStartingWith(const std::string& prefix) const {
    return std::any_of(log.begin(), log.end(),
                       [&](const TLogLine& l) { return l.text.rfind(prefix, 0) == 0; });
  }
};

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(rng() & 0xFF);
  return bytes;
}

class FtpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string unavailable = TFtpTestServer::Unavailable();
    if (!unavailable.empty())
      GTEST_SKIP() << "The FTP session tests need a real server: " << unavailable;
    server = std::make_unique<TFtpTestServer>();
  }
  bool Open(TSession& s, bool passive = true) {
    return s.ftp.OpenHost(server->host(), TFtpTestServer::kUser, passive,
                          TFtpTestServer::kPassword);
  }
  std::unique_ptr<TFtpTestServer> server;
  TTempDir local;
};

TEST_F(FtpServerTest, LoginAndLogLinesNeverShowThePassword) {
  TSession s;
  ASSERT_TRUE(Open(s)) << s.Dump();
  EXPECT_TRUE(s.ftp.Connected());
  EXPECT_EQ(s.ftp.LoginDir(), "/");
  auto texts = s.Texts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0], "");
  EXPECT_EQ(texts[1], "Opening FTP connection to host...");
  EXPECT_TRUE(s.LoggedStartingWith("< 220"));
  EXPECT_TRUE(s.Logged("> USER alice"));
  EXPECT_TRUE(s.Logged("> PASS " + std::string(strlen(TFtpTestServer::kPassword), '*')));
  EXPECT_TRUE(s.Logged("> PWD"));
  EXPECT_TRUE(s.Logged("> TYPE A"));  // Binary is false at creation
  for (const auto& line : s.log) {
    EXPECT_EQ(line.text.find(TFtpTestServer::kPassword), std::string::npos) << line.text;
    EXPECT_EQ(line.sent, line.text.rfind("> ", 0) == 0) << line.text;
  }

  // A host name with a port resolves and connects as well.
  TSession by_name;
  EXPECT_TRUE(by_name.ftp.OpenHost("localhost:" + std::to_string(server->port()),
                                   TFtpTestServer::kUser, true, TFtpTestServer::kPassword))
      << by_name.Dump();

  // Through the upload job's progress log sink as well.
  TMemoryProgressLog progress;
  TSession t;
  t.ftp.OnLog = FtpProgressLogSink(progress);
  ASSERT_TRUE(Open(t));
  t.ftp.CloseHost();
  EXPECT_FALSE(t.ftp.Connected());
  EXPECT_EQ(progress.Text().find(TFtpTestServer::kPassword), std::string::npos);
  auto lines = progress.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Closing FTP connection to host."), lines.end());
  EXPECT_EQ(lines.front(), "");  // the empty text is an empty line

  // The sink masks a PASS line that reaches it unmasked, whatever its case.
  TMemoryProgressLog masked;
  FtpProgressLogSink(masked)("> pass hunter2", true);
  EXPECT_EQ(masked.lines().back(), "> pass *******");
}

TEST_F(FtpServerTest, RefusedLoginsAreNotRetried) {
  struct Case {
    std::string user, password;
    std::string user_line;
  } cases[] = {
      {"alice", "wrong", "> USER alice"},
      {"", "", "> USER Anonymous"},  // anonymous with the placeholder address
  };
  for (const auto& c : cases) {
    TSession s;
    s.ftp.Timeouts.reply_ms = 30000;  // the server delays its answer to a wrong password
    EXPECT_FALSE(s.ftp.OpenHost(server->host(), c.user, true, c.password));
    EXPECT_TRUE(s.Logged(c.user_line));
    EXPECT_FALSE(s.LoggedStartingWith("! Attempt"));
    EXPECT_TRUE(s.LoggedStartingWith("! 530") || s.LoggedStartingWith("! 421")) << s.Dump();
    EXPECT_FALSE(s.ftp.Connected() && s.ftp.LoginDir() == "/");
  }
  TSession s;
  EXPECT_FALSE(s.ftp.OpenHost("", "alice", true, "x"));
  EXPECT_TRUE(s.log.empty());
}

TEST_F(FtpServerTest, ChangeDirWalksTheRouteAndCreatesMissingFolders) {
  TSession s;
  ASSERT_TRUE(Open(s));
  size_t mark = s.log.size();
  ASSERT_TRUE(s.ftp.ChangeDir("/a/b/c", true, true));
  EXPECT_EQ(s.ftp.RemoteDir, "/a/b/c");
  EXPECT_TRUE(std::filesystem::is_directory(server->DiskPath("/a/b/c")));
  auto commands = s.Commands(mark);
  EXPECT_EQ(commands, (std::vector<std::string>{"CWD a", "MKD a", "CWD a", "CWD b", "MKD b",
                                                "CWD b", "CWD c", "MKD c", "CWD c"}));
  EXPECT_TRUE(s.Logged("Changing remote directory..."));
  EXPECT_TRUE(s.LoggedStartingWith("! 550"));  // the refused CWD is marked

  mark = s.log.size();
  ASSERT_TRUE(s.ftp.ChangeDir("a/b/x", true, false));
  EXPECT_EQ(s.Commands(mark), (std::vector<std::string>{"CDUP", "CWD x", "MKD x", "CWD x"}));
  EXPECT_EQ(s.ftp.RemoteDir, "/a/b/x");
  mark = s.log.size();
  EXPECT_TRUE(s.ftp.ChangeDir("/A/B/X", true, true));
  EXPECT_EQ(s.log.size(), mark);  // already there: nothing sent or logged

  // ".." names inside the path stay below the login folder.
  mark = s.log.size();
  ASSERT_TRUE(s.ftp.ChangeDir("/a/b/x/../c/./", false, false));
  EXPECT_EQ(s.Commands(mark), (std::vector<std::string>{"CDUP", "CWD c"}));
  EXPECT_EQ(s.ftp.RemoteDir, "/a/b/c");

  // A route above the login folder is refused before anything is sent.
  mark = s.log.size();
  EXPECT_FALSE(s.ftp.ChangeDir("/a/../../etc", true, true));
  EXPECT_TRUE(s.Commands(mark).empty());
  EXPECT_EQ(s.Texts(mark),
            std::vector<std::string>{"! The folder \"/a/../../etc\" lies above the login folder"});
  EXPECT_EQ(s.ftp.RemoteDir, "/a/b/c");

  // Without the create flag a missing folder ends the walk.
  mark = s.log.size();
  EXPECT_FALSE(s.ftp.ChangeDir("/a/missing", false, false));
  EXPECT_FALSE(std::filesystem::exists(server->DiskPath("/a/missing")));
  EXPECT_EQ(s.ftp.RemoteDir, "/a");
  EXPECT_TRUE(s.LoggedStartingWith("! 550"));

  // The empty path is the login folder.
  mark = s.log.size();
  ASSERT_TRUE(s.ftp.ChangeDir("", true, false));
  EXPECT_EQ(s.Commands(mark), std::vector<std::string>{"CDUP"});
  EXPECT_EQ(s.ftp.RemoteDir, "");

  // A line break in a name never reaches the server as a second command.
  mark = s.log.size();
  EXPECT_FALSE(s.ftp.ChangeDir("/x\r\nDELE y", true, false));
  EXPECT_TRUE(s.Commands(mark).empty());
}

TEST_F(FtpServerTest, StoredFilesAreByteForByteEqual) {
  TSession s;
  ASSERT_TRUE(Open(s));
  std::string picture = RandomBytes(700 * 1024 + 13, 1);
  WriteFile(local.file("p.jpg"), picture);
  ASSERT_TRUE(s.ftp.PutFile(local.file("p.jpg"), "/album/images/p.jpg", true));
  EXPECT_EQ(ReadFile(server->DiskPath("/album/images/p.jpg")), picture);
  EXPECT_TRUE(s.Logged("Uploading \"p.jpg\" to \"/album/images/\"..."));
  EXPECT_TRUE(s.Logged("> TYPE I"));
  EXPECT_TRUE(s.Logged("> STOR p.jpg"));

  // Texts go in ASCII mode: the server stores them with its own line ends
  // (this one turns CR LF into LF); every other byte arrives unchanged.
  std::string page = "<html>\r\n<body>caf\xc3\xa9\r\n</body>\n</html>\r\n";
  ASSERT_TRUE(s.ftp.PutText(page, "/album/index.html"));
  EXPECT_EQ(ReadFile(server->DiskPath("/album/index.html")),
            "<html>\n<body>caf\xc3\xa9\n</body>\n</html>\n");
  EXPECT_TRUE(s.Logged("> TYPE A"));
  EXPECT_FALSE(s.ftp.Binary);
  // The same text as a binary stream is stored byte for byte.
  std::istringstream binary_page(page);
  ASSERT_TRUE(s.ftp.PutStream(binary_page, "/album/raw.html", true));
  EXPECT_EQ(ReadFile(server->DiskPath("/album/raw.html")), page);

  // Without a "/" the file goes into the folder the connection is in.
  size_t mark = s.log.size();
  ASSERT_TRUE(s.ftp.PutText("", "empty.txt"));
  EXPECT_EQ(ReadFile(server->DiskPath("/album/empty.txt")), "");
  EXPECT_TRUE(s.Logged("Uploading \"empty.txt\"..."));
  auto commands = s.Commands(mark);
  EXPECT_TRUE(std::none_of(commands.begin(), commands.end(),
                           [](const std::string& c) { return c.rfind("CWD", 0) == 0; }));

  // Replacing a file leaves exactly the new bytes.
  ASSERT_TRUE(s.ftp.PutText("short", "/album/index.html"));
  EXPECT_EQ(ReadFile(server->DiskPath("/album/index.html")), "short");

  // A missing local file is reported and nothing is sent.
  mark = s.log.size();
  EXPECT_FALSE(s.ftp.PutFile(local.file("missing.jpg"), "/album/m.jpg", true));
  EXPECT_TRUE(s.Commands(mark).empty());
  EXPECT_TRUE(s.LoggedStartingWith("! Cannot open file"));
  EXPECT_FALSE(s.ftp.PutText("x", ""));
}

TEST_F(FtpServerTest, FileExistsAsksQuietly) {
  TSession s;
  ASSERT_TRUE(Open(s));
  ASSERT_TRUE(s.ftp.PutText("x", "/media/there.jpg"));
  ASSERT_TRUE(s.ftp.ChangeDir("", false, false));
  size_t mark = s.log.size();
  EXPECT_TRUE(s.ftp.FileExists("/media/there.jpg"));
  EXPECT_FALSE(s.ftp.FileExists("/media/missing.jpg"));
  EXPECT_FALSE(s.ftp.FileExists("/nowhere/missing.jpg"));
  EXPECT_EQ(s.log.size(), mark);  // nothing logged, even for errors
  EXPECT_FALSE(s.ftp.Quiet);
}

TEST_F(FtpServerTest, ActiveModeStoresThroughEprt) {
  TSession s;
  ASSERT_TRUE(Open(s, false));
  std::string bytes = RandomBytes(200 * 1024, 2);
  std::istringstream stream(bytes);
  ASSERT_TRUE(s.ftp.PutStream(stream, "/active/data.bin", true));
  EXPECT_EQ(ReadFile(server->DiskPath("/active/data.bin")), bytes);
  EXPECT_TRUE(s.LoggedStartingWith("> EPRT |1|127.0.0.1|"));
  EXPECT_FALSE(s.LoggedStartingWith("> EPSV"));
  EXPECT_TRUE(s.ftp.FileExists("/active/data.bin"));
}

TEST_F(FtpServerTest, PassiveModeFallsBackToPasvAndRemembersIt) {
  TFtpProxy proxy(server->port());
  proxy.reject_epsv = true;
  TSession s;
  ASSERT_TRUE(s.ftp.OpenHost(proxy.host(), TFtpTestServer::kUser, true, TFtpTestServer::kPassword));
  ASSERT_TRUE(s.ftp.PutText("one", "/f/one.txt"));
  ASSERT_TRUE(s.ftp.PutText("two", "/f/two.txt"));
  EXPECT_EQ(ReadFile(server->DiskPath("/f/one.txt")), "one");
  EXPECT_EQ(ReadFile(server->DiskPath("/f/two.txt")), "two");
  auto commands = s.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EPSV"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "PASV"), 2);
  EXPECT_TRUE(s.Logged("! 500 Unknown command"));
  EXPECT_EQ(s.ftp.Client()->EpsvState(), TFtpClient::TEpsvState::Refused);
  EXPECT_EQ(proxy.data_connections.load(), 2);

  // Without the fault EPSV is used and works.
  TSession direct;
  ASSERT_TRUE(Open(direct));
  ASSERT_TRUE(direct.ftp.PutText("three", "/f/three.txt"));
  EXPECT_EQ(direct.ftp.Client()->EpsvState(), TFtpClient::TEpsvState::Works);
}

TEST_F(FtpServerTest, RefusedConnectionIsTriedOnceWithTheDescribedText) {
  int port = test::FreeLoopbackPort();  // nothing listens there any more
  TSession s;
  EXPECT_FALSE(s.ftp.OpenHost("127.0.0.1:" + std::to_string(port), "alice", true, "x"));
  std::string raw =
      "Cannot connect to 127.0.0.1:" + std::to_string(port) + " (socket error # 10061)";
  EXPECT_EQ(s.Texts(), (std::vector<std::string>{"", "Opening FTP connection to host...",
                                                 "! " + raw + ". Connection refused", "! " + raw}));
  EXPECT_EQ(s.ftp.Client()->ConnectErrorCode(), -10061);

  // A host text with an impossible port is no host at all.
  TSession bad;
  EXPECT_FALSE(bad.ftp.OpenHost("127.0.0.1:99999", "alice", true, "x"));
  EXPECT_EQ(bad.Texts()[2],
            "! Invalid host \"127.0.0.1:99999\" (socket error # 11001). Host not found");
  EXPECT_FALSE(bad.LoggedStartingWith("! Attempt"));
}

TEST_F(FtpServerTest, TimeOutsAreRetriedUpToMaxAttempts) {
  TSilentServer silent;
  TSession s;
  s.ftp.Timeouts.reply_ms = 150;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(s.ftp.OpenHost(silent.host(), "alice", true, "x"));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(3));
  auto texts = s.Texts();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[2],
            "! Attempt #1; Receive timed out (socket error # 10060). Connection timed out");
  EXPECT_EQ(texts[3],
            "! Attempt #2; Receive timed out (socket error # 10060). Connection timed out");
  EXPECT_EQ(texts[4], "! Receive timed out (socket error # 10060). Connection timed out");
  EXPECT_EQ(texts[5], "! Receive timed out (socket error # 10060)");
  for (int i = 0; i < 50 && silent.accepted() < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(silent.accepted(), 3);

  // A pending abort request ends the retries after the first attempt.
  TSession aborted;
  aborted.ftp.Timeouts.reply_ms = 150;
  aborted.abort_requested = true;
  EXPECT_FALSE(aborted.ftp.OpenHost(silent.host(), "alice", true, "x"));
  EXPECT_FALSE(aborted.LoggedStartingWith("! Attempt"));
}

TEST_F(FtpServerTest, ReconnectsReenterTheLastFolder) {
  TSession s;
  ASSERT_TRUE(Open(s));
  ASSERT_TRUE(s.ftp.ChangeDir("/keep/me", true, false));
  s.ftp.CloseHost();
  EXPECT_FALSE(s.ftp.Connected());
  EXPECT_EQ(s.ftp.RemoteDir, "/keep/me");
  // The next store opens the connection again and walks back first.
  size_t mark = s.log.size();
  ASSERT_TRUE(s.ftp.PutText("again", "/keep/me/x.txt"));
  auto texts = s.Texts(mark);
  EXPECT_EQ(texts[1], "Reopening FTP connection to host...");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Changing remote directory..."), texts.end());
  EXPECT_EQ(ReadFile(server->DiskPath("/keep/me/x.txt")), "again");
  // OpenHost does the same; ForgetDir drops the folder.
  ASSERT_TRUE(Open(s));
  EXPECT_EQ(s.ftp.RemoteDir, "/keep/me");
  s.ftp.ForgetDir();
  EXPECT_EQ(s.ftp.RemoteDir, "");
  EXPECT_FALSE(s.ftp.Reopen());  // still connected
}

TEST_F(FtpServerTest, AFolderThatCannotBeMadeStopsEveryStoreUntilTheNextConnect) {
  WriteFile(server->DiskPath("/blocked"), "a file, not a folder");
  TSession s;
  ASSERT_TRUE(Open(s));
  EXPECT_FALSE(s.ftp.PutText("x", "/blocked/a.txt"));
  EXPECT_TRUE(s.ftp.Failed());
  size_t mark = s.log.size();
  EXPECT_FALSE(s.ftp.PutText("y", "/fine/b.txt"));
  EXPECT_EQ(s.log.size(), mark);  // refused without a command or a line
  ASSERT_TRUE(Open(s));
  EXPECT_FALSE(s.ftp.Failed());
  ASSERT_TRUE(s.ftp.PutText("y", "/fine/b.txt"));
  EXPECT_EQ(ReadFile(server->DiskPath("/fine/b.txt")), "y");
}

TEST_F(FtpServerTest, ACutDataConnectionIsAFailureNeverSent) {
  std::string bytes = RandomBytes(2 * 1024 * 1024, 3);
  WriteFile(local.file("big.jpg"), bytes);
  TFtpProxy proxy(server->port());
  proxy.cut_after = 100000;
  proxy.cuts_left = -1;  // every data connection: the retry fails as well
  TSession s;
  ASSERT_TRUE(s.ftp.OpenHost(proxy.host(), TFtpTestServer::kUser, true, TFtpTestServer::kPassword));
  EXPECT_FALSE(s.ftp.PutFile(local.file("big.jpg"), "/cut/big.jpg", true)) << s.Dump();
  EXPECT_TRUE(s.LoggedStartingWith("! Data connection broken after"));
  auto commands = s.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "STOR big.jpg"), 2);  // one retry
  // Whatever the server kept is not the file.
  std::string kept;
  if (std::filesystem::exists(server->DiskPath("/cut/big.jpg")))
    kept = ReadFile(server->DiskPath("/cut/big.jpg"));
  EXPECT_NE(kept, bytes);

  // Cut once only: the one retry sends the whole file from its start.
  proxy.cuts_left = 1;
  ASSERT_TRUE(s.ftp.Connected() || s.ftp.Reopen());
  ASSERT_TRUE(s.ftp.PutFile(local.file("big.jpg"), "/cut/big.jpg", true)) << s.Dump();
  EXPECT_EQ(ReadFile(server->DiskPath("/cut/big.jpg")), bytes);

  // A cut that the server notices itself (it answers 451) fails without a retry.
  proxy.cuts_left = 1;
  proxy.reset_upstream = true;
  size_t mark = s.log.size();
  EXPECT_FALSE(s.ftp.PutFile(local.file("big.jpg"), "/cut/other.jpg", true));
  commands = s.Commands(mark);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "STOR other.jpg"), 1) << s.Dump();
}

// An interface whose event processing asks to abort after a few calls, as a
// Cancel click would.
class TAbortingInterface : public test::TScriptedUserInterface {
 public:
  explicit TAbortingInterface(std::atomic<bool>& flag) : flag_(flag) {}
  void ProcessEvents() override {
    if (++events_processed >= 3) flag_ = true;
  }

 private:
  std::atomic<bool>& flag_;
};

TEST_F(FtpServerTest, AnAbortStopsTheStoreWithoutRetry) {
  std::string bytes = RandomBytes(8 * 1024 * 1024, 4);
  WriteFile(local.file("huge.bin"), bytes);
  std::atomic<bool> abort_requested{false};
  TAbortingInterface ui(abort_requested);
  TEnhFtpClient ftp(abort_requested, &ui);
  std::vector<std::string> log;
  ftp.OnLog = [&](const std::string& text, bool) { log.push_back(text); };
  ASSERT_TRUE(ftp.OpenHost(server->host(), TFtpTestServer::kUser, true, TFtpTestServer::kPassword));
  ui.events_processed = 0;
  EXPECT_FALSE(ftp.PutFile(local.file("huge.bin"), "/abort/huge.bin", true));
  EXPECT_NE(std::find(log.begin(), log.end(), "Aborting FTP connection to host."), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "> ABOR"), log.end());
  EXPECT_EQ(std::count(log.begin(), log.end(), "> STOR huge.bin"), 1);
  // The session is still usable once the flag is cleared.
  abort_requested = false;
  ui.events_processed = -1000000;
  ASSERT_TRUE(ftp.Connected() || ftp.Reopen());
  ASSERT_TRUE(ftp.PutText("after", "/abort/after.txt"))
      << ::testing::PrintToString(std::vector<std::string>(log.begin() + 28, log.end()));
  EXPECT_EQ(ReadFile(server->DiskPath("/abort/after.txt")), "after");
}

TEST_F(FtpServerTest, WithoutALogHandlerErrorsGoToTheErrorBox) {
  std::atomic<bool> abort_requested{false};
  test::TScriptedUserInterface ui;
  TEnhFtpClient ftp(abort_requested, &ui);
  EXPECT_FALSE(ftp.OpenHost(server->host(), "alice", true, "wrong"));
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0].rfind("FTP error: 530", 0), 0u) << ui.errors[0];
}

}  // namespace
}  // namespace pictavo
