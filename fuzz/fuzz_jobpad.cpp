// The job-editor channel, both sides. The same bytes are read as the replies a
// client receives and as the requests the JobPad server receives:
//  - one-shot decoding and decoding fed in pieces (sizes taken from the input)
//    give the same messages and the same verdict;
//  - every decoded message encodes and decodes back to itself;
//  - the server session (with JobPad's real command handler) answers only with
//    well-formed replies, at most one per request, and never more than asked.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/LinkProtocol.h"
#include "JobPadService.h"

using namespace tsly;
using namespace tsly::dde;

namespace {

constexpr std::size_t Limit = 4096;  // small limit, so the fuzzer reaches it

void checkSide(Side side, std::string_view bytes) {
  const DecodeResult whole = decodeAll(side, bytes, Limit);
  // Pieces: the length of each piece is taken from the bytes themselves.
  Decoder d(side, Limit);
  std::vector<Message> got;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t n = 1 + static_cast<unsigned char>(bytes[pos]) % 17;
    n = std::min(n, bytes.size() - pos);
    d.feed(bytes.substr(pos, n));
    while (auto m = d.next()) got.push_back(std::move(*m));
    pos += n;
  }
  if (got != whole.messages) fuzz::fail("pieces and whole decode differ");
  if (d.failed() != whole.failed) fuzz::fail("pieces and whole verdict differ");
  if (!whole.failed && d.idle() != whole.complete) fuzz::fail("pieces and whole completeness differ");
  for (const Message& m : whole.messages) {
    if (m.fields.size() != fieldCount(m.verb)) fuzz::fail("decoded message with a wrong field count");
    if (isRequest(m.verb) != (side == Side::Requests)) fuzz::fail("message of the other side accepted");
    const auto enc = encode(m);
    if (!enc) {
      // Only an Error whose number is not 1..65535 may fail to encode.
      if (m.verb != Verb::Error) fuzz::fail("decoded message does not encode");
      continue;
    }
    if (enc->size() > Limit) fuzz::fail("decoded message larger than the limit");
    const DecodeResult again = decodeAll(side, *enc, Limit);
    if (again.failed || again.messages.size() != 1 || again.messages[0] != m)
      fuzz::fail("message does not survive encode and decode");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  checkSide(Side::Replies, bytes);
  checkSide(Side::Requests, bytes);

  // The server: a JobPad service whose deck is a counter.
  JobPadService service;
  std::size_t added = 0;
  service.onAdd = [&](const std::string&) {
    ++added;
    return true;
  };
  ServerSession session(service, Limit);
  std::string out;
  std::size_t pos = 0;
  bool open = true;
  while (pos < bytes.size() && open) {
    std::size_t n = 1 + static_cast<unsigned char>(bytes[pos]) % 29;
    n = std::min(n, bytes.size() - pos);
    open = session.feed(bytes.substr(pos, n), out);
    pos += n;
  }
  const DecodeResult replies = decodeAll(Side::Replies, out, Limit);
  if (replies.failed || !replies.complete) fuzz::fail("server wrote a malformed reply");
  const DecodeResult requests = decodeAll(Side::Requests, bytes, Limit);
  if (replies.messages.size() > requests.messages.size()) fuzz::fail("more replies than requests");
  return 0;
}
