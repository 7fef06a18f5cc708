#include "platform/LinkProtocol.h"

#include <algorithm>
#include <utility>

namespace tsly::dde {

namespace {

constexpr std::size_t MaxVerbBytes = 12;
constexpr int MaxLengthDigits = 10;

struct VerbInfo {
  Verb verb;
  const char* name;
  std::size_t fields;
  bool request;
};

constexpr VerbInfo Verbs[] = {
    {Verb::Connect, "CONNECT", 2, true}, {Verb::Poke, "POKE", 2, true},
    {Verb::Execute, "EXECUTE", 1, true}, {Verb::Request, "REQUEST", 1, true},
    {Verb::Ok, "OK", 0, false},          {Verb::Value, "VALUE", 1, false},
    {Verb::Error, "ERROR", 1, false},
};

const VerbInfo& info(Verb v) {
  for (const auto& i : Verbs)
    if (i.verb == v) return i;
  return Verbs[4];
}

// A decimal error number 1..65535 without sign or leading zero.
int parseErrorNumber(const std::string& text) {
  if (text.empty() || text.size() > 5 || text[0] == '0') return 0;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= 65535 ? n : 0;
}

}  // namespace

Message connectMessage(std::string_view application, std::string_view topic) {
  return {Verb::Connect, {std::string(application), std::string(topic)}};
}
Message pokeMessage(std::string_view item, std::string_view value) {
  return {Verb::Poke, {std::string(item), std::string(value)}};
}
Message executeMessage(std::string_view command) { return {Verb::Execute, {std::string(command)}}; }
Message requestMessage(std::string_view item) { return {Verb::Request, {std::string(item)}}; }
Message okMessage() { return {Verb::Ok, {}}; }
Message valueMessage(std::string_view value) { return {Verb::Value, {std::string(value)}}; }
Message errorMessage(int error) { return {Verb::Error, {std::to_string(error)}}; }

const char* verbName(Verb verb) { return info(verb).name; }
std::size_t fieldCount(Verb verb) { return info(verb).fields; }
bool isRequest(Verb verb) { return info(verb).request; }

int errorNumber(const Message& message) {
  if (message.verb != Verb::Error || message.fields.size() != 1) return 0;
  return parseErrorNumber(message.fields[0]);
}

std::optional<std::string> encode(const Message& message) {
  if (message.fields.size() != fieldCount(message.verb)) return std::nullopt;
  if (message.verb == Verb::Error && errorNumber(message) == 0) return std::nullopt;
  std::size_t total = std::char_traits<char>::length(verbName(message.verb)) + 1;
  for (const auto& f : message.fields) {
    if (f.size() > MaxMessageBytes) return std::nullopt;
    total += 1 + std::to_string(f.size()).size() + 1 + f.size();
  }
  if (total > MaxMessageBytes) return std::nullopt;
  std::string out;
  out.reserve(total);
  out += verbName(message.verb);
  for (const auto& f : message.fields) {
    out += ' ';
    out += std::to_string(f.size());
    out += ':';
    out += f;
  }
  out += '\n';
  return out;
}

Decoder::Decoder(Side side, std::size_t maxMessageBytes)
    : side_(side), max_(std::min(maxMessageBytes, MaxMessageBytes)) {}

bool Decoder::idle() const { return !failed_ && state_ == State::Verb && verb_.empty(); }

bool Decoder::fail(std::string why) {
  failed_ = true;
  error_ = std::move(why);
  verb_.clear();
  fields_.clear();
  return false;
}

bool Decoder::verbKnown() {
  for (const auto& i : Verbs) {
    if (verb_ == i.name) {
      if (i.request != (side_ == Side::Requests))
        return fail("message " + verb_ + " not expected on this side");
      current_ = i.verb;
      return true;
    }
  }
  return fail("unknown message verb");
}

bool Decoder::finishMessage() {
  if (fields_.size() != fieldCount(current_)) return fail("wrong number of fields");
  Message m{current_, std::move(fields_)};
  if (current_ == Verb::Error && errorNumber(m) == 0) return fail("bad error number");
  ready_.push_back(std::move(m));
  fields_.clear();
  verb_.clear();
  messageBytes_ = 0;
  state_ = State::Verb;
  return true;
}

bool Decoder::feed(std::string_view bytes) {
  if (failed_) return false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (state_ == State::Data) {
      // Copy as much of the field as this piece holds.
      std::string& field = fields_.back();
      std::size_t take = std::min(length_ - field.size(), bytes.size() - i);
      field.append(bytes.data() + i, take);
      i += take;
      messageBytes_ += take;
      if (field.size() == length_) state_ = State::AfterItem;
      continue;
    }
    char c = bytes[i++];
    if (++messageBytes_ > max_) return fail("message too large");
    switch (state_) {
      case State::Verb:
        if (c >= 'A' && c <= 'Z') {
          if (verb_.size() >= MaxVerbBytes) return fail("unknown message verb");
          verb_ += c;
        } else if (c == ' ' || c == '\n') {
          if (verb_.empty()) return fail("message without verb");
          if (!verbKnown()) return false;
          if (c == '\n') {
            if (!finishMessage()) return false;
          } else {
            state_ = State::Length;
            length_ = 0;
            lengthDigits_ = 0;
          }
        } else {
          return fail("bad character in message verb");
        }
        break;
      case State::AfterItem:
        if (c == '\n') {
          if (!finishMessage()) return false;
        } else if (c == ' ') {
          state_ = State::Length;
          length_ = 0;
          lengthDigits_ = 0;
        } else {
          return fail("bad separator after field");
        }
        break;
      case State::Length:
        if (c >= '0' && c <= '9') {
          if (lengthDigits_ == 1 && length_ == 0) return fail("field length with leading zero");
          if (++lengthDigits_ > MaxLengthDigits) return fail("field length too long");
          length_ = length_ * 10 + static_cast<std::size_t>(c - '0');
          if (length_ > max_) return fail("field too large");
        } else if (c == ':') {
          if (lengthDigits_ == 0) return fail("field without length");
          if (fields_.size() >= fieldCount(current_)) return fail("too many fields");
          if (messageBytes_ + length_ + 1 > max_) return fail("message too large");
          fields_.emplace_back();
          fields_.back().reserve(length_);
          state_ = length_ == 0 ? State::AfterItem : State::Data;
        } else {
          return fail("bad character in field length");
        }
        break;
      case State::Data:
        break;
    }
  }
  return true;
}

