#include <gtest/gtest.h>

#include <random>

#include "platform/LinkProtocol.h"

using namespace tsly;
using namespace tsly::dde;

TEST(PlatformLinkCodec, EncodesEveryMessageWithLengthPrefixedFields) {
  EXPECT_EQ(*encode(connectMessage("JobPad", "orogdde")), "CONNECT 6:JobPad 7:orogdde\n");
  EXPECT_EQ(*encode(pokeMessage("dde1", "VELF 101 120.5 1500")), "POKE 4:dde1 19:VELF 101 120.5 1500\n");
  EXPECT_EQ(*encode(pokeMessage("dde3", "")), "POKE 4:dde3 0:\n");
  EXPECT_EQ(*encode(executeMessage("add")), "EXECUTE 3:add\n");
  EXPECT_EQ(*encode(requestMessage("dde2")), "REQUEST 4:dde2\n");
  EXPECT_EQ(*encode(okMessage()), "OK\n");
  EXPECT_EQ(*encode(valueMessage("\\worog15\\worog.exe")), "VALUE 18:\\worog15\\worog.exe\n");
  EXPECT_EQ(*encode(errorMessage(286)), "ERROR 3:286\n");
}

TEST(PlatformLinkCodec, RefusesToEncodeMalformedOrOversizedMessages) {
  EXPECT_FALSE(encode(Message{Verb::Poke, {"dde1"}}));
  EXPECT_FALSE(encode(Message{Verb::Ok, {"x"}}));
  EXPECT_FALSE(encode(errorMessage(0)));
  EXPECT_FALSE(encode(Message{Verb::Error, {"28x"}}));
  EXPECT_FALSE(encode(pokeMessage("dde1", std::string(MaxMessageBytes, 'x'))));
  EXPECT_TRUE(encode(pokeMessage("dde1", std::string(MaxMessageBytes - 100, 'x'))));
}

TEST(PlatformLinkCodec, RoundTripsAnyBytesIncludingLineBreaksAndNul) {
  const std::string odd = std::string("a\r\nb\0c 12:d\n", 12);
  auto bytes = *encode(pokeMessage("dde1", odd));
  auto r = decodeAll(Side::Requests, bytes);
  ASSERT_FALSE(r.failed);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], pokeMessage("dde1", odd));
  EXPECT_TRUE(r.complete);
}

TEST(PlatformLinkCodec, DecodesByteByByteAndInArbitraryPieces) {
  std::string stream;
  std::vector<Message> sent = {connectMessage("JobPad", "orogdde"), pokeMessage("dde1", "*INPF my file.dat"),
                               pokeMessage("dde2", "-1"), pokeMessage("dde3", ""), executeMessage("add"),
                               requestMessage("dde1")};
  for (const auto& m : sent) stream += *encode(m);

  Decoder oneByOne(Side::Requests);
  std::vector<Message> got;
  for (char c : stream) {
    ASSERT_TRUE(oneByOne.feed(std::string_view(&c, 1)));
    while (auto m = oneByOne.next()) got.push_back(*m);
  }
  EXPECT_EQ(got, sent);
  EXPECT_TRUE(oneByOne.idle());

  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    Decoder d(Side::Requests);
    got.clear();
    std::size_t pos = 0;
    while (pos < stream.size()) {
      std::size_t n = std::min<std::size_t>(stream.size() - pos, rng() % 9 + 1);
      ASSERT_TRUE(d.feed(std::string_view(stream).substr(pos, n)));
      pos += n;
      while (auto m = d.next()) got.push_back(*m);
    }
    EXPECT_EQ(got, sent);
  }
}

TEST(PlatformLinkCodec, PartialMessageIsHeldUntilComplete) {
  Decoder d(Side::Replies);
  EXPECT_TRUE(d.feed("VALUE 5:hel"));
  EXPECT_FALSE(d.next());
  EXPECT_FALSE(d.idle());
  EXPECT_TRUE(d.feed("lo"));
  EXPECT_FALSE(d.next());
  EXPECT_TRUE(d.feed("\nOK\nERR"));
  EXPECT_EQ(*d.next(), valueMessage("hello"));
  EXPECT_EQ(*d.next(), okMessage());
  EXPECT_FALSE(d.next());
  EXPECT_TRUE(d.feed("OR 3:291\n"));
  EXPECT_EQ(errorNumber(*d.next()), 291);
}

TEST(PlatformLinkCodec, EachSideAcceptsOnlyItsOwnMessages) {
  EXPECT_TRUE(decodeAll(Side::Requests, "OK\n").failed);
  EXPECT_TRUE(decodeAll(Side::Requests, "VALUE 1:x\n").failed);
  EXPECT_TRUE(decodeAll(Side::Replies, "EXECUTE 3:add\n").failed);
  EXPECT_TRUE(decodeAll(Side::Replies, "CONNECT 1:a 1:b\n").failed);
}

