// The reply parser, passive-mode and folder replies, host:port texts, socket
// error numbers and the connect-error texts: pure functions, no server.
#include <netdb.h>
#include <cerrno>

#include <gtest/gtest.h>

#include "publish/enh_ftp_client.h"
#include "publish/ftp_reply.h"
#include "publish/ftp_socket.h"

namespace pictavo {
namespace {

TEST(FtpReply, SingleAndMultiLineReplies) {
  struct Case {
    const char* text;
    std::vector<int> codes;
    std::vector<size_t> line_counts;
  } cases[] = {
      {"220 Ready\r\n", {220}, {1}},
      {"220\r\n", {220}, {1}},  // a bare code is a complete reply
      {"230-Welcome\r\n230-more\r\n230 OK\r\n", {230}, {3}},
      // Inner lines that look like other replies do not end a multi-line reply.
      {"211-Features:\r\n EPSV\r\n200 inner\r\n211-not yet\r\n211 End\r\n", {211}, {5}},
      // A bare code closes a multi-line reply too; the next reply follows.
      {"226-a\n226\n150 Opening\n", {226, 150}, {2, 1}},
      // Malformed first lines are replies of code 0 and one line.
      {"hello\r\n22 x\r\n2200 y\r\n", {0, 0, 0}, {1, 1, 1}},
      // An open multi-line reply at the end of the text is still returned.
      {"250-start\r\nno end", {250}, {2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto replies = ParseFtpReplies(c.text);
    ASSERT_EQ(replies.size(), c.codes.size());
    for (size_t i = 0; i < replies.size(); ++i) {
      EXPECT_EQ(replies[i].code, c.codes[i]);
      EXPECT_EQ(replies[i].lines.size(), c.line_counts[i]);
    }
  }
  auto r = ParseFtpReplies("230-Welcome\r\n230 OK\r\n");
  EXPECT_EQ(r[0].Text(), "230-Welcome\n230 OK");
  EXPECT_EQ(r[0].Kind(), 2);
}

TEST(FtpReply, HostileRepliesStayBounded) {
  TFtpReplyParser parser;
  EXPECT_FALSE(parser.AddLine("211-start"));
  for (int i = 0; i < 5000; ++i) EXPECT_FALSE(parser.AddLine(std::string(10000, 'x')));
  EXPECT_TRUE(parser.AddLine("211 end"));
  EXPECT_EQ(parser.reply().lines.size(), TFtpReplyParser::kMaxLines);
  EXPECT_EQ(parser.reply().lines.back(), "211 end");
  for (const auto& line : parser.reply().lines)
    EXPECT_LE(line.size(), TFtpReplyParser::kMaxLineLength);
}

TEST(FtpReply, PassiveReplies) {
  auto pasv = ParsePasvReply("227 Entering Passive Mode (127,0,0,1,195,80).");
  ASSERT_TRUE(pasv);
  EXPECT_EQ(pasv->host, "127.0.0.1");
  EXPECT_EQ(pasv->port, 195 * 256 + 80);
  auto bare = ParsePasvReply("227 =10,1,2,3,0,21");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->port, 21);
  for (const char* bad :
       {"227 Entering Passive Mode (127,0,0,1,195)", "227 (256,0,0,1,1,1)", "227 (1,2,3,4,0,0)",
        "227 (1,2,3,4,5,1000)", "227 nothing", "", "227 (1,,3,4,5,6)"}) {
    EXPECT_FALSE(ParsePasvReply(bad)) << bad;
  }
  EXPECT_EQ(ParseEpsvReply("229 Extended Passive mode OK (|||25098|)"), 25098);
  EXPECT_EQ(ParseEpsvReply("229 ok (!!!21!)"), 21);
  for (const char* bad : {"229 (|||0|)", "229 (|||65536|)", "229 (||25098|)", "229 (|||25098)",
                          "229 (", "229 no", "229 (1111)", "229 (|||999999999|)"}) {
    EXPECT_FALSE(ParseEpsvReply(bad)) << bad;
  }
}

TEST(FtpReply, QuotedPaths) {
  EXPECT_EQ(ParseQuotedPath("257 \"/\" is your current location"), "/");
  EXPECT_EQ(ParseQuotedPath("257 \"\" is the root"), "");
  EXPECT_EQ(ParseQuotedPath("257 \"/a \"\"q\"\" b\" created"), "/a \"q\" b");
  EXPECT_FALSE(ParseQuotedPath("257 no quotes"));
  EXPECT_FALSE(ParseQuotedPath("257 \"never closed"));
}

TEST(FtpSocket, HostPortTexts) {
  struct Case {
    const char* text;
    const char* host;
    int port;
  } good[] = {
      {"ftp.example.com", "ftp.example.com", 21},
      {" ftp.example.com:2121 ", "ftp.example.com", 2121},
      {"127.0.0.1:65535", "127.0.0.1", 65535},
      {"[::1]:2121", "::1", 2121},
      {"[::1]", "::1", 21},
      {"::1", "::1", 21},
      {"fe80::1:2", "fe80::1:2", 21},
  };
  for (const auto& c : good) {
    auto hp = ParseHostPort(c.text, 21);
    ASSERT_TRUE(hp) << c.text;
    EXPECT_EQ(hp->host, c.host);
    EXPECT_EQ(hp->port, c.port);
  }
  for (const char* bad : {"", "  ", ":21", "host:", "host:0", "host:65536", "host:21x", "[::1",
                          "[::1]x", "[]:21", "host:123456"}) {
    EXPECT_FALSE(ParseHostPort(bad, 21)) << bad;
  }
}

TEST(FtpSocket, ConnectsToIpv6LoopbackAndReportsRefusals) {
  TSockAddress any6;
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&any6.storage);
  in6->sin6_family = AF_INET6;
  in6->sin6_addr = in6addr_loopback;
  any6.length = sizeof(sockaddr_in6);
  TSocket listener;
  try {
    listener = ListenTcp(any6);
  } catch (const ESocketError& e) {
    GTEST_SKIP() << "no IPv6 loopback here: " << e.what();
  }
  int port = listener.LocalAddress().Port();
  auto target = ParseHostPort("[::1]:" + std::to_string(port), 21);
  ASSERT_TRUE(target);
  TSocket socket = ConnectTcp(target->host, target->port, 2000);
  EXPECT_EQ(socket.PeerAddress().Host(), "::1");
  EXPECT_EQ(socket.PeerAddress().Port(), port);
  listener.Close();
  try {
    ConnectTcp("::1", port, 2000);
    FAIL() << "connected to a closed port";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.code(), -10061);
    EXPECT_EQ(std::string(e.what()),
              "Cannot connect to [::1]:" + std::to_string(port) + " (socket error # 10061)");
  }
}

TEST(FtpSocket, ErrnoMapsOntoSocketErrorNumbers) {
  EXPECT_EQ(SocketErrorFromErrno(ETIMEDOUT), -10060);
  EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), -10061);
  EXPECT_EQ(SocketErrorFromErrno(EHOSTDOWN), -10064);
  EXPECT_EQ(SocketErrorFromErrno(ENOTCONN), -10057);
  EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), -10054);
  EXPECT_EQ(SocketErrorFromErrno(ENETUNREACH), -10051);
  EXPECT_EQ(SocketErrorFromErrno(EHOSTUNREACH), -10065);
  EXPECT_EQ(SocketErrorFromErrno(ENETDOWN), -10050);
  EXPECT_NE(SocketErrorFromErrno(ENOMEM), 0);
  EXPECT_EQ(SocketErrorFromResolver(EAI_NONAME), -11001);
  EXPECT_EQ(SocketErrorFromResolver(EAI_AGAIN), -11002);
  EXPECT_EQ(SocketErrorFromResolver(EAI_FAIL), -11003);
  EXPECT_EQ(SocketErrorMessage("Cannot connect", -10061), "Cannot connect (socket error # 10061)");
}

TEST(FtpSession, ConnectErrorTexts) {
  struct Case {
    std::string text;
    int code;
    std::string shown;
  } cases[] = {
      {"First\r\nSecond", 0, "First. Second"},
      {"First\rSecond", -10060, "First. Second"},  // a line break wins over the code
      {"A\r\nB\r\nC", 0, "A. B\r\nC"},             // only the first break changes
      {"Read timed out", -10060, "Read timed out. Connection timed out"},
      {"x", -10061, "x. Connection refused"},
      {"x", -11001, "x. Host not found"},
      {"x", -92, "x. Request rejected because SOCKS server cannot connect to identd on the client"},
      {"530 Login incorrect", 0, "530 Login incorrect"},
      {"x", -10048, "x"},  // not in the table
      {"x", 421, "x"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatConnectError(c.text, c.code), c.shown) << c.text;
}

}  // namespace
}  // namespace pictavo