std::optional<Message> Decoder::next() {
  if (ready_.empty()) return std::nullopt;
  Message m = std::move(ready_.front());
  ready_.pop_front();
  return m;
}

DecodeResult decodeAll(Side side, std::string_view bytes, std::size_t maxMessageBytes) {
  Decoder d(side, maxMessageBytes);
  DecodeResult r;
  d.feed(bytes);
  while (auto m = d.next()) r.messages.push_back(std::move(*m));
  r.failed = d.failed();
  r.error = d.error();
  r.complete = d.idle();
  return r;
}

ServerSession::ServerSession(Handler& handler, std::size_t maxMessageBytes)
    : handler_(handler), decoder_(Side::Requests, maxMessageBytes) {}

Message ServerSession::handle(const Message& request) {
  switch (request.verb) {
    case Verb::Connect:
      if (connected_) return errorMessage(285);
      if (!handler_.acceptConnect(request.fields[0], request.fields[1])) {
        closed_ = true;
        return errorMessage(282);
      }
      connected_ = true;
      return okMessage();
    case Verb::Poke:
    case Verb::Execute:
    case Verb::Request: {
      if (!connected_) return errorMessage(293);
      int e = 0;
      std::string value;
      if (request.verb == Verb::Poke)
        e = handler_.poke(request.fields[0], request.fields[1]);
      else if (request.verb == Verb::Execute)
        e = handler_.execute(request.fields[0]);
      else
        e = handler_.request(request.fields[0], value);
      if (e != 0) return errorMessage(e > 0 && e <= 65535 ? e : 285);
      if (request.verb == Verb::Request) {
        Message v = valueMessage(value);
        // A value too large for one message cannot be sent.
        if (!encode(v)) return errorMessage(285);
        return v;
      }
      return okMessage();
    }
    default:
      closed_ = true;
      return errorMessage(285);
  }
}

bool ServerSession::feed(std::string_view bytes, std::string& out) {
  if (closed_) return false;
  const bool ok = decoder_.feed(bytes);
  while (auto m = decoder_.next()) {
    if (closed_) break;
    if (auto bytesOut = encode(handle(*m))) out += *bytesOut;
  }
  if (!ok) closed_ = true;
  return !closed_;
}

}  // namespace tsly::dde
