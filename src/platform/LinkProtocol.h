// Wire format of the job-editor channel (the local-socket stand-in for a DDE
// conversation between Tessaly and JobPad).
//
// A message is one verb of capital letters, then zero or more fields, each a
// blank, the field's length in decimal bytes, a colon and the bytes themselves,
// and finally a line feed:
//
//   CONNECT 6:JobPad 7:orogdde\n      client -> server, open the conversation
//   POKE 4:dde1 5:hello\n             client -> server, set an item
//   EXECUTE 3:add\n                   client -> server, run a command
//   REQUEST 4:dde1\n                  client -> server, read an item
//   OK\n                              server -> client, done
//   VALUE 5:hello\n                   server -> client, the item asked for
//   ERROR 3:285\n                     server -> client, failed with a DDE-style number
//
// Field bytes are taken as they are (blanks, CR, LF and NUL included), so any
// text travels unchanged. Every client message is answered by exactly one reply.
//
// The decoder is fed raw bytes in pieces of any size (partial reads) and hands
// out whole messages. It never buffers more than one message, refuses a message
// larger than its limit, an unknown verb, a bad length, a wrong field count or a
// missing line feed; after a refusal it stays failed (the connection is to be
// dropped) and ignores further bytes. It throws nothing and allocates at most
// the limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsly::dde {

// Largest encoded message accepted or produced, in bytes.
inline constexpr std::size_t MaxMessageBytes = 1u << 20;

enum class Verb { Connect, Poke, Execute, Request, Ok, Value, Error };

struct Message {
  Verb verb = Verb::Ok;
  // Connect: application, topic. Poke: item, value. Execute: command.
  // Request: item. Value: the value. Error: the error number as decimal text.
  std::vector<std::string> fields;

  bool operator==(const Message&) const = default;
};

// Which messages a decoder accepts: a server reads requests, a client replies.
enum class Side { Requests, Replies };

Message connectMessage(std::string_view application, std::string_view topic);
Message pokeMessage(std::string_view item, std::string_view value);
Message executeMessage(std::string_view command);
Message requestMessage(std::string_view item);
Message okMessage();
Message valueMessage(std::string_view value);
Message errorMessage(int error);

const char* verbName(Verb verb);
// Number of fields a verb carries.
std::size_t fieldCount(Verb verb);
bool isRequest(Verb verb);

// The bytes of a message; std::nullopt when the message is not well formed
// (wrong field count, an Error field that is not a number in 1..65535) or its
// encoding would exceed MaxMessageBytes.
std::optional<std::string> encode(const Message& message);

// The error number carried by an Error message; 0 for any other message.
int errorNumber(const Message& message);

class Decoder {
 public:
  explicit Decoder(Side side, std::size_t maxMessageBytes = MaxMessageBytes);

  // Feeds bytes; complete messages are queued for next(). Returns false once the
  // stream has been refused (also for every later call).
  bool feed(std::string_view bytes);
  // The oldest complete message not yet taken.
  std::optional<Message> next();
  bool failed() const { return failed_; }
  // Why the stream was refused (empty while not failed).
  const std::string& error() const { return error_; }
  // True between messages (no partial message held).
  bool idle() const;

 private:
  enum class State { Verb, AfterItem, Length, Data };
  bool fail(std::string why);
  bool finishMessage();
  bool verbKnown();

  Side side_;
  std::size_t max_;
  State state_ = State::Verb;
  std::string verb_;
  Verb current_ = Verb::Ok;
  std::vector<std::string> fields_;
  std::size_t length_ = 0;
  int lengthDigits_ = 0;
  std::size_t messageBytes_ = 0;
  std::deque<Message> ready_;
  bool failed_ = false;
  std::string error_;
};

struct DecodeResult {
  std::vector<Message> messages;
  bool failed = false;
  bool complete = true;  // no partial message left over
  std::string error;
};

// Pure one-shot decoding of a byte string (for tests and fuzzing).
DecodeResult decodeAll(Side side, std::string_view bytes, std::size_t maxMessageBytes = MaxMessageBytes);

// The server half of one conversation: request bytes in, reply bytes out.
// The first message must be CONNECT; it is answered OK when the handler accepts
// the application and topic, otherwise ERROR 282 and the conversation ends.
// Exchanges before a CONNECT are answered ERROR 293, a second CONNECT ERROR 285.
// A malformed or oversized message ends the conversation without a reply.
class ServerSession {
 public:
  class Handler {
   public:
    virtual ~Handler() = default;
    virtual bool acceptConnect(const std::string& application, const std::string& topic) = 0;
    // 0 or a DDE-style error number (the reply is then ERROR n).
    virtual int poke(const std::string& item, const std::string& value) = 0;
    virtual int execute(const std::string& command) = 0;
    virtual int request(const std::string& item, std::string& value) = 0;
  };

  explicit ServerSession(Handler& handler, std::size_t maxMessageBytes = MaxMessageBytes);

  // Handles every complete message in bytes and appends the replies to out.
  // Returns false when the conversation is to be closed (after sending out).
  bool feed(std::string_view bytes, std::string& out);
  bool connected() const { return connected_; }
  bool closed() const { return closed_; }
  const std::string& error() const { return decoder_.error(); }

 private:
  Message handle(const Message& request);

  Handler& handler_;
  Decoder decoder_;
  bool connected_ = false;
  bool closed_ = false;
};

}  // namespace tsly::dde