TEST(PlatformLinkCodec, RefusesMalformedInputAndStaysRefused) {
  const char* bad[] = {
      "\n",                       // no verb
      "poke 4:dde1 1:x\n",        // lower-case verb
      "FROB\n",                   // unknown verb
      "POKEPOKEPOKEPOKE 1:a\n",   // overlong verb
      "POKE 4:dde1\n",            // too few fields
      "EXECUTE 3:add 1:x\n",      // too many fields
      "EXECUTE 3:add\r\n",        // CR after the field
      "EXECUTE 3:ad\n",           // length longer than the bytes before the line end... reads "\n" as data
      "EXECUTE x:add\n",          // no digits
      "EXECUTE :add\n",           // empty length
      "EXECUTE 03:add\n",         // leading zero
      "EXECUTE -3:add\n",         // sign
      "EXECUTE 99999999999:a\n",  // absurd length
      "EXECUTE  3:add\n",         // double blank
      "EXECUTE 3:add",            // (incomplete, not failed: checked below)
  };
  for (const char* b : bad) {
    auto r = decodeAll(Side::Requests, b);
    if (std::string(b) == "EXECUTE 3:add") {
      EXPECT_FALSE(r.failed);
      EXPECT_FALSE(r.complete);
      EXPECT_TRUE(r.messages.empty());
      continue;
    }
    if (std::string(b) == "EXECUTE 3:ad\n") {
      // "ad\n" is the field; the message then lacks its line feed: incomplete.
      EXPECT_FALSE(r.complete) << b;
      EXPECT_TRUE(r.messages.empty()) << b;
      continue;
    }
    EXPECT_TRUE(r.failed) << b;
    EXPECT_FALSE(r.error.empty()) << b;
    EXPECT_TRUE(r.messages.empty()) << b;
  }
  Decoder d(Side::Replies);
  EXPECT_FALSE(d.feed("ERROR 1:0\n"));  // error number 0 is not an error
  EXPECT_FALSE(d.feed("OK\n"));
  EXPECT_FALSE(d.next());
  EXPECT_TRUE(decodeAll(Side::Replies, "ERROR 5:99999\n").failed);
  EXPECT_TRUE(decodeAll(Side::Replies, "ERROR 2:-1\n").failed);
}

TEST(PlatformLinkCodec, RefusesOversizedMessagesBeforeBufferingThem) {
  Decoder d(Side::Requests, 64);
  EXPECT_TRUE(d.feed(*encode(pokeMessage("dde1", std::string(40, 'a')))));
  EXPECT_TRUE(d.next());
  EXPECT_FALSE(d.feed("POKE 4:dde1 60:"));  // announced length beyond the limit
  EXPECT_EQ(d.error(), "message too large");

  Decoder big(Side::Requests);
  EXPECT_FALSE(big.feed("POKE 4:dde1 1048577:"));
  EXPECT_TRUE(big.failed());
  // A verb that never ends does not grow the buffer.
  EXPECT_TRUE(decodeAll(Side::Requests, std::string(100, 'P')).failed);
}

TEST(PlatformLinkCodec, FieldLeavingNoRoomForTheLineEndIsRefusedAtThatField) {
  // "POKE 4:dde1 48:" + 48 bytes + "\n" is 64 bytes: exactly the limit.
  const std::string exact = *encode(pokeMessage("dde1", std::string(48, 'a')));
  ASSERT_EQ(exact.size(), 64u);
  Decoder d(Side::Requests, 64);
  EXPECT_TRUE(d.feed(exact));
  ASSERT_TRUE(d.next());
  // One byte more in the field leaves no room for the line end: refused when
  // the length is read, before any of the field is taken in.
  Decoder over(Side::Requests, 64);
  EXPECT_FALSE(over.feed("POKE 4:dde1 49:"));
  EXPECT_EQ(over.error(), "message too large");
}

TEST(PlatformLinkCodec, MessagesBeforeAFaultAreStillDelivered) {
  auto r = decodeAll(Side::Requests, "EXECUTE 4:show\nGARBAGE!\nEXECUTE 3:add\n");
  EXPECT_TRUE(r.failed);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], executeMessage("show"));
}

TEST(PlatformLinkCodec, RandomBytesNeverCrashOrOverrun) {
  std::mt19937 rng(12345);
  static const char raw[] = "CONNECTPOKEXURQSVALDR 0123456789:\n\r\0xyz";
  const std::string alphabet(raw, sizeof raw - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int n = static_cast<int>(rng() % 64);
    for (int i = 0; i < n; ++i) bytes += alphabet[rng() % alphabet.size()];
    for (Side side : {Side::Requests, Side::Replies}) {
      auto r = decodeAll(side, bytes, 48);
      for (const auto& m : r.messages) {
        EXPECT_EQ(m.fields.size(), fieldCount(m.verb));
        EXPECT_EQ(isRequest(m.verb), side == Side::Requests);
        EXPECT_TRUE(encode(m));
      }
    }
  }
}
